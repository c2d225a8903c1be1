#pragma once
// Helpers of the HFS+ tests: files, and a structural checker that walks an image we
// wrote and asserts what fsck_hfs verifies.
//
// The checker decodes with our own decoders (VolumeHeader, BTreeNode, CatalogRecords,
// AllocationBitmap): a field both our writer and our decoder get wrong the same way
// passes it. What it cannot catch is left to readers that are not ours: 7-Zip and
// libfshfs (VolumeRoundTripTest, UdzoWriterTest, the end-to-end build) and the Linux
// kernel's hfsplus driver (kernel-hfsplus-check), which must all read every image too.
#include "support/ScratchDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::test::hfs {

using vorlap::test::folderEntries;
using vorlap::test::ScratchDir;

void writeFile(const std::string& path, const std::string& content, unsigned mode = 0644);
std::string readFile(const std::string& path);
void makeFolder(const std::string& path, unsigned mode = 0755);
void makeSymlink(const std::string& target, const std::string& path);
void setModificationTime(const std::string& path, int64_t seconds);
// Bytes that differ from file to file and block to block (not compressible to nothing).
std::string patternBytes(size_t size, uint32_t seed);

// The problems found in the HFS+ volume of a raw image; empty when consistent:
// headers, allocation bitmap, each B-tree's nodes, links, map and header record, key
// order, index keys, catalog threads, valences, counts and catalog node IDs.
std::vector<std::string> checkVolumeStructure(const std::string& imagePath);

// The same checks on one B-tree file with keys ordered byte by byte; also the number
// of leaf records reached from the root.
struct BTreeCheck {
    std::vector<std::string> problems;
    size_t leafRecords = 0;
};
BTreeCheck checkBTreeStructure(const std::vector<uint8_t>& file, uint16_t maxKeyLength, uint32_t attributes,
                               uint32_t blockSize);

} // namespace vorlap::test::hfs
