// DMGBuilder::build against a stand-in disk-image tool: the order of steps, the tool's
// exact arguments, what lands in the volume, progress, failures and clean-up.
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

#include <gtest/gtest.h>

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

TEST_F(BuildSequenceTest, BuildsWithoutBackground)
{
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
    EXPECT_EQ(log[4], "detach " + mount + " -quiet");
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();

    const QString volume = unpackOutput();
    QFileInfo executable(volume + "/Sample.app/Contents/MacOS/Sample");
    EXPECT_TRUE(executable.permissions() & QFile::ExeOwner);
    EXPECT_TRUE(QFileInfo::exists(volume + "/Sample.app/Contents/Resources/.hidden"));
    EXPECT_EQ(QFileInfo(volume + "/Sample.app/Contents/Resources/link").symLinkTarget(),
              volume + "/Sample.app/Contents/MacOS/Sample");
    EXPECT_EQ(QFile::symLinkTarget(volume + "/Applications"), "/Applications");
    EXPECT_FALSE(QFileInfo::exists(volume + "/.background"));

    const QJsonArray records = readDSStoreFile((volume + "/.DS_Store").toStdString())["records"].toArray();
    ASSERT_EQ(records.size(), 6);
    const QJsonObject view = records[2].toObject()["value"].toObject()["plist"].toObject();
    EXPECT_EQ(view.size(), 16);
    EXPECT_EQ(view["backgroundType"].toObject()["integer"].toInt(-1), 0);
}

TEST_F(BuildSequenceTest, ReplacesAnExistingOutputAndDropsFseventsd)
{
    write("out/Sample.dmg", "old image");
    corner.set("FAKE_HDIUTIL_FSEVENTSD", "1");
    const auto result = builder.build(config);
    ASSERT_TRUE(result) << failureText(result).toStdString();
    const QString volume = unpackOutput();
    EXPECT_FALSE(QFileInfo::exists(volume + "/.fseventsd"));
    EXPECT_TRUE(QFileInfo::exists(volume + "/.DS_Store"));
}

TEST_F(BuildSequenceTest, MissingInputsFailBeforeAnything)
{
    config.appPath = path("in/Missing.app");
    auto result = builder.build(config);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "App not found: " + path("in/Missing.app"));

    config.appPath = path("in/Sample.app");
    config.backgroundImagePath = path("in/missing.png");
    result = builder.build(config);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "Background image not found: " + path("in/missing.png"));

    config.backgroundImagePath.reset();
    config.windowSize = {std::numeric_limits<double>::quiet_NaN(), 380};
    result = builder.build(config);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().description().startsWith("Build failed: ")) << result.error().description().toStdString();

    EXPECT_TRUE(progress.isEmpty());
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(leftovers().isEmpty());
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

TEST_F(BuildSequenceTest, UnwritableOutputFolderFailsAfterTheImageWasMade)
{
    config.outputPath = path("no-such-folder/Sample.dmg");
    const auto result = builder.build(config);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), config.outputPath + ": No such file or directory");
    EXPECT_EQ(progress, messagesWithoutBackground.mid(0, 6));
    EXPECT_TRUE(leftovers().isEmpty());

    // A folder at the output path is never removed to make room.
    config.outputPath = path("out");
    write("out/keep", "precious");
    const auto intoFolder = builder.build(config);
    ASSERT_FALSE(intoFolder);
    EXPECT_TRUE(QFileInfo::exists(path("out/keep")));
}

TEST_F(BuildSequenceTest, AnUnusableBackgroundFailsWithTheRendererError)
{
    write("in/not-a-picture.png", "text");
    config.backgroundImagePath = path("in/not-a-picture.png");
    const auto result = builder.build(config);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "Background image is invalid: " + path("in/not-a-picture.png"));
    EXPECT_EQ(progress.last(), "Preparing background...");
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_TRUE(QDir(path("state/mounts")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(config.outputPath));
}
