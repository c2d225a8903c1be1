// Image sizing held against the volumes our own tool builds, the short content hash and
// quiet removal.
#include "pipeline/DMGBuilder.h"
#include "pipeline/ImageSizing.h"
#include "pipeline/RemoveQuietly.h"
#include "pipeline/ShortHash.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <limits>


using namespace vorlap;
using namespace vorlap::test;

namespace {

// A file of `size` bytes; large sizes are sparse and cost no disk space.
QString sparseFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size)) << path.toStdString();
    return path;
}

// The used bytes of the HFS+ volume inside a raw disk: (total - free blocks) x block size,
// read from the first volume header found at a sector boundary.
qint64 usedVolumeBytes(const QByteArray& bytes)
{
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

TEST(ImageSizing, ContentBeyondAnyVolumeFailsClearly)
{
    // Sparse files of exabytes need a file system that allows them (tmpfs does).
    QTemporaryDir huge(QStringLiteral("/dev/shm/vorlap-sizing-XXXXXX"));
    const qint64 max = std::numeric_limits<qint64>::max();
    QFile probe(huge.filePath("probe"));
    if (!huge.isValid() || !probe.open(QIODevice::WriteOnly) || !probe.resize(max))
        GTEST_SKIP() << "no file system here allows files of 2^63 - 1 bytes";
    sparseFile(huge.filePath("Edge.app/a"), max - 5'000'000);
    const auto margin = imageSizeMegabytes(huge.filePath("Edge.app"), 0);
    ASSERT_FALSE(margin);
    EXPECT_EQ(margin.error().description(), "Build failed: The application, the background and the margin add up to "
                                            "more than 9223372036854775807 bytes.");
}

TEST(ShortHash, FirstEightDigestBytesInLowerCaseHex)
{
    // SHA-256 of no bytes is e3b0c442 98fc1c14 9afbf4c8 ...; of "abc" ba7816bf 8f01cfea ...
    EXPECT_EQ(shortHash({}), "e3b0c44298fc1c14");
    EXPECT_EQ(shortHash("abc"), "ba7816bf8f01cfea");
}

TEST(RemoveQuietly, TakesEverythingButFollowsNoLink)
{
    QTemporaryDir dir;
    const QString work = dir.filePath("work"), kept = sparseFile(dir.filePath("kept/precious"), 7);
    sparseFile(work + "/sub/deeper/file", 3);
    ASSERT_TRUE(QFile::link(dir.filePath("kept"), work + "/sub/link"));
    ASSERT_TRUE(QFile::link(dir.filePath("kept"), dir.filePath("link-to-kept")));
    for (const QString& path : {work, dir.filePath("link-to-kept"), dir.filePath("never-there"), QString()})
        removeQuietly(path);
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_FALSE(QFileInfo(dir.filePath("link-to-kept")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(kept));
}

TEST(ImageSizing, ManySmallFilesLongNamesAndBigFilesFitTheirImageWithoutWaste)
{
    BuildCorner corner(DiskTool::real);
    BuildConfig config;
    config.appPath = corner.path("Mixed.app");
    config.outputPath = corner.path("Mixed.dmg");
    config.volumeName = QStringLiteral("Sizing");
    config.windowSize = {540, 380};
    config.iconPositions = {{180, 190}, {360, 190}};
    const QString app = config.appPath, longName = QString(90, QChar(0x00E9)); // 2 bytes and 2 units each decomposed
    for (int i = 0; i < 5000; ++i)
        sparseFile(QStringLiteral("%1/Contents/Resources/d%2/f%3.txt").arg(app).arg(i / 500).arg(i), 1 + i % 7);
    for (int i = 0; i < 1500; ++i)
        sparseFile(QStringLiteral("%1/Contents/L%2/%3/%4-%5").arg(app).arg(i % 3).arg(i / 40).arg(i).arg(longName.left(60 + i % 27)),
                   (i * 7919) % 300'000);
    sparseFile(app + "/Contents/MacOS/Big", 24'000'000);
    for (int i = 0; i < 300; ++i)
        QDir().mkpath(QStringLiteral("%1/Contents/Empty/%2").arg(app).arg(i));
    // Links count their own length, never what they point at (1 GB here, outside the app).
    QFile::link(sparseFile(corner.path("outside/big"), 1'000'000'000), app + "/Contents/big-link");
    QFile::link(corner.path("outside"), app + "/Contents/folder-link");

    const auto built = DMGBuilder().build(config);
    ASSERT_TRUE(built) << built.error().description().toStdString();
    const ShellResult converted = runProgram({"dmg2img", "-i", config.outputPath.toStdString(), "-o", corner.path("raw.img").toStdString()});
    ASSERT_EQ(converted.exitCode, 0) << converted.output;
    const qint64 used = usedVolumeBytes(readFile(corner.path("raw.img")));
    ASSERT_GT(used, 0);
    const auto megabytes = imageSizeMegabytes(app, 0);
    ASSERT_TRUE(megabytes);
    EXPECT_LE(double(*megabytes) * 1048576, used * 1.10 + 16e6) << "used " << used;
}
