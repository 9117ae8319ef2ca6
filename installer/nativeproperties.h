// "native.properties": how the installer tells the Java wizard about its
// JVM, and what it reads back after the wizard.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"

namespace qrl {

inline constexpr const char* kNativeProperties = "native.properties";

// What "native.properties" says, written the way Java reads properties files.
std::string nativePropertiesText(Family family, std::string_view jvmHome, bool installed,
                                 std::string_view installDirText, bool configureRegistry);
// A value written for a Java properties file: "\" doubled, a leading blank
// escaped, letters beyond ASCII as \uXXXX.
std::string escapeJavaProperty(std::string_view value);
// The reverse of escapeJavaProperty for one line read back.
std::string unescapeJavaProperty(std::string_view line);

// What the installer reads back from "native.properties" after the wizard
// (which may have moved the JVM and said so), from the file's text as read
// (CR LF ends too); Windows paths get "\" for "/".
struct NativeProperties {
    std::string jvmHome;          // nativeJvmHomeDir
    std::string installedInTemp;  // nativeJvmInstalledInTemp
    std::string tempJvmDir;       // nativeTempJvmDir
    bool configureRegistry = true;
    bool registryGiven = false;   // a configureWinRegistry line was there
};
NativeProperties parseNativeProperties(std::string_view text, Family family);

}  // namespace qrl
