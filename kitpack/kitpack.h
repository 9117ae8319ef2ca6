// kitpack: turns a checked kit into the one file an end user downloads, for
// each family, made with the tools Debian ships for the purpose (makeself,
// makensis, zip) on this machine.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/family.h"

namespace qrl {

struct PackOptions {
    Family family = Family::Posix;
    std::string name;      // what the end user installs; names the Mac bundle
    std::string version;   // shown in the version resource and Info.plist
    std::string icon;      // .ico (Windows) or .icns (macOS)
    bool force = false;    // pack a kit with findings anyway
    bool jvmArchive = false;  // --jvm-archive: kitDir is a JVM folder, outFile its self-extracting archive
    std::string kitDir;
    std::string outFile;   // as given; ".exe" (Windows) or ".zip" (macOS) is added when missing
};

// The command line after the program name; nullopt with `error` set when it
// cannot be read.
std::optional<PackOptions> parsePackArgs(const std::vector<std::string>& args, std::string& error);

// The file the family's packer writes for `outFile`: ".exe" or ".zip" added
// when the name does not end in it already.
std::string packedFileName(Family family, const std::string& outFile);

// A product name usable as a file name and a bundle name: not empty, no
// path separator, no control character, not "." or "..".
bool isUsableName(std::string_view name);

// The four numbers of a Windows version resource taken from the leading
// digits of `version` ("2.5-beta" gives "2.5.0.0").
std::string fourPartVersion(std::string_view version);

// The makeself header of the POSIX wrapper (a shell script, run through
// makeself's --header).
std::string_view posixHeaderScript();

// The makeself header of a JVM archive: unpacks itself into the current
// directory, modes and links kept, silent unless it fails.
std::string_view jvmArchiveHeaderScript();

// The NSIS script of a Windows JVM archive: silent, unpacks `jvmDir`'s files
// into the current directory, exit status 0 on success.
std::string nsisJvmScript(const std::string& jvmDir, const std::string& outFile);

// The NSIS script of the Windows wrapper for a staged kit folder.
std::string nsisScript(const PackOptions& options, const std::string& kitDir, const std::string& outFile);

// The control file's text with "productName=NAME" added when it names no
// product of its own, so that the installer's windows carry the name the kit
// is packed under; unchanged when it names one.
std::string withProductName(std::string_view controlText, std::string_view name, Family family);

// The Info.plist of the Mac bundle.
std::string infoPlist(const PackOptions& options);

// The program `name` on the search path, or empty.
std::string findOnPath(const std::string& name);

// Packs the JVM folder `options.kitDir` into the self-extracting program a
// kit names in "jvmSelfExtractor". True when the file was written.
bool packJvmArchive(const PackOptions& options);

// Packs the kit as `options` says. Progress and failures go to the console;
// `programDir` is the folder holding kitpack (where unixloader is found when
// the kit lacks one). True when the file was written.
bool packKit(const PackOptions& options, const std::string& programDir);

}  // namespace qrl
