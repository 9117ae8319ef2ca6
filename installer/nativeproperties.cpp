#include "installer/nativeproperties.h"

#include <cstdio>

#include "common/files.h"
#include "common/text.h"
#include "platform/encoding.h"

namespace qrl {

std::string escapeJavaProperty(std::string_view value) {
    std::string out;
    std::u16string units = platform::utf8ToUtf16(value);
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        if (c == u'\\') {
            out += "\\\\";
        } else if (c == u' ' && i == 0) {
            out += "\\ ";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c < 0x20 || c > 0x7E) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string unescapeJavaProperty(std::string_view line) {
    std::u16string out;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c != '\\') {
            // Plain bytes are taken as they are (ASCII, or UTF-8 written by hand).
            size_t start = i;
            while (i + 1 < line.size() && line[i + 1] != '\\') ++i;
            out += platform::utf8ToUtf16(line.substr(start, i - start + 1));
            continue;
        }
        if (i + 1 >= line.size()) break;
        char e = line[++i];
        if (e == 'u' && i + 4 < line.size()) {
            int v = 0;
            bool ok = true;
            for (size_t k = 1; ok && k <= 4; ++k) {
                int h = hex(line[i + k]);
                ok = h >= 0;
                v = v * 16 + h;
            }
            if (ok) {
                out += static_cast<char16_t>(v);
                i += 4;
                continue;
            }
        }
        out += e == 'n' ? u'\n' : e == 'r' ? u'\r' : e == 't' ? u'\t' : static_cast<char16_t>(static_cast<unsigned char>(e));
    }
    return platform::utf16ToUtf8(out);
}

namespace {

// How each family writes "native.properties".
struct NativePropertiesPolicy {
    bool slashes;                // nativeJvmHomeDir written with "/" for "\"
    bool tempMarkerOnlyAtStart;  // "[$AppDir]" counts only at the start of the install directory
};

const NativePropertiesPolicy& nativePropertiesPolicy(Family family) {
    static const NativePropertiesPolicy windows{.slashes = true, .tempMarkerOnlyAtStart = true};
    static const NativePropertiesPolicy posix{.slashes = false, .tempMarkerOnlyAtStart = false};
    return byFamily(family, windows, posix, posix);
}

}  // namespace

std::string nativePropertiesText(Family family, std::string_view jvmHome, bool installed,
                                 std::string_view installDirText, bool configureRegistry) {
    const NativePropertiesPolicy& policy = nativePropertiesPolicy(family);
    std::string home(jvmHome);
    if (policy.slashes)
        for (char& c : home)
            if (c == '\\') c = '/';
    std::string text = "nativeJvmHomeDir=" + escapeJavaProperty(home) + "\n";
    text += std::string("nativeJvmInstalled=") + (installed ? "true" : "false") + "\n";
    const std::string marker = "[$AppDir]";
    bool inTemp = policy.tempMarkerOnlyAtStart ? installDirText.substr(0, marker.size()) == marker
                                            : installDirText.find(marker) != std::string_view::npos;
    if (!installed) {
        text += "nativeJvmInstalledInTemp=false\n";
    } else if (!installDirText.empty()) {
        text += std::string("nativeJvmInstalledInTemp=") + (inTemp ? "true" : "false") + "\n";
    }
    text += std::string("configureWinRegistry=") + (configureRegistry ? "true" : "false") + "\n";
    return text;
}

namespace {

// The installer wrote these lines itself: they are read whole, so a long JVM
// home comes back as it was written, never cut to a shorter name.
constexpr size_t kWholeLines = static_cast<size_t>(-1);

}  // namespace

NativeProperties parseNativeProperties(std::string_view text, Family family) {
    NativeProperties out;
    const bool slashes = nativePropertiesPolicy(family).slashes;
    splitLines(withLineFeeds(text), kWholeLines, [&](std::string& raw) {
        std::string line = unescapeJavaProperty(raw);
        if (slashes)
            for (char& c : line)
                if (c == '/') c = '\\';
        if (auto v = prefixValue(line, "nativeJvmHomeDir")) {
            out.jvmHome = *v;
        } else if (auto v = prefixValue(line, "nativeJvmInstalledInTemp")) {
            out.installedInTemp = *v;
        } else if (auto v = prefixValue(line, "nativeTempJvmDir")) {
            out.tempJvmDir = *v;
        } else if (auto v = prefixValue(line, "configureWinRegistry")) {
            out.registryGiven = true;
            out.configureRegistry = isYes(*v);
        }
        return true;
    });
    return out;
}

}  // namespace qrl
