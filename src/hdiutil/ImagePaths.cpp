#include "hdiutil/ImagePaths.h"

#include <sys/stat.h>

namespace vorlap::hdiutil {

std::string withImageExtension(const std::string& path)
{
    static const std::string extension = ".dmg";
    if (path.size() >= extension.size() && path.compare(path.size() - extension.size(), extension.size(), extension) == 0)
        return path;
    return path + extension;
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace vorlap::hdiutil
