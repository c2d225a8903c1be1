// The `vorlap` program: its own options, and `vorlap build`'s arguments, the request it
// makes, and the program run end to end against the stand-in disk-image tool.
#include "cli/BuildCommand.h"
#include "support/QtPrinters.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace vorlap;
using namespace vorlap::cli;
using namespace vorlap::test;

namespace {

class BuildCommandTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(path("My.Cool.app/Contents/MacOS")); }

    QString path(const QString& relative) const { return corner.path(relative); }
    std::string app() const { return path("My.Cool.app").toStdString(); }

    // The program run with the stand-in tool first on its search path, failing `failVerb`.
    ShellResult vorlap(const std::vector<std::string>& arguments, const char* failVerb = "")
    {
        std::vector<std::string> argv = {"env", std::string("FAKE_HDIUTIL_FAIL=") + failVerb, binaryPath("vorlap"),
                                         "build"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runProgram(argv);
    }

    // What a build left in the temporary folder besides the stand-in's mount root.
    QStringList leftInTmp() const
    {
        QStringList left = QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.removeAll("Volumes");
        return left;
    }

    BuildCorner corner{DiskTool::standIn};
};

} // namespace

TEST_F(BuildCommandTest, ArgumentsAreChecked)
{
    const QList<QStringList> bad = {
        {},
        {"--app", "x.app"},
        {"--app", "x.app", "--output", "x.dmg", "--frob"},
        {"--app", "x.app", "--output"},
        {"--app", "x.App", "--output", "x.dmg"},
        {"--app", "/apps/.app", "--output", "x.dmg"}, // a hidden name, not a bundle: the volume would have no name
        {"--app", "x.app", "--output", "x.dmg", "--icon-size", "100"},
        {"--app", "x.app", "--output", "x.dmg", "--icon-size", "big"},
    };
    for (const QStringList& arguments : bad)
        EXPECT_FALSE(parseBuildArguments(arguments)) << arguments.join(' ').toStdString();

    // The shell's completion leaves a slash after a bundle; the window takes it, so do we.
    const auto options = parseBuildArguments({"--app", "rel/A.app/", "--output", "o.dmg", "--icon-size", "256"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(QDir::isAbsolutePath(options->appPath));
    EXPECT_EQ(options->iconSize, 256);
    EXPECT_EQ(buildConfigFor(*options)->volumeName, "A");
}

TEST_F(BuildCommandTest, RequestIsWhatTheWindowWouldBuild)
{
    // The application names the volume; a larger icon clamps the design like the slider does.
    writeFile(path("design.vorlap"), R"({"appName": "Old", "windowSize": [540, 380], "backgroundImagePath": "/a.png",
                              "iconPositions": {"app": [470, 70], "applications": [180, 190]}, "iconSize": 128})");
    BuildOptions options{path("My.Cool.app"), path("out.dmg"), path("design.vorlap"), {}, 256};
    auto config = buildConfigFor(options);
    ASSERT_TRUE(config) << config.error().toStdString();
    EXPECT_EQ(config->volumeName, "My.Cool");
    EXPECT_EQ(config->iconPositions, (IconPositions{{412, 128}, {180, 190}}));
    EXPECT_EQ(config->backgroundImagePath, QString("/a.png"));
    options.backgroundPath = path("bg.png");
    EXPECT_EQ(buildConfigFor(options)->backgroundImagePath, path("bg.png"));

    writeFile(path("broken.vorlap"), R"({"appName": "X"})");
    options.projectPath = path("broken.vorlap");
    config = buildConfigFor(options);
    EXPECT_TRUE(!config && config.error().startsWith("Failed to open: "));

    // The window's build: an empty application name falls back to the bundle's.
    EXPECT_EQ(BuildConfig::forProject(VorlapProject{}, path("My.Cool.app/"), path("x.dmg")).volumeName, "My.Cool");
}

TEST_F(BuildCommandTest, ProgramPrintsProgressAndReportsFailures)
{
    const std::string out = path("out.dmg").toStdString();
    const ShellResult built = vorlap({"--app", app(), "--output", out});
    EXPECT_EQ(built.exitCode, 0) << built.output;
    EXPECT_EQ(built.output,
              "Creating temporary DMG...\nMounting...\nCopying files...\nWriting .DS_Store...\n"
              "Detaching...\nCompressing...\nDone!\n");
    EXPECT_TRUE(QFile::exists(path("out.dmg")));

    const ShellResult failed = vorlap({"--app", app(), "--output", path("second.dmg").toStdString()}, "attach");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.output.find("Mounting...\nhdiutil failed: hdiutil attach "), std::string::npos) << failed.output;
    EXPECT_FALSE(QFile::exists(path("second.dmg")));

    const ShellResult usage = vorlap({"--app", app()});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.output.find("Usage: vorlap build"), std::string::npos);
    EXPECT_TRUE(leftInTmp().isEmpty()) << leftInTmp().join(' ').toStdString();
}

