// "native.properties" read back after the wizard: what the installer wrote
// (the JVM's home, whether it was installed in the kit, the registry switch)
// reads back as written, in every family, whatever the home's name holds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/nativeproperties.h"
#include "platform/encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool installed = data[0] & 1, registry = data[0] & 2, inTemp = data[0] & 4;
    std::string home(reinterpret_cast<const char*>(data) + 1, size - 1);
    // The home is a path: text, one line, no NUL.
    if (!platform::isValidUtf8(home) || home.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) return 0;
    for (qrl::Family family : {qrl::Family::Windows, qrl::Family::Posix, qrl::Family::Mac}) {
        std::string text = qrl::nativePropertiesText(family, home, installed, inTemp ? "[$AppDir]/jre" : "", registry);
        qrl::NativeProperties back = qrl::parseNativeProperties(text, family);
        std::string expected = home;
        if (family == qrl::Family::Windows)
            for (char& c : expected)
                if (c == '/') c = '\\';
        if (back.jvmHome != expected) std::abort();
        if (back.installedInTemp != (!installed ? "false" : inTemp ? "true" : "")) std::abort();
        if (back.configureRegistry != registry) std::abort();

        // The wizard's rewrite: the new home and the temporary one, in that order.
        std::string moved = text + "nativeJvmHomeDir=" + qrl::escapeJavaProperty(home + "/moved") +
                            "\nnativeTempJvmDir=" + qrl::escapeJavaProperty(home) + "\n";
        back = qrl::parseNativeProperties(moved, family);
        if (back.tempJvmDir != expected) std::abort();
    }
    // Any text at all parses without harm.
    qrl::parseNativeProperties(std::string(reinterpret_cast<const char*>(data), size), qrl::Family::Posix);
    return 0;
}
