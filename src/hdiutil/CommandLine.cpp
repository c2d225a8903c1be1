#include "hdiutil/CommandLine.h"

#include "common/SourceDateEpoch.h"

#include <algorithm>
#include <cctype>

namespace vorlap::hdiutil {

namespace {

std::string optionName(const std::string& argument)
{
    std::string name = argument.rfind("--", 0) == 0 ? argument.substr(1) : argument;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

} // namespace

diskimage::Result<ParsedArguments> parseArguments(const std::vector<std::string>& arguments, const VerbSyntax& syntax)
{
    ParsedArguments parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 1 && argument[0] == '-') {
            const std::string name = optionName(argument);
            if (syntax.flags.count(name)) {
                parsed.flags.insert(name);
            } else if (syntax.valueOptions.count(name)) {
                if (i + 1 >= arguments.size())
                    return diskimage::fail(diskimage::ErrorCode::invalidArgument,
                                           "option " + argument + " needs a value");
                if (parsed.values.count(name))
                    return diskimage::fail(diskimage::ErrorCode::invalidArgument,
                                           "option " + argument + " given twice");
                parsed.values[name] = arguments[++i];
            } else {
                return diskimage::fail(diskimage::ErrorCode::invalidArgument, "unknown option " + argument);
            }
        } else {
            parsed.positionals.push_back(argument);
        }
    }
    if (parsed.positionals.size() != syntax.positionals) {
        if (parsed.positionals.size() < syntax.positionals)
            return diskimage::fail(diskimage::ErrorCode::invalidArgument, "missing image or folder argument");
        return diskimage::fail(diskimage::ErrorCode::invalidArgument,
                               "unexpected argument " + parsed.positionals[syntax.positionals]);
    }
    return parsed;
}

diskimage::Result<std::optional<int64_t>> sourceDateEpoch()
{
    const SourceDateEpoch epoch = sourceDateEpochFromEnvironment();
    if (!epoch.error.empty())
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, epoch.error);
    return epoch.seconds;
}

} // namespace vorlap::hdiutil
