// The window as a document: title and unsaved marker, Save and Save As, undo and redo,
// the question before unsaved changes are lost, and the keyboard path to the canvas.
#include "UiTestSupport.h"
#include "support/BackgroundTestSupport.h"
#include "support/TestEnvironment.h"
#include "ui/ContentView.h"
#include "ui/EditHistory.h"
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QShortcut>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
    {
        FilePanels panels;
        panels.save = [this](QWidget*, const QString&, const QString&) {
            ++saveAsked;
            return saveAnswer;
        };
        panels.unsavedChanges = [this](QWidget*, const QString& name) {
            prompts << name;
            return unsavedAnswer;
        };
        window = std::make_unique<ContentView>(panels, corner.store());
        window->show();
        window->model()->chooseApplication(QUrl::fromLocalFile(build.appPath()));
        window->canvas()->setApplicationChooser([this](QWidget*) {
            ++chooserAsked;
            return std::optional<QUrl>{};
        });
    }

    Point appIcon() const { return window->model()->project().iconPositions.app; }
    QPointF appIconOnCanvas() const { return window->canvas()->mockupLayout().app.icon.center(); }
    void key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
    }
    // What the window does on `keys`: its shortcut's command (sent events bypass the
    // platform's shortcut handling).
    void shortcut(const QKeySequence& keys)
    {
        for (QShortcut* candidate : window->findChildren<QShortcut*>())
            if (candidate->key() == keys)
                return void(emit candidate->activated());
        ADD_FAILURE() << "no shortcut " << keys.toString().toStdString();
    }
    bool closeAccepted()
    {
        QCloseEvent event;
        QApplication::sendEvent(window.get(), &event);
        return event.isAccepted();
    }

    BuildCorner build{DiskTool::standIn};
    BackgroundCorner corner;
    std::unique_ptr<ContentView> window;
    std::optional<QString> saveAnswer;
    int saveAsked = 0;
    int chooserAsked = 0;
    QStringList prompts;
    UnsavedChoice unsavedAnswer = UnsavedChoice::cancel;
};

} // namespace

TEST_F(DocumentTest, TitleMarksUnsavedChangesAndSaveAsksOnlyTheFirstTime)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled[*] \u2014 Vorlap"));
    EXPECT_FALSE(window->isWindowModified()) << "choosing the app is not an edit";
    window->canvas()->setIconPosition(DraggedIcon::app, {100, 100});
    EXPECT_TRUE(window->isWindowModified());

    saveAnswer = build.path(QStringLiteral("Design.vorlap"));
    window->saveProject();
    window->canvas()->setIconPosition(DraggedIcon::app, {120, 100});
    window->saveProject();
    EXPECT_EQ(saveAsked, 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Design.vorlap[*] \u2014 Vorlap"));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(readFile(*saveAnswer).contains("120"), true);

    saveAnswer.reset();
    window->saveProjectAs();
    EXPECT_EQ(saveAsked, 2);
}

TEST_F(DocumentTest, UndoTakesBackADragInOneStepAndRedoRestoresIt)
{
    const Point start = appIcon();
    dragMouse(*window->canvas(), appIconOnCanvas(), appIconOnCanvas() + QPointF(60, 30));
    const Point dragged = appIcon();
    ASSERT_NE(dragged, start);
    VorlapProject bigger = window->model()->project();
    bigger.iconSize = 160;
    window->model()->setProject(bigger);

    shortcut(QKeySequence::fromString(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(window->model()->project().iconSize, 128);
    EXPECT_EQ(appIcon(), dragged);
    window->history()->stack()->undo();
    EXPECT_EQ(appIcon(), start);
    EXPECT_FALSE(window->isWindowModified()) << "back where the document started";
    EXPECT_EQ(window->model()->project().appName, QStringLiteral("Sample")) << "the app choice is not undone";
    shortcut(QKeySequence::fromString(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_EQ(appIcon(), dragged);
}

TEST_F(DocumentTest, ClosingWithUnsavedChangesAsksFirst)
{
    EXPECT_TRUE(closeAccepted()) << "nothing to lose, nothing asked";
    EXPECT_TRUE(prompts.isEmpty());
    window->canvas()->setIconPosition(DraggedIcon::app, {100, 100});
    struct Case {
        UnsavedChoice answer;
        std::optional<QString> savePath;
        bool closes;
    };
    const Case cases[] = {
        {UnsavedChoice::cancel, std::nullopt, false},
        {UnsavedChoice::save, std::nullopt, false}, // the save panel was cancelled
        {UnsavedChoice::discard, std::nullopt, true},
        {UnsavedChoice::save, build.path(QStringLiteral("Kept.vorlap")), true},
    };
    for (const Case& c : cases) {
        unsavedAnswer = c.answer;
        saveAnswer = c.savePath;
        EXPECT_EQ(closeAccepted(), c.closes) << int(c.answer);
    }
    EXPECT_EQ(prompts.size(), 4);
    EXPECT_TRUE(QFileInfo::exists(build.path(QStringLiteral("Kept.vorlap"))));
}

TEST_F(DocumentTest, DroppedProjectFilesOpenAfterAsking)
{
    VorlapProject saved;
    saved.iconSize = 200;
    const QString file = build.path(QStringLiteral("Dropped.vorlap"));
    writeFile(file, *saved.encode());
    window->canvas()->setIconPosition(DraggedIcon::app, {100, 100});
    unsavedAnswer = UnsavedChoice::discard;

    drop(*window->canvas(), *urlData({QUrl::fromLocalFile(file)}));

    EXPECT_EQ(prompts.size(), 1);
    EXPECT_EQ(window->model()->project().iconSize, 200);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Dropped.vorlap[*] \u2014 Vorlap"));
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(DocumentTest, KeyboardReachesTheIconsAndMovesThem)
{
    PreviewCanvasView* canvas = window->canvas();
    QApplication::setActiveWindow(window.get());
    canvas->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(canvas->focusedIcon(), DraggedIcon::app);
    key(canvas, Qt::Key_Return);
    click(*canvas, appIconOnCanvas());
    EXPECT_EQ(chooserAsked, 2) << "Enter and a click on the app's icon choose another app";

    const Point start = appIcon();
    key(canvas, Qt::Key_Right);
    key(canvas, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(appIcon(), (Point{start.x + 1, start.y + 10}));
    for (int i = 0; i < 100; ++i)
        key(canvas, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(appIcon().x, 64) << "kept half a 128-point icon inside";

    key(canvas, Qt::Key_Tab);
    EXPECT_EQ(canvas->focusedIcon(), DraggedIcon::applications);
}
