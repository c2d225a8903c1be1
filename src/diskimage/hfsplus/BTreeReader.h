#pragma once
// Reads the leaf records of a B-tree file held in memory, following the leaf chain
// from the first leaf and refusing cycles, foreign node kinds and damaged nodes.
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/BTreeNode.h"

#include <functional>
#include <vector>

namespace vorlap::diskimage::hfsplus {

// `treeName` names the tree in error messages ("catalog", "extents overflow file").
Result<BTreeHeaderRecord> forEachLeafRecord(const std::vector<uint8_t>& file, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit);

} // namespace vorlap::diskimage::hfsplus
