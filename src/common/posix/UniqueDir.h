#pragma once
// An open directory stream, closed however its scope is left.
#include <memory>

#include <dirent.h>

namespace vorlap::posix {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

using UniqueDir = std::unique_ptr<DIR, DirCloser>;

} // namespace vorlap::posix
