// DMGBuilder::build against a stand-in disk-image tool: the order of steps, the tool's
// exact arguments, what lands in the volume, progress, failures and clean-up.
#include "pipeline/DMGBuilder.h"
#include "dsstore/DSStoreReader.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QRegularExpression>

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

    QStringList calls() const { return QString::fromUtf8(readFile(path("state/calls.log"))).split('\n', Qt::SkipEmptyParts); }

    // What is left in the temporary directory: work folders and mount points.
    QStringList leftovers() const
    {
        QStringList found;
        for (QDirIterator it(path("tmp"), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            found << it.next().mid(path("tmp").size());
        found.removeAll("/Volumes");
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
    QString log = calls().join('\n');
    log.replace(QRegularExpression("\\S*/tmp/vorlap-[0-9A-F-]{36}"), "WORK")
        .replace(QRegularExpression("\\S*/tmp/Volumes/vorlap-[0-9A-F]{8}"), "MOUNT");
    EXPECT_EQ(log, "create -size 16m -fs HFS+ -volname Sample WORK/temp.dmg\nattach WORK/temp.dmg -mountpoint MOUNT -nobrowse\n"
                   "detach MOUNT\nconvert WORK/temp.dmg -format UDZO -o WORK/converted.dmg\ndetach MOUNT -quiet -force");
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();

    // What the copy holds is read by independent readers in the end-to-end build.
    const QString volume = path("volume");
    QDir().mkpath(volume);
    const ShellResult tar = runProgram({"tar", "-xpf", config.outputPath.toStdString(), "-C", volume.toStdString()});
    ASSERT_EQ(tar.exitCode, 0) << tar.output; // the stand-in's "image" is a tar archive
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
        EXPECT_EQ(readFile(config.outputPath), "old image");
    }
}

TEST_F(BuildSequenceTest, NamesAVolumeCannotHoldFailBeforeAnyImageIsMade)
{
    const QString resources = path("in/Sample.app/Contents/Resources"), failed = "Build failed: " + resources;
    const QByteArray composed = "caf\xc3\xa9.txt", decomposed = "cafe\xcc\x81.txt";
    const QByteArray tooLong = QString(100, QChar(0x0390)).toUtf8(); // 200 bytes, 300 units decomposed
    QDir().mkpath(resources);
    const QString oneFolder = ", which an HFS+ volume cannot hold in one folder", store = ", which an HFS+ volume cannot store";
    const struct {
        QList<QByteArray> files;
        QString expected;
    } cases[] = {
        {{"Readme", "README"}, failed + ": the names \"README\" and \"Readme\" differ only in case" + oneFolder},
        {{composed, decomposed}, failed + ": the names \"" + QString::fromUtf8(decomposed) + "\" and \""
                                     + QString::fromUtf8(composed) + "\" are the same name once normalised" + oneFolder},
        {{tooLong}, failed + "/" + QString::fromUtf8(tooLong) + ": the name is longer than 255 UTF-16 units once decomposed" + store},
        {{"bad\xff"}, failed + QStringLiteral(u"/bad\uFFFD") + ": the name is not valid UTF-8" + store},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        for (const QByteArray& name : c.files)
            ASSERT_EQ(::close(::creat((QFile::encodeName(resources) + '/' + name).constData(), 0644)), 0);
        EXPECT_EQ(failureText(builder.build(config)), c.expected);
        for (const QByteArray& name : c.files)
            ::unlink((QFile::encodeName(resources) + '/' + name).constData());
        EXPECT_TRUE(calls().isEmpty());
        EXPECT_TRUE(progress.isEmpty());
        EXPECT_TRUE(leftovers().isEmpty());
    }
}

TEST_F(BuildSequenceTest, BadInputsAndSpecialFilesAreRefusedBeforeAnyToolRuns)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/fifo")).constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("out/fifo.dmg")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link("/dev/null", path("out/null.dmg")));
    write("out/folder.dmg/keep", "precious");
    write("in/not-a-picture.png", "text");
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
        {app, {}, path("no-such-folder/Sample.dmg"), path("no-such-folder/Sample.dmg") + ": No such file or directory"},
        {app, {}, path("out/fifo.dmg"), path("out/fifo.dmg") + notRegular},
        {app, {}, path("out/null.dmg"), path("out/null.dmg") + notRegular},
        {app, {}, path("out/folder.dmg"), path("out/folder.dmg") + ": Is a directory"},
        {app, {}, path("in/not-a-picture.png/Sample.dmg"), path("in/not-a-picture.png/Sample.dmg") + ": Not a directory"},
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
