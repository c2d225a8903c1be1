#pragma once
// The folder tree a volume is written from: every item's name in both forms, its
// status and dates, read once before anything is written.
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/ItemKind.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::diskimage::hfsplus {

struct SourceItem {
    ItemKind kind = ItemKind::Folder;
    uint32_t parent = 0; // index of the parent item; the root is its own parent
    std::string name;    // as the file system has it (the root's is empty)
    std::u16string hfsName;
    uint64_t itemNumber = 0;
    uint32_t ownerId = 0;
    uint32_t groupId = 0;
    uint16_t mode = 0; // type and permission bits
    uint64_t size = 0; // data bytes: file length or link target length
    std::string linkTarget;
    int64_t createTime = 0; // birth time, or the modification time where there is none
    int64_t modifyTime = 0;
    int64_t changeTime = 0;
    int64_t accessTime = 0;
    std::vector<uint32_t> children; // in catalog order
};

struct SourceTree {
    std::vector<SourceItem> items; // items[0] is the root folder

    // The path of an item below `rootPath`.
    std::string pathOf(uint32_t index, const std::string& rootPath) const;
    // The item at `relativePath` ('/'-separated names below the root).
    Result<uint32_t> find(const std::string& relativePath) const;
};

// Reads the tree below `folder` without following symbolic links. Items are numbered
// breadth first, each folder's names in byte order, so the numbering depends on the
// names alone and not on the order the file system lists them in. Fails on items
// HFS+ cannot hold (sockets, devices, FIFOs), unconvertible or over-long names, and
// names one folder holds twice in the volume's case-insensitive order.
Result<SourceTree> scanSourceTree(const std::string& folder);

// A tree with only a root folder, for an empty volume; its dates are `now`.
SourceTree emptySourceTree(int64_t now);

} // namespace vorlap::diskimage::hfsplus
