#pragma once
// The arguments of one verb: options (with or without a value) in any order around
// the positional arguments, as the disk-image tool takes them.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vorlap::hdiutil {

struct VerbSyntax {
    std::set<std::string> valueOptions; // "-size", "-o", ...
    std::set<std::string> flags;        // "-quiet", "-ov", ...
    size_t positionals = 1;             // exactly this many
};

struct ParsedArguments {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positionals;

    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
    const std::string* value(const std::string& option) const
    {
        const auto it = values.find(option);
        return it == values.end() ? nullptr : &it->second;
    }
};

// Fails naming the first argument that does not fit the syntax. Options are
// case-insensitive and may be written with one or two leading dashes.
diskimage::Result<ParsedArguments> parseArguments(const std::vector<std::string>& arguments, const VerbSyntax& syntax);

// SOURCE_DATE_EPOCH from the environment: the moment create, detach and convert make
// their output reproducible at; nullopt when unset. A malformed value fails.
diskimage::Result<std::optional<int64_t>> sourceDateEpoch();

} // namespace vorlap::hdiutil
