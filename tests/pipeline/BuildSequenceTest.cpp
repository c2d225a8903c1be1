// DMGBuilder::build against a stand-in disk-image tool: the order of steps, the tool's
// exact arguments, what lands in the volume, progress, failures and clean-up.
#include "pipeline/BackgroundImageRenderer.h"
#include "pipeline/DMGBuilder.h"
#include "dsstore/DSStoreReader.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class BuildSequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The sample application also carries a hidden file and a link.
        writeFile(path("in/Sample.app/Contents/Resources/.hidden"), "h");
        QFile::link("../MacOS/Sample", path("in/Sample.app/Contents/Resources/link"));

        config.appPath = corner.appPath();
        config.outputPath = path("out/Sample.dmg");
        config.volumeName = QStringLiteral("Sample");
        config.windowSize = {540, 380};
        config.iconPositions = {{180, 190}, {360, 190}};
        config.iconSize = 128;
        builder.onProgress = [this](const QString& message) { progress << message; };
    }

    QString path(const QString& relative) const { return corner.path(relative); }
    void write(const QString& relative, const QByteArray& bytes) const { writeFile(path(relative), bytes); }

    // The finished image (a tar archive for the stand-in tool) unpacked.
    QString unpackOutput()
    {
        QDir().mkpath(path("volume"));
        const ShellResult tar = runProgram({"tar", "-xpf", config.outputPath.toStdString(), "-C", path("volume").toStdString()});
        EXPECT_EQ(tar.exitCode, 0) << tar.output;
        return path("volume");
    }

    QStringList calls() const
    {
        QFile log(path("state/calls.log"));
        log.open(QIODevice::ReadOnly);
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // What is left in the temporary directory: work folders and mount points.
    QStringList leftovers() const
    {
        QStringList found;
        QDirIterator it(path("tmp"), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next().mid(path("tmp").size());
        found.removeAll(QStringLiteral("/Volumes"));
        return found;
    }

    QString failureText(const Expected<void, PipelineError>& result) const
    {
        return result ? QStringLiteral("<succeeded>") : result.error().description();
    }

    BuildCorner corner{DiskTool::standIn};
    BuildConfig config;
    DMGBuilder builder;
    QStringList progress;
};

const QStringList messagesWithoutBackground = {"Creating temporary DMG...", "Mounting...", "Copying files...",
                                               "Writing .DS_Store...", "Detaching...", "Compressing...", "Done!"};

} // namespace

TEST_F(BuildSequenceTest, BuildsWithoutBackgroundReplacingTheOldImageAndDroppingFseventsd)
{
    write("out/Sample.dmg", "old image");
    corner.set("FAKE_HDIUTIL_FSEVENTSD", "1");
    const auto result = builder.build(config);
    ASSERT_TRUE(result) << failureText(result).toStdString();
    EXPECT_EQ(progress, messagesWithoutBackground);

    // The tool's exact arguments, and the quiet detach of the final clean-up.
    const QStringList log = calls();
    ASSERT_EQ(log.size(), 5) << log.join("\n").toStdString();
    const QRegularExpression create("^create -size 16m -fs HFS\\+ -volname Sample (.*/tmp/vorlap-[0-9A-F-]{36})/temp\\.dmg$");
    const auto created = create.match(log[0]);
    ASSERT_TRUE(created.hasMatch()) << log[0].toStdString();
    const QString work = created.captured(1);
    const QRegularExpression attach("^attach " + QRegularExpression::escape(work) +
                                    "/temp\\.dmg -mountpoint (.*/tmp/Volumes/vorlap-[0-9A-F]{8}) -nobrowse$");
    const auto attached = attach.match(log[1]);
    ASSERT_TRUE(attached.hasMatch()) << log[1].toStdString();
    const QString mount = attached.captured(1);
    EXPECT_EQ(log[2], "detach " + mount);
    EXPECT_EQ(log[3], "convert " + work + "/temp.dmg -format UDZO -o " + work + "/converted.dmg");
    EXPECT_EQ(log[4], "detach " + mount + " -quiet -force");
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();

    const QString volume = unpackOutput();
    QFileInfo executable(volume + "/Sample.app/Contents/MacOS/Sample");
    EXPECT_TRUE(executable.permissions() & QFile::ExeOwner);
    EXPECT_TRUE(QFileInfo::exists(volume + "/Sample.app/Contents/Resources/.hidden"));
    EXPECT_EQ(QFileInfo(volume + "/Sample.app/Contents/Resources/link").symLinkTarget(),
              volume + "/Sample.app/Contents/MacOS/Sample");
    EXPECT_EQ(QFile::symLinkTarget(volume + "/Applications"), "/Applications");
    EXPECT_FALSE(QFileInfo::exists(volume + "/.background"));
    EXPECT_FALSE(QFileInfo::exists(volume + "/.fseventsd"));

    const QJsonArray records = readDSStoreFile((volume + "/.DS_Store").toStdString())["records"].toArray();
    ASSERT_EQ(records.size(), 6);
    const QJsonObject view = records[2].toObject()["value"].toObject()["plist"].toObject();
    EXPECT_EQ(view.size(), 16);
    EXPECT_EQ(view["backgroundType"].toObject()["integer"].toInt(-1), 0);
}

