#pragma once
// The "resource-fork" property list of a UDIF image: its "blkx" entries (one per
// block table, with the table's name and its binary "mish" data), written the way
// macOS's disk-image tool writes them and read back from any well-formed image.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlap::diskimage::udif {

inline constexpr size_t kMaxBlockTables = 4096;

struct BlkxEntry {
    std::string name;                  // "whole disk (Apple_HFS : 0)"
    std::string id = "0";              // decimal text, "-1" for a partition map's first table
    std::string attributes = "0x0050";
    std::vector<uint8_t> data;         // the binary block table
};

// The whole document, ending right after "</plist>\n": keys in the order Apple's
// writer uses (Name after Data in every entry), base64 in indented 44-column lines,
// and an empty "plst" entry.
std::string writeResourceForkPlist(const std::vector<BlkxEntry>& tables);

// The blkx entries in document order. Fails when the document is not a property
// list, lacks resource-fork/blkx, holds an entry without Data, or more than
// kMaxBlockTables entries.
Result<std::vector<BlkxEntry>> readResourceForkPlist(std::string_view xml);

} // namespace vorlap::diskimage::udif
