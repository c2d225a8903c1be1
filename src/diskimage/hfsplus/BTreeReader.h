#pragma once
// Reads the leaf records of a B-tree file, following the leaf chain from the first
// leaf and refusing cycles, foreign node kinds and damaged nodes. Nodes are read one
// at a time, so memory follows the nodes actually linked, never the size a
// (possibly hostile) fork claims.
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/BTreeNode.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlap::diskimage::hfsplus {

// Fills `out` with `length` bytes of the tree file from `offset`.
using TreeFileRead = std::function<Result<void>(uint64_t offset, uint8_t* out, size_t length)>;

// `fileSize` is the tree file's logical size; the header node must account for all of it.
// `treeName` names the tree in error messages ("catalog", "extents overflow file").
Result<BTreeHeaderRecord> forEachLeafRecord(uint64_t fileSize, const TreeFileRead& read, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit);

// The same for a tree file held in memory.
Result<BTreeHeaderRecord> forEachLeafRecord(const std::vector<uint8_t>& file, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit);

} // namespace vorlap::diskimage::hfsplus