TEST_F(BuildSequenceTest, ToolFailuresStopTheBuildAndCleanUp)
{
    const QStringList verbs = {"create", "attach", "detach", "convert"};
    const QList<int> messagesBefore = {1, 2, 5, 6}; // progress sent before each verb runs
    for (int i = 0; i < verbs.size(); ++i) {
        SCOPED_TRACE(verbs[i].toStdString());
        write("out/Sample.dmg", "old image");
        QFile::remove(path("state/calls.log"));
        progress.clear();
        corner.set("FAKE_HDIUTIL_FAIL", verbs[i].toUtf8());

        const auto result = builder.build(config);
        ASSERT_FALSE(result);
        const QString description = result.error().description();
        EXPECT_TRUE(description.startsWith("hdiutil failed: hdiutil " + verbs[i] + " ")) << description.toStdString();
        EXPECT_TRUE(description.endsWith(": hdiutil: " + verbs[i] + " failed - simulated failure\n")) << description.toStdString();
        EXPECT_EQ(progress, messagesWithoutBackground.mid(0, messagesBefore[i]));

        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
        EXPECT_TRUE(QDir(path("state/mounts")).isEmpty()) << "still attached";
        QFile output(config.outputPath);
        ASSERT_TRUE(output.open(QIODevice::ReadOnly));
        EXPECT_EQ(output.readAll(), "old image");
    }
}

