// The main window as a whole: a build from the Build button through the stand-in
// disk-image tool (progress panel and its message lines, alert, normalised project),
// and Save and Open through dialogs the test answers.
#include "support/QtPrinters.h"
#include "support/Shell.h"
#include "ui/SystemFont.h"
#include "ui/UiTestSupport.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(ContentView, BuildAsksForAPlaceOnlyWithAnApplicationAndChangesNothingWhenCancelled)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    window.buildDMG();
    EXPECT_TRUE(harness.saveRequests.isEmpty());

    harness.chooseApp();
    harness.update([](VorlapProject& p) {
        p.appName.clear();
        p.windowSize = {600, 400};
        p.iconPositions.app = {590, 10};
    });
    const VorlapProject before = window.model()->project();
    window.sidebar()->buildButton()->click();
    // An empty name proposes the bundle's name, never a hidden ".dmg".
    EXPECT_EQ(harness.saveRequests, QStringList{QStringLiteral("Sample.dmg|dmg")});
    EXPECT_EQ(window.model()->project(), before);
    EXPECT_FALSE(window.isBuilding());
}

TEST(ContentView, BuildShowsEveryMessageInOrderThenClosesThePanel)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    harness.chooseApp();
    const QString picture = harness.corner.picture(QStringLiteral("in/backdrop.png"), QColor(10, 120, 90), {1080, 760});
    window.sidebar()->applyBackground(picture);
    // A design made for another window size: the build resets and clamps it first.
    harness.update([](VorlapProject& p) {
        p.windowSize = {800, 600};
        p.iconPositions = {{700, 500}, {20, 20}};
    });
    harness.saveAnswer = harness.outPath(QStringLiteral("Sample.dmg"));

    const WindowHarness::Observed observed = harness.buildAndWait();
    EXPECT_TRUE(observed.panelWasUp);
    EXPECT_EQ(observed.messages,
              (QStringList{"Starting...", "Creating temporary DMG...", "Mounting...", "Copying files...",
                           "Preparing background...", "Writing .DS_Store...", "Detaching...", "Compressing...", "Done!"}));
    EXPECT_EQ(window.progressPanel(), nullptr);
    EXPECT_FALSE(window.showAlert());
    // The window keeps the normalised design it built.
    VorlapProject normalised;
    normalised.appName = QStringLiteral("Sample");
    normalised.backgroundImagePath = picture;
    EXPECT_EQ(window.model()->project(), normalised);

    // The stand-in's image is a tar archive of the volume; what goes on the volume is the
    // build sequence's to test, that the window handed over its background is this one's.
    const ShellResult listing = runProgram({"tar", "-tf", harness.outPath(QStringLiteral("Sample.dmg")).toStdString()});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_NE(listing.output.find("./.background/background-"), std::string::npos);
}

TEST(ContentView, FailedBuildShowsTheBuildersMessageAfterThePanelCloses)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    harness.chooseApp();
    harness.saveAnswer = harness.outPath(QStringLiteral("Sample.dmg"));
    harness.build.set("FAKE_HDIUTIL_FAIL", "convert");

    const WindowHarness::Observed observed = harness.buildAndWait();
    EXPECT_TRUE(observed.panelGoneBeforeAlert);
    EXPECT_EQ(observed.messages.last(), QStringLiteral("Compressing..."));
    QMessageBox* alert = window.alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("Build Error"));
    const QString reason = alert->informativeText();
    EXPECT_TRUE(reason.startsWith(QStringLiteral("hdiutil failed: hdiutil convert ")) &&
                reason.contains(QStringLiteral("hdiutil: convert failed - simulated failure"))) << reason.toStdString();

    // "OK" only dismisses; the error text stays.
    alert->buttons().first()->click();
    EXPECT_TRUE(waitUntil([&] { return window.alert() == nullptr; }));
    EXPECT_EQ(window.buildError(), reason);
}

TEST(ContentView, ProgressPanelCannotBeDismissedAndTheWindowStaysWhileBuilding)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    harness.chooseApp();
    harness.saveAnswer = harness.outPath(QStringLiteral("Sample.dmg"));
    window.buildDMG();
    // The build's end has not been delivered yet: the panel is up.
    ASSERT_TRUE(window.isBuilding());
    SheetDialog* panel = window.progressPanel();
    ASSERT_NE(panel, nullptr);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(panel, &escape);
    EXPECT_FALSE(panel->close());
    panel->reject();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(window.close());

    EXPECT_TRUE(waitUntil([&] { return !window.isBuilding(); }));
    EXPECT_EQ(window.progressPanel(), nullptr);
    EXPECT_TRUE(window.close());
}

