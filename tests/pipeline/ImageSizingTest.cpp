// Image sizing, the short content hash and quiet removal.
#include "pipeline/DMGBuilder.h"
#include "pipeline/ImageSizing.h"
#include "pipeline/RemoveQuietly.h"
#include "pipeline/ShortHash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "support/Shell.h"

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <limits>

#include <unistd.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class ImageSizingTest : public ::testing::Test {
protected:
    // A file of `size` bytes; large sizes are sparse and cost no disk space.
    QString file(const QString& relative, qint64 size, const QString& base = {})
    {
        const QString path = QDir(base.isEmpty() ? dir.path() : base).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        EXPECT_TRUE(f.resize(size)) << path.toStdString();
        return path;
    }

    QString folder(const QString& relative)
    {
        const QString path = dir.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    static qint64 size(const QString& path)
    {
        const auto result = directorySize(path);
        EXPECT_TRUE(result) << result.error().description().toStdString();
        return result ? *result : -1;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ImageSizingTest, CountsFileBytesOfEveryEntryWithoutFollowingLinks)
{
    const QString app = folder("Demo.app");
    file("Demo.app/Contents/MacOS/Demo", 1);
    file("Demo.app/Contents/.hidden", 10);
    file("Demo.app/Contents/Frameworks/Kit.framework/Versions/A/Kit", 100);
    folder("Demo.app/Contents/Resources/Empty.bundle");
    // Links count their own length (the target text), not what they point at.
    const QString outside = folder("outside");
    file("outside/big", 1'000'000);
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(app + "/Contents/dir-link").constData()), 0);
    ASSERT_EQ(::symlink("../../outside/big", QFile::encodeName(app + "/Contents/file-link").constData()), 0);
    const qint64 links = QFile::encodeName(outside).size() + qint64(sizeof "../../outside/big" - 1);

    EXPECT_EQ(size(app), 111 + links);
    EXPECT_EQ(size(dir.filePath("missing")), 0);
    EXPECT_EQ(size(folder("empty")), 0);
    EXPECT_EQ(size(file("plain.app", 1234)), 1234); // a file in the folder's place counts itself
}

TEST_F(ImageSizingTest, UnreadableFoldersAreSkipped)
{
    const QString app = folder("Locked.app");
    file("Locked.app/open", 5);
    file("Locked.app/secret/inside", 500);
    QFile::setPermissions(app + "/secret", QFileDevice::Permissions());
    if (::geteuid() != 0) {
        EXPECT_EQ(size(app), 5);
    } else {
        // Root reads every folder: measure as an ordinary user ("nobody") in a child.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
            const auto measured = directorySize(app);
            ::_exit(!dropped ? 2 : measured && *measured == 5 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 2) << "could not become an ordinary user";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the unreadable folder was not skipped";
    }
    QFile::setPermissions(app + "/secret", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ImageSizingTest, SumsBeyondSixtyFourBitsFailClearly)
{
    // Sparse files of exabytes need a file system that allows them (tmpfs does).
    QTemporaryDir huge(QStringLiteral("/dev/shm/vorlap-sizing-XXXXXX"));
    if (!huge.isValid())
        GTEST_SKIP() << "no /dev/shm";
    const qint64 max = std::numeric_limits<qint64>::max();
    QFile probe(huge.filePath("probe"));
    if (!probe.open(QIODevice::WriteOnly) || !probe.resize(max))
        GTEST_SKIP() << "this file system does not allow files of 2^63 - 1 bytes";
    probe.close();
    QFile::remove(huge.filePath("probe"));

    file("Over.app/a", max / 2 + 1, huge.path());
    file("Over.app/b", max / 2 + 1, huge.path());
    const auto over = directorySize(huge.filePath("Over.app"));
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().description(), "Build failed: The files in " + huge.filePath("Over.app")
                                              + " add up to more than 9223372036854775807 bytes.");

    file("Edge.app/a", max - 5'000'000, huge.path());
    EXPECT_EQ(directorySize(huge.filePath("Edge.app")).value_or(-1), max - 5'000'000);
    const auto margin = imageSizeMegabytes(huge.filePath("Edge.app"), 0);
    ASSERT_FALSE(margin);
    EXPECT_TRUE(margin.error().description().startsWith("Build failed: ")) << margin.error().description().toStdString();
}

TEST(ShortHash, FirstEightDigestBytesInLowerCaseHex)
{
    // SHA-256 of no bytes is e3b0c442 98fc1c14 9afbf4c8 ...; of "abc" ba7816bf 8f01cfea ...
    EXPECT_EQ(shortHash({}), "e3b0c44298fc1c14");
    EXPECT_EQ(shortHash("abc"), "ba7816bf8f01cfea");
}

