#pragma once
// The kinds of item an HFS+ volume holds for us, the same whether written from a folder
// or read back from an image.

namespace vorlap::diskimage::hfsplus {

enum class ItemKind { Folder, File, Symlink };

} // namespace vorlap::diskimage::hfsplus
