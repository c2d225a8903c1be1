#include "hdiutil/MountPoint.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace vorlap::hdiutil {

namespace fs = std::filesystem;

diskimage::Result<bool> prepareMountPoint(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return diskimage::failWithErrno(path);
        std::error_code error;
        fs::create_directories(path, error);
        if (error)
            return diskimage::failWithSystemError(path, error);
        return true;
    }
    if (!S_ISDIR(st.st_mode))
        return diskimage::fail(diskimage::ErrorCode::invalidArgument, path + ": mount point is not a folder");
    std::error_code error;
    if (!fs::is_empty(path, error) || error)
        return diskimage::fail(diskimage::ErrorCode::busy, path + ": mount point is in use (the folder is not empty)");
    return false;
}

namespace {

// A partial or read-only tree may hold folders without write or search permission for
// their owner, which would stop the removal halfway.
void makeRemovable(const std::string& folder)
{
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->symlink_status(ignored).type() == fs::file_type::directory)
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ignored);
    }
}

} // namespace

std::error_code discardMountPoint(const Attachment& attachment)
{
    std::error_code error;
    const fs::perms mode = fs::status(attachment.mountPoint, error).permissions();
    if (error)
        return error;
    fs::permissions(attachment.mountPoint, fs::perms::owner_all, fs::perm_options::add, error);
    makeRemovable(attachment.mountPoint);
    if (attachment.createdMountPoint) {
        fs::remove_all(attachment.mountPoint, error);
        return error;
    }
    for (const auto& entry : fs::directory_iterator(attachment.mountPoint, error))
        fs::remove_all(entry.path(), error);
    // The user's own folder is left as it was found.
    std::error_code ignored;
    fs::permissions(attachment.mountPoint, mode, fs::perm_options::replace, ignored);
    return error;
}

} // namespace vorlap::hdiutil
