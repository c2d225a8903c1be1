// The whole road from the window to a finished disk image through our own `hdiutil`:
// choose the application, pick a background, press Build, watch the panel, and read the
// image with an independent reader.
#include "support/QtPrinters.h"
#include "support/Shell.h"
#include "ui/WindowTestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(RealBuild, WindowBuildsADiskImageThroughTheBundledTool)
{
    if (!haveProgram("7zz"))
        GTEST_SKIP() << "7zz is needed to read the image";
    WindowHarness harness(WindowHarness::Tool::real);
    ContentView& window = *harness.window;
    harness.chooseApp();
    const QString picture = harness.corner.picture(QStringLiteral("in/backdrop.png"), QColor(200, 120, 40), {1080, 760});
    window.sidebar()->applyBackground(picture);
    harness.update([](VorlapProject& p) { p.iconPositions = {{140, 200}, {400, 200}}; });
    harness.saveAnswer = harness.outPath(QStringLiteral("Sample.dmg"));

    const WindowHarness::Observed observed = harness.buildAndWait(120000);
    ASSERT_FALSE(window.showAlert()) << window.alertMessage().toStdString();
    EXPECT_TRUE(observed.panelWasUp);
    EXPECT_EQ(observed.messages,
              (QStringList{QStringLiteral("Starting..."), QStringLiteral("Creating temporary DMG..."),
                           QStringLiteral("Mounting..."), QStringLiteral("Copying files..."),
                           QStringLiteral("Preparing background..."), QStringLiteral("Writing .DS_Store..."),
                           QStringLiteral("Detaching..."), QStringLiteral("Compressing..."), QStringLiteral("Done!")}));
    EXPECT_EQ(window.progressPanel(), nullptr);

    const std::string image = harness.outPath(QStringLiteral("Sample.dmg")).toStdString();
    const ShellResult listing = runProgram({"7zz", "l", "-slt", image});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    for (const char* entry : {"Sample.app/Contents/Info.plist", "Sample.app/Contents/MacOS/Sample", ".DS_Store",
                              ".background/background-", "Applications"})
        EXPECT_NE(listing.output.find(entry), std::string::npos) << entry << "\n" << listing.output;
    // Nothing of the build is left behind in the temporary folder.
    EXPECT_TRUE(QDir(harness.corner.path(QStringLiteral("tmp")))
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .filter(QRegularExpression(QStringLiteral("^(?!Volumes$)")))
                    .isEmpty());
}
