// Where the macOS installer finds its kit and its start folder. A kit shipped
// as an application bundle (NAME.app, the installer as its executable in
// Contents/MacOS) keeps its files in Contents/Resources, and the user's folder
// is the one that holds the bundle: the logs go there.
#pragma once

#include <string>
#include <string_view>

namespace qrl {

struct MacPlaces {
    std::string kitDir;
    std::string startDir;
};

// The places for a program that lies in `programDir`: inside a bundle
// (".../NAME.app/Contents/MacOS" with a "Resources" folder beside it) the
// bundle's Resources and the folder holding NAME.app; elsewhere `programDir`
// for both.
MacPlaces macPlaces(std::string_view programDir);

}  // namespace qrl