TEST_F(BuildSequenceTest, NamesAVolumeCannotHoldFailBeforeAnyImageIsMade)
{
    const QString resources = path("in/Sample.app/Contents/Resources");
    const QByteArray composed = "caf\xc3\xa9.txt", decomposed = "cafe\xcc\x81.txt";
    const QByteArray tooLong = QString(100, QChar(0x0390)).toUtf8(); // 200 bytes, 300 units decomposed
    struct Case {
        const char* name;
        QList<QByteArray> files;
        QString expected;
    };
    const QList<Case> cases = {
        {"case", {"Readme", "README"}, "Build failed: " + resources + ": the names \"README\" and \"Readme\" differ only in case"
                                       ", which an HFS+ volume cannot hold in one folder"},
        {"normalisation", {composed, decomposed}, "Build failed: " + resources + ": the names \"" + QString::fromUtf8(decomposed)
                                       + "\" and \"" + QString::fromUtf8(composed) + "\" are the same name once normalised"
                                       ", which an HFS+ volume cannot hold in one folder"},
        {"long", {tooLong}, "Build failed: " + resources + "/" + QString::fromUtf8(tooLong)
                                       + ": the name is longer than 255 UTF-16 units once decomposed, which an HFS+ volume cannot store"},
        {"not UTF-8", {"bad\xff"}, "Build failed: " + resources + QStringLiteral(u"/bad\uFFFD")
                                       + ": the name is not valid UTF-8, which an HFS+ volume cannot store"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QByteArray> made;
        for (const QByteArray& name : c.files) {
            const QByteArray file = QFile::encodeName(resources) + '/' + name;
            ASSERT_EQ(::close(::open(file.constData(), O_CREAT | O_WRONLY, 0644)), 0) << file.constData();
            made << file;
        }
        const auto result = builder.build(config);
        for (const QByteArray& file : made)
            ::unlink(file.constData());
        ASSERT_FALSE(result);
        const QString description = result.error().description();
        EXPECT_EQ(description, c.expected);
        EXPECT_TRUE(calls().isEmpty());
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_TRUE(leftovers().isEmpty());
    }
    const auto clean = builder.build(config);
    EXPECT_TRUE(clean) << failureText(clean).toStdString();
}

TEST_F(BuildSequenceTest, BadInputsAndSpecialFilesAreRefusedBeforeAnyToolRuns)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/fifo")).constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("out/fifo.dmg")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link("/dev/null", path("out/null.dmg")));
    write("out/folder.dmg/keep", "precious");
    write("in/not-a-picture.png", "text");
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(QColor(20, 120, 220));
    QBuffer whole;
    ASSERT_TRUE(whole.open(QIODevice::WriteOnly) && picture.save(&whole, "PNG"));
    write("in/truncated.png", whole.data().left(100));
    const QString app = config.appPath, output = config.outputPath, invalid = "Background image is invalid: ";
    const QString notRegular = ": not a regular file; only a regular file is replaced by the image";
    struct Case {
        QString app, background, output, expected;
        double width = 540;
    };
    const QList<Case> cases = {
        {path("in/Missing.app"), {}, output, "App not found: " + path("in/Missing.app")},
        {app, path("in/missing.png"), output, "Background image not found: " + path("in/missing.png")},
        {app, {}, output, QString::fromUtf8("Build failed: The window size nan \u00d7 380 is not a usable size"), std::nan("")},
        {app, path("in/not-a-picture.png"), output, invalid + path("in/not-a-picture.png")},
        {app, path("in/fifo"), output, invalid + path("in/fifo")},
        {app, "/dev/zero", output, invalid + "/dev/zero"},
        {app, path("in/truncated.png"), output, invalid + path("in/truncated.png")},
        {app, {}, path("no-such-folder/Sample.dmg"), path("no-such-folder/Sample.dmg") + ": No such file or directory"},
        {app, {}, path("out/fifo.dmg"), path("out/fifo.dmg") + notRegular},
        {app, {}, path("out/null.dmg"), path("out/null.dmg") + notRegular},
        {app, {}, path("out/folder.dmg"), path("out/folder.dmg") + ": Is a directory"},
        {app, {}, path("in/truncated.png/Sample.dmg"), path("in/truncated.png/Sample.dmg") + ": Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        config.appPath = c.app;
        config.backgroundImagePath = c.background.isEmpty() ? std::nullopt : std::optional<QString>(c.background);
        config.outputPath = c.output;
        config.windowSize.width = c.width;
        EXPECT_EQ(failureText(builder.build(config)).toStdString(), c.expected.toStdString());
        EXPECT_TRUE(calls().isEmpty());
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_TRUE(leftovers().isEmpty());
    }
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(path("out/fifo.dmg")).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(QFileInfo(path("out/null.dmg")).symLinkTarget(), "/dev/null");
    EXPECT_TRUE(QFileInfo::exists(path("out/folder.dmg/keep")));
    EXPECT_FALSE(QFileInfo::exists(output));
}

TEST_F(BuildSequenceTest, SixteenBitAndEightBitBackgroundsKeepTheirPixels)
{
    // PNGs written by Python's zlib, not by Qt: one uniform colour of every layout.
    const char* writer = R"(import struct, sys, zlib
path, kind, depth = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
samples = [int(v) for v in sys.argv[4:]]
fmt = ">" + ("H" if depth == 16 else "B") * len(samples)
row = b"\0" + struct.pack(fmt, *samples) * 4
def chunk(tag, data): return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, depth, kind, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(row * 4)) + chunk(b"IEND", b"")
open(path, "wb").write(png)
)";
    struct Case {
        const char* name;
        std::vector<std::string> pngArguments; // colour type, bit depth, samples
        QColor premultiplied;                  // expected, within 1 per channel
    };
    const Case cases[] = {
        {"16-bit RGBA", {"6", "16", "64250", "51400", "0", "32896"}, QColor(126, 100, 0, 128)},
        {"16-bit grey and alpha", {"4", "16", "51400", "32896"}, QColor(100, 100, 100, 128)},
        {"8-bit RGBA", {"6", "8", "250", "200", "0", "128"}, QColor(125, 100, 0, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string png = path("in/pixels.png").toStdString();
        std::vector<std::string> argv = {"python3", "-c", writer, png};
        argv.insert(argv.end(), c.pngArguments.begin(), c.pngArguments.end());
        ASSERT_EQ(runProgram(argv).exitCode, 0);
        const auto rendered = BackgroundImageRenderer::renderImage(QString::fromStdString(png), {4, 4}, 1.0);
        ASSERT_TRUE(rendered) << rendered.error().description().toStdString();
        const QImage image = rendered->convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        const uchar* pixel = image.constScanLine(2) + 2 * 4;
        const int expected[] = {c.premultiplied.red(), c.premultiplied.green(), c.premultiplied.blue(), c.premultiplied.alpha()};
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_NEAR(pixel[channel], expected[channel], 1) << "channel " << channel;
    }
}
