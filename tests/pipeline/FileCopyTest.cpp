// The build's copy of the app into the attached folder: holes of sparse files stay holes,
// and as root every item keeps its owner.
#include "pipeline/FileOperations.h"
#include "support/ScratchDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace vorlap;
using namespace vorlap::test;

namespace {

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

QString q(const std::string& path) { return QString::fromStdString(path); }

} // namespace

TEST(FileCopy, SparseFilesKeepTheirHoles)
{
    constexpr off_t mib = 1 << 20;
    const struct {
        const char* name;
        std::vector<off_t> dataAt; // 4 KiB of data at each offset
        off_t length;
    } rows[] = {
        {"holes between and after", {0, 20 * mib}, 48 * mib},
        {"data at the end", {8 * mib, 48 * mib - 4096}, 48 * mib},
        {"only a hole", {}, 48 * mib},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const std::string source = dir.path("sparse"), copy = dir.path("copy");
        {
            const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(fd, 0);
            const std::string block(4096, 'x');
            for (const off_t at : row.dataAt)
                ASSERT_EQ(::pwrite(fd, block.data(), block.size(), at), 4096);
            ASSERT_EQ(::ftruncate(fd, row.length), 0);
            ::close(fd);
        }
        if (statOf(source).st_blocks * 512 >= row.length)
            GTEST_SKIP() << "the scratch file system keeps no holes";

        ASSERT_TRUE(files::copyRecursively(q(source), q(copy)));
        const struct stat st = statOf(copy);
        EXPECT_EQ(st.st_size, row.length);
        EXPECT_LE(st.st_blocks, statOf(source).st_blocks + 64) << "the holes were written out";
        QFile a(q(source)), b(q(copy));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_TRUE(a.readAll() == b.readAll());
    }
}

TEST(FileCopy, RootKeepsOwnersAndSetIdBits)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give items to other users";
    ScratchDir dir;
    const std::string from = dir.path("App.app"), to = dir.path("copy.app");
    ASSERT_EQ(::mkdir(from.c_str(), 0755), 0);
    QFile tool(q(from + "/tool"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly) && tool.write("#!/bin/sh\n") > 0);
    tool.close();
    ASSERT_EQ(::symlink("tool", (from + "/link").c_str()), 0);
    const struct {
        std::string item;
        uid_t uid;
        gid_t gid;
        mode_t mode; // 0 for the link
    } rows[] = {{"", 501, 20, 0750}, {"/tool", 502, 80, 06755}, {"/link", 503, 81, 0}};
    for (const auto& row : rows) {
        ASSERT_EQ(::lchown((from + row.item).c_str(), row.uid, row.gid), 0);
        if (row.mode)
            ASSERT_EQ(::chmod((from + row.item).c_str(), row.mode), 0);
    }
    ASSERT_TRUE(files::copyRecursively(q(from), q(to)));
    for (const auto& row : rows) {
        SCOPED_TRACE("copy" + row.item);
        const struct stat st = statOf(to + row.item);
        EXPECT_EQ(st.st_uid, row.uid);
        EXPECT_EQ(st.st_gid, row.gid);
        if (row.mode)
            EXPECT_EQ(st.st_mode & 07777, row.mode);
    }
}
