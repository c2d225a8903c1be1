#include "diskimage/hfsplus/SourceTree.h"

#include "common/posix/UniqueDir.h"
#include "diskimage/hfsplus/UnicodeName.h"
#include "platform/ItemMetadata.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::diskimage::hfsplus {

namespace {

const char* unsupportedKind(mode_t mode)
{
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISCHR(mode))
        return "a character device";
    return "an item of unknown type";
}

Result<void> fillFromStatus(SourceItem& item, const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return failWithErrno(path);
    if (S_ISDIR(st.st_mode))
        item.kind = ItemKind::Folder;
    else if (S_ISREG(st.st_mode))
        item.kind = ItemKind::File;
    else if (S_ISLNK(st.st_mode))
        item.kind = ItemKind::Symlink;
    else
        return fail(ErrorCode::unsupported,
                    path + " is " + unsupportedKind(st.st_mode) + ", which an HFS+ volume cannot hold");
    item.itemNumber = static_cast<uint64_t>(st.st_ino);
    item.ownerId = st.st_uid;
    item.groupId = st.st_gid;
    item.mode = static_cast<uint16_t>(st.st_mode & 0xFFFF);
    item.modifyTime = st.st_mtim.tv_sec;
    item.changeTime = st.st_ctim.tv_sec;
    item.accessTime = st.st_atim.tv_sec;
    const auto birth = platform::creationTime(path);
    item.createTime = birth ? birth->seconds : item.modifyTime;
    if (item.kind == ItemKind::File) {
        item.size = static_cast<uint64_t>(st.st_size);
    } else if (item.kind == ItemKind::Symlink) {
        std::string target(static_cast<size_t>(std::max<off_t>(st.st_size, 0)) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            if (n < 0)
                return failWithErrno(path);
            if (static_cast<size_t>(n) < target.size()) {
                target.resize(static_cast<size_t>(n));
                break;
            }
            target.resize(target.size() * 2);
        }
        item.linkTarget = std::move(target);
        item.size = item.linkTarget.size();
    }
    return {};
}

Result<std::vector<std::string>> listFolder(const std::string& path)
{
    posix::UniqueDir dir(::opendir(path.c_str()));
    if (!dir)
        return failWithErrno(path);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                return failWithErrno(path);
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string SourceTree::pathOf(uint32_t index, const std::string& rootPath) const
{
    std::vector<uint32_t> chain;
    for (uint32_t i = index; i != 0; i = items[i].parent)
        chain.push_back(i);
    std::string path = rootPath;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path += "/" + items[*it].name;
    return path;
}

Result<uint32_t> SourceTree::find(const std::string& relativePath) const
{
    uint32_t index = 0;
    size_t start = 0;
    while (start < relativePath.size()) {
        const size_t end = std::min(relativePath.find('/', start), relativePath.size());
        const std::string name = relativePath.substr(start, end - start);
        const auto& children = items[index].children;
        const auto found =
            std::find_if(children.begin(), children.end(), [&](uint32_t c) { return items[c].name == name; });
        if (found == children.end())
            return fail(ErrorCode::notFound, relativePath + ": no such item in the folder");
        index = *found;
        start = end + 1;
    }
    return index;
}

Result<SourceTree> scanSourceTree(const std::string& folder)
{
    SourceTree tree;
    tree.items.emplace_back();
    VORLAP_TRY(fillFromStatus(tree.items[0], folder));
    if (tree.items[0].kind != ItemKind::Folder)
        return fail(ErrorCode::invalidArgument, folder + " is not a folder");

    // Breadth-first: items of one folder are consecutive, folders are read in order.
    for (uint32_t index = 0; index < tree.items.size(); ++index) {
        if (tree.items[index].kind != ItemKind::Folder)
            continue;
        const std::string path = tree.pathOf(index, folder);
        VORLAP_TRY_LET(names, listFolder(path));
        std::vector<uint32_t> children;
        for (std::string& name : names) {
            SourceItem item;
            item.parent = index;
            auto hfsName = hfsNameFromUtf8(name);
            if (!hfsName)
                return failWithin(path + "/" + name + ": ", hfsName.error());
            item.hfsName = std::move(*hfsName);
            item.name = std::move(name);
            VORLAP_TRY(fillFromStatus(item, path + "/" + item.name));
            children.push_back(static_cast<uint32_t>(tree.items.size()));
            tree.items.push_back(std::move(item));
        }
        std::sort(children.begin(), children.end(), [&](uint32_t a, uint32_t b) {
            return compareHfsNames(tree.items[a].hfsName, tree.items[b].hfsName) < 0;
        });
        for (size_t i = 1; i < children.size(); ++i) {
            const SourceItem& a = tree.items[children[i - 1]];
            const SourceItem& b = tree.items[children[i]];
            if (compareHfsNames(a.hfsName, b.hfsName) == 0)
                return fail(ErrorCode::invalidArgument,
                            path + ": the names \"" + a.name + "\" and \"" + b.name +
                                "\" differ only in case, which an HFS+ volume cannot hold in one folder");
        }
        tree.items[index].children = std::move(children);
    }
    return tree;
}

SourceTree emptySourceTree(int64_t now)
{
    SourceTree tree;
    SourceItem root;
    root.mode = S_IFDIR | 0755;
    root.ownerId = static_cast<uint32_t>(::getuid());
    root.groupId = static_cast<uint32_t>(::getgid());
    root.createTime = root.modifyTime = root.changeTime = root.accessTime = now;
    tree.items.push_back(std::move(root));
    return tree;
}

} // namespace vorlap::diskimage::hfsplus