TEST_F(BuildCommandTest, OutputsInsideTheBundleMissingAppsAndDamagedBackgroundsAreRefusedInOneLine)
{
    QFile::link(path("My.Cool.app/Contents"), path("contents-link"));
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly) && picture.save(&png, "png"));
    writeFile(path("damaged.png"), png.data().chopped(30));
    const QString inside = " is inside the application being packaged; choose a place outside " + path("My.Cool.app");
    const QString failed = QStringLiteral("Build failed: ");
    const QString epoch = failed + "SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not ";
    const struct {
        QString app, output, background, expected;
        QByteArray epoch;
    } cases[] = {
        {path("My.Cool.app/"),
         path("My.Cool.app/Contents/My.dmg"),
         {},
         failed + path("My.Cool.app/Contents/My.dmg") + inside + "/"},
        {path("My.Cool.app"), path("contents-link/My.dmg"), {}, failed + path("contents-link/My.dmg") + inside},
        {path("None.app"), path("My.dmg"), {}, "App not found: " + path("None.app")},
        {path("My.Cool.app"), path("My.dmg"), path("damaged.png"),
         "Background image is invalid: " + path("damaged.png")},
        {path("My.Cool.app"), path("My.dmg"), {}, epoch + "\"-1\"", "-1"},
        {path("My.Cool.app"), path("My.dmg"), {}, epoch + "\"1.5\"", "1.5"},
        {path("My.Cool.app"), path("My.dmg"), {}, epoch + "\"9223372036854775808\"", "9223372036854775808"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        if (c.epoch.isEmpty())
            corner.unset("SOURCE_DATE_EPOCH");
        else
            corner.set("SOURCE_DATE_EPOCH", c.epoch);
        std::vector<std::string> arguments = {"--app", c.app.toStdString(), "--output", c.output.toStdString()};
        if (!c.background.isEmpty())
            arguments.insert(arguments.end(), {"--background", c.background.toStdString()});
        const ShellResult run = vorlap(arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output, c.expected.toStdString() + "\n");
        EXPECT_FALSE(QFileInfo::exists(c.output));
    }
}

TEST_F(BuildCommandTest, InterruptedBuildsCleanUpAndExitAsTheSignalAsks)
{
    corner.set("FAKE_HDIUTIL_SLOW", "attach");
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        QProcess build;
        build.setProcessChannelMode(QProcess::MergedChannels);
        build.start(QString::fromStdString(binaryPath("vorlap")),
                    {"build", "--app", path("My.Cool.app"), "--output", path("out.dmg")});
        ASSERT_TRUE(build.waitForStarted());
        QByteArray output;
        while (!output.contains("Mounting...") && build.waitForReadyRead(10000))
            output += build.readAll();
        ASSERT_TRUE(output.contains("Mounting...")) << output.toStdString();
        ::kill(build.processId(), signal);
        ASSERT_TRUE(build.waitForFinished(20000));
        output += build.readAll();
        EXPECT_EQ(build.exitCode(), status) << output.toStdString();
        EXPECT_TRUE(output.contains("interrupted by signal")) << output.toStdString();
        EXPECT_FALSE(output.contains("Copying files...")) << output.toStdString();

        // Nothing is left: no image, no work or mount folder, no attachment.
        EXPECT_FALSE(QFileInfo::exists(path("out.dmg")));
        EXPECT_TRUE(leftInTmp().isEmpty()) << leftInTmp().join(' ').toStdString();
        EXPECT_TRUE(QDir(path("tmp/Volumes")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        EXPECT_TRUE(QDir(path("state/mounts")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    }
}

TEST(MainProgram, OptionsAnswerBadOnesAreUsageErrorsAndNoneOpensTheWindow)
{
    // Its preferences go to a private place, not the user's.
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    const struct {
        std::vector<std::string> arguments;
        const char* timeout;
        int exitCode;
        std::vector<std::string> expected; // each somewhere in the output
    } cases[] = {
        {{"--version"}, "60", 0, {std::string("vorlap ") + VORLAP_VERSION + "\n"}},
        {{"--frobnicate"}, "60", 2, {"unknown argument '--frobnicate'", "Usage: vorlap"}},
        // A usage error or a crash would end it at once; the window runs until `timeout` stops it.
        {{}, "1.5", 124, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        std::vector<std::string> argv = {"env",
                                         "QT_QPA_PLATFORM=offscreen",
                                         "HOME=" + h,
                                         "XDG_CONFIG_HOME=" + h + "/config",
                                         "XDG_DATA_HOME=" + h + "/data",
                                         "timeout",
                                         c.timeout,
                                         binaryPath("vorlap")};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const ShellResult result = runProgram(argv);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        for (const std::string& text : c.expected)
            EXPECT_NE(result.output.find(text), std::string::npos) << result.output;
    }
}