TEST_F(ImageSizingTest, RemoveQuietlyTakesEverythingButFollowsNoLink)
{
    const QString work = folder("work");
    file("work/sub/deeper/file", 3);
    const QString kept = file("kept/precious", 7);
    ASSERT_EQ(::symlink(QFile::encodeName(dir.filePath("kept")).constData(),
                        QFile::encodeName(work + "/sub/link").constData()), 0);

    removeQuietly(work);
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_TRUE(QFileInfo::exists(kept));

    const QString link = dir.filePath("link-to-kept");
    ASSERT_EQ(::symlink(QFile::encodeName(dir.filePath("kept")).constData(), QFile::encodeName(link).constData()), 0);
    removeQuietly(link);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(kept));

    removeQuietly(dir.filePath("never-there"));
    removeQuietly(QString());
}

namespace {

// The used bytes of the HFS+ volume inside a raw disk: (total - free blocks) x block size,
// read from the first volume header found at a sector boundary.
qint64 usedVolumeBytes(const QString& rawPath)
{
    QFile raw(rawPath);
    if (!raw.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = raw.readAll();
    for (qsizetype at = 0; at + 1024 + 64 <= bytes.size(); at += 512) {
        const char* header = bytes.constData() + at + 1024;
        if (header[0] == 'H' && header[1] == '+' && header[2] == 0 && header[3] == 4) {
            const auto u32 = [&](int offset) { return qint64(qFromBigEndian<quint32>(header + offset)); };
            return (u32(0x2C) - u32(0x30)) * u32(0x28);
        }
    }
    return -1;
}

} // namespace

TEST_F(ImageSizingTest, ManySmallFilesAndBigMixedTreesFitTheirImageWithoutWaste)
{
    struct Case {
        const char* name;
        std::function<void(const QString& app)> fill;
    };
    const QString longName = QString(90, QChar(0x00E9)); // 2 bytes each, and 2 units each once decomposed
    const std::vector<Case> cases = {
        {"5,000 tiny files", [&](const QString& app) {
             for (int i = 0; i < 5000; ++i)
                 file(QStringLiteral("%1/Contents/Resources/d%2/f%3.txt").arg(app).arg(i / 500).arg(i), 1 + i % 7);
         }},
        {"big mixed tree", [&](const QString& app) {
             for (int i = 0; i < 1500; ++i)
                 file(QStringLiteral("%1/Contents/L%2/%3/%4-%5").arg(app).arg(i % 3).arg(i / 40).arg(i).arg(longName.left(60 + i % 27)),
                      (i * 7919) % 300'000);
             file(app + "/Contents/MacOS/Big", 24'000'000);
             for (int i = 0; i < 300; ++i)
                 QDir().mkpath(QStringLiteral("%1/Contents/Empty/%2").arg(app).arg(i));
         }},
    };
    const std::pair<const char*, QByteArray> environment[] = {
        {"PATH", QByteArray(VORLAP_BIN_DIR) + ':' + qgetenv("PATH")},
        {"TMPDIR", QFile::encodeName(dir.filePath("tmp"))},
        {"XDG_STATE_HOME", QFile::encodeName(dir.filePath("state"))}};
    std::vector<std::pair<const char*, QByteArray>> saved;
    for (const auto& [name, value] : environment) {
        saved.emplace_back(name, qgetenv(name));
        qputenv(name, value);
    }
    QDir().mkpath(dir.filePath("tmp"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString app = dir.filePath(QStringLiteral("%1.app").arg(QString::fromLatin1(c.name).left(3)));
        c.fill(app);
        BuildConfig config;
        config.appPath = app;
        config.outputPath = app + ".dmg";
        config.volumeName = QStringLiteral("Sizing");
        config.windowSize = {540, 380};
        config.iconPositions = {{180, 190}, {360, 190}};
        const auto built = DMGBuilder().build(config);
        ASSERT_TRUE(built) << built.error().description().toStdString();

        const QString raw = app + ".img";
        const ShellResult converted = runProgram({"dmg2img", "-i", config.outputPath.toStdString(), "-o", raw.toStdString()});
        ASSERT_EQ(converted.exitCode, 0) << converted.output;
        const qint64 used = usedVolumeBytes(raw);
        ASSERT_GT(used, 0);
        const auto megabytes = imageSizeMegabytes(app, 0);
        ASSERT_TRUE(megabytes);
        EXPECT_LE(double(*megabytes) * 1048576, used * 1.10 + 16e6) << "used " << used;
        QFile::remove(raw);
    }
    for (const auto& [name, value] : saved)
        qputenv(name, value);
}
