#pragma once
// A named run of sectors on a virtual disk: a block table of a UDIF image, an entry
// of the partition map of a raw disk, or the whole disk.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlap::diskimage {

struct Partition {
    std::string name;         // "disk image (Apple_HFS : 4)"
    std::string type;         // the part in parentheses before " : ": "Apple_HFS"
    std::string id;           // the image's ID for it ("-1", "0", ...), or the map entry number
    uint64_t firstSector = 0; // 512-byte sectors on the virtual disk
    uint64_t sectorCount = 0;

    uint64_t offset() const { return firstSector * 512; }
    uint64_t length() const { return sectorCount * 512; }
};

// A disk of `bytes` bytes as one partition: "whole disk", ID "0", no type.
Partition wholeDiskPartition(uint64_t bytes);

// "disk image (Apple_HFS : 4)" from its parts, as macOS names block tables.
std::string partitionName(const std::string& label, const std::string& type, const std::string& id);

// "Apple_HFS" from "disk image (Apple_HFS : 4)". The label before the parenthesis is
// localised by the machine that made the image, so only the last parenthesised
// part counts. Empty when there is none.
std::string partitionTypeFromName(std::string_view name);

} // namespace vorlap::diskimage