TEST(ContentView, SaveWritesTheNormalisedDesignAndOpenBringsItBack)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    harness.chooseApp();
    const QString picture = harness.corner.picture(QStringLiteral("in/back.png"));
    harness.update([&](VorlapProject& p) {
        p.backgroundImagePath = picture;
        p.iconSize = 96;
        p.iconPositions = {{30, 300}, {520, 100}};
    });
    const VorlapProject edited = window.model()->project();
    const QString file = harness.outPath(QStringLiteral("Design.vorlap"));
    writeFile(file, "an older file");
    harness.saveAnswer = file;

    window.sidebar()->saveButton()->click();
    EXPECT_EQ(harness.saveRequests, QStringList{QStringLiteral("Sample.vorlap|vorlap")});
    EXPECT_EQ(window.projectFileUrl(), QUrl::fromLocalFile(file));
    // The window keeps what was edited; the file holds the normalised design.
    EXPECT_EQ(window.model()->project(), edited);
    EXPECT_EQ(VorlapProject::decode(readFile(file))->iconPositions.app, (Point{48, 300}));

    // Opened in another window: the same design, the application left as it was.
    WindowHarness other;
    other.openAnswer = file;
    other.window->sidebar()->openButton()->click();
    EXPECT_EQ(other.openRequests, QStringList{QStringLiteral("vorlap")});
    EXPECT_EQ(other.window->model()->project(), edited.normalized());
    EXPECT_EQ(other.window->projectFileUrl(), QUrl::fromLocalFile(file));
    EXPECT_FALSE(other.window->model()->appUrl().has_value());
}

TEST(ContentView, FailedOpenAndSaveKeepTheDesignAndTheOldFileAndSayWhyInPlainText)
{
    WindowHarness harness;
    ContentView& window = *harness.window;
    harness.chooseApp();
    harness.update([](VorlapProject& p) { p.iconSize = 200; });
    const VorlapProject before = window.model()->project();

    harness.openAnswer = harness.outPath(QStringLiteral("broken.vorlap"));
    writeFile(*harness.openAnswer, "{\"appName\": \"<b>x</b>\"");
    window.openProject();
    EXPECT_EQ(window.model()->project(), before);
    EXPECT_EQ(window.projectFileUrl(), std::nullopt);
    ASSERT_NE(window.alert(), nullptr);
    EXPECT_TRUE(window.alert()->informativeText().startsWith(QStringLiteral("Failed to open: The file is not valid JSON")));
    auto* shown = window.alert()->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->textFormat(), Qt::PlainText);
    window.alert()->buttons().first()->click();

    // What is read is normalised: a design for another window size gets the defaults.
    harness.openAnswer = harness.outPath(QStringLiteral("wide.vorlap"));
    writeFile(*harness.openAnswer, R"({"appName":"Wide","windowSize":[800,600],"iconPositions":{"app":[700,500],)"
                                   R"("applications":[10,10]},"iconSize":64})");
    window.openProject();
    ASSERT_FALSE(window.showAlert()) << window.alertMessage().toStdString();
    EXPECT_EQ(window.model()->project().iconPositions, IconPositions{});

    // A save that fails keeps the file URL and makes no folder.
    const QString target = harness.outPath(QStringLiteral("no such folder/Design.vorlap"));
    harness.saveAnswer = target;
    window.saveProjectAs(); // Save would write back to the opened file
    ASSERT_TRUE(window.showAlert());
    EXPECT_TRUE(window.buildError()->startsWith("Failed to save: " + target + ": ")) << window.buildError()->toStdString();
    EXPECT_EQ(window.projectFileUrl(), QUrl::fromLocalFile(*harness.openAnswer)); // still the opened file
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(target).path()));

    // Numbers that JSON cannot hold: the encoder's reason, and the old file stays whole.
    window.alert()->buttons().first()->click();
    const QString existing = harness.outPath(QStringLiteral("kept.vorlap"));
    writeFile(existing, "previous contents");
    harness.update([](VorlapProject& p) { p.iconSize = std::numeric_limits<double>::infinity(); });
    harness.saveAnswer = existing;
    window.saveProjectAs(); // Save would write back to the opened file
    EXPECT_TRUE(window.buildError()->startsWith("Failed to save: The value of \"")) << window.buildError()->toStdString();
    EXPECT_EQ(readFile(existing), QByteArray("previous contents"));
}

TEST(BuildProgressSheet, LongMessageIsCutAtTheEndOfItsSecondLine)
{
    const QFont font = SystemFont::caption();
    const QString words = QStringLiteral("Converting the disk image to its compressed read-only form, which can take "
                                         "a while for large applications with many resources inside them");
    const QStringList lines = BuildProgressSheet::fitLines(words, font, 260, 2);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(words.startsWith(lines[0]));
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026)));
    for (const QString& line : lines)
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(line), 260.5);

    BuildProgressSheet sheet;
    sheet.setMessage(words);
    EXPECT_EQ(sheet.messageLine(), lines.join(u'\n'));
    const int twoLines = sheet.height();
    sheet.setMessage(std::nullopt);
    EXPECT_EQ(sheet.messageLine(), QStringLiteral("Starting..."));
    EXPECT_LT(sheet.height(), twoLines); // the height follows the content
}
