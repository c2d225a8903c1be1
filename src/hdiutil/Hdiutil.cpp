#include "hdiutil/Hdiutil.h"

#include "hdiutil/Commands.h"

#include <functional>
#include <exception>
#include <map>
#include <new>

namespace vorlap::hdiutil {

namespace {

const char* const usage =
    "Usage: hdiutil <verb> <options>\n"
    "Disk images in user space: HFS+ volumes in read/write (UDRW), read-only (UDRO) and\n"
    "compressed (UDZO zlib, UDBZ bzip2, ULMO LZMA) images, attached by unpacking them\n"
    "into a folder.\n"
    "\n"
    "  create -size N{b|k|m|g|t} -fs HFS+ -volname NAME [-ov] PATH\n"
    "      a new read/write image holding an empty HFS+ volume (\".dmg\" is added to PATH)\n"
    "  attach PATH -mountpoint DIR [-nobrowse] [-readonly] [-noverify]\n"
    "      unpack the volume into DIR (created if missing; must be empty otherwise)\n"
    "  detach DIR [-force]\n"
    "      write DIR back into its read/write image, then remove DIR\n"
    "  convert PATH -format UDZO|UDBZ|ULMO|UDRO|UDRW -o OUT [-ov] [-imagekey zlib-level=N]\n"
    "      write the image in another format. UDZO's zlib-level N is libdeflate's level,\n"
    "      1 (fastest) to 12 (smallest, slow); the default 6 is smaller than zlib's 9 and\n"
    "      faster than zlib's 1. Built without libdeflate: zlib's 1 to 9 (10 to 12 are 9),\n"
    "      default 1. Other formats ignore it.\n"
    "\n"
    "Every verb takes -quiet (print nothing) and -help.\n";

using Verb = std::function<diskimage::Result<CommandResult>(const std::vector<std::string>&)>;

const std::map<std::string, Verb>& verbs()
{
    static const std::map<std::string, Verb> table = {
        {"create", createImage},
        {"attach", attachImage},
        {"detach", detachImage},
        {"convert", convertImage},
    };
    return table;
}

bool isHelp(const std::string& argument)
{
    return argument == "-help" || argument == "--help" || argument == "-h" || argument == "help";
}

// Whatever a verb throws becomes its failure: an exception that escapes main aborts
// without a word and can leave half-written state behind.
diskimage::Result<CommandResult> runVerb(const Verb& verb, const std::vector<std::string>& arguments)
{
    try {
        return verb(arguments);
    } catch (const std::bad_alloc&) {
        return diskimage::fail(diskimage::ErrorCode::outOfMemory, "out of memory");
    } catch (const std::exception& exception) {
        return diskimage::fail(diskimage::ErrorCode::system, std::string("unexpected error: ") + exception.what());
    }
}

} // namespace

bool wantsQuiet(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments)
        if (argument == "-quiet" || argument == "--quiet")
            return true;
    return false;
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty()) {
        err << usage;
        return 1;
    }
    const std::string& verbName = arguments[0];
    if (isHelp(verbName)) {
        out << usage;
        return 0;
    }
    const auto verb = verbs().find(verbName);
    if (verb == verbs().end()) {
        err << "hdiutil: unknown verb \"" << verbName << "\"\n" << usage;
        return 1;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    for (const std::string& argument : rest) {
        if (isHelp(argument)) {
            out << usage;
            return 0;
        }
    }
    const auto result = runVerb(verb->second, rest);
    if (!result) {
        if (!wantsQuiet(rest))
            err << "hdiutil: " << verbName << " failed - " << result.error().message << "\n";
        return 1;
    }
    if (!result->quiet) {
        out << result->output;
        if (!result->warning.empty())
            err << "hdiutil: " << verbName << ": " << result->warning << "\n";
    }
    return 0;
}

} // namespace vorlap::hdiutil
