#pragma once
// The verbs of our disk-image tool. Each takes the arguments after the verb and
// returns what it prints on success, or the reason it failed.
#include "diskimage/DiskImageError.h"

#include <string>
#include <vector>

namespace vorlap::hdiutil {

struct CommandResult {
    std::string output; // printed unless -quiet
    bool quiet = false;
    std::string warning; // printed on the error stream unless -quiet: it succeeded, but not wholly
};

// create -size N{b,k,m,g,t} -fs HFS+ -volname NAME [-ov] [-type UDIF] [-layout NONE] PATH
diskimage::Result<CommandResult> createImage(const std::vector<std::string>& arguments);
// attach PATH -mountpoint DIR [-nobrowse] [-readonly] [-noverify]
diskimage::Result<CommandResult> attachImage(const std::vector<std::string>& arguments);
// detach DIR [-force]
diskimage::Result<CommandResult> detachImage(const std::vector<std::string>& arguments);
// convert PATH -format UDZO|UDRW -o OUT [-ov]
diskimage::Result<CommandResult> convertImage(const std::vector<std::string>& arguments);

// Whether -quiet is among the arguments (it silences errors too).
bool wantsQuiet(const std::vector<std::string>& arguments);

} // namespace vorlap::hdiutil
