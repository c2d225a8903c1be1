// The canvas under the mouse: dropped file URLs choose the application (only the first
// counts, only a name ending in exactly ".app"), a click on the drop zone asks the dialog,
// and dragging an icon moves its stored centre by the pointer's travel over the scale,
// through the shared clamp, ignoring jitters; Applications wins where the icons overlap.
#include "ui/Palette.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

QUrl file(const char* path) { return QUrl::fromLocalFile(QString::fromUtf8(path)); }

void expectAt(const Canvas& canvas, const IconPositions& expected)
{
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.app.x, expected.app.x);
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.app.y, expected.app.y);
    EXPECT_EQ(canvas.project().iconPositions.applications, expected.applications);
}

} // namespace

TEST(PreviewCanvasDrop, ApplicationBundleSetsUrlThenNameAndKeepsTheDesign)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) {
        p.iconSize = 96;
        p.backgroundImagePath = QStringLiteral("/pictures/bg.png");
    });
    VorlapProject expected = canvas.project();
    expected.appName = QStringLiteral("My.Cool Tool");
    QStringList order;
    QObject::connect(&canvas.model, &ProjectModel::appUrlChanged, [&] { order << "url"; });
    QObject::connect(&canvas.model, &ProjectModel::projectChanged, [&] { order << "project"; });

    EXPECT_TRUE(drop(canvas.view, *urlData({QUrl(QStringLiteral("file:///Volumes/Build/My.Cool Tool.app/"))})));
    EXPECT_EQ(canvas.model.appUrl()->toLocalFile(), QStringLiteral("/Volumes/Build/My.Cool Tool.app/"));
    EXPECT_EQ(canvas.project(), expected);
    EXPECT_EQ(order, (QStringList{"url", "project"}));
}

TEST(PreviewCanvasDrop, OnlyAFirstItemNamedExactlyDotAppIsTaken)
{
    const struct {
        QList<QUrl> urls;
        bool accepted;
        const char* appName; // nullptr: no application chosen
    } cases[] = {
        {{file("/apps/Tool.App")}, true, nullptr},
        {{file("/apps/.app")}, true, nullptr},
        {{file("/docs/readme.txt"), file("/apps/Tool.app")}, true, nullptr},
        {{file("/apps/First.app"), file("/apps/Second.app")}, true, "First"},
        {{QUrl(QStringLiteral("https://example.com/Tool.app"))}, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.urls.first().toString().toStdString());
        Canvas canvas(false);
        EXPECT_EQ(drop(canvas.view, *urlData(c.urls)), c.accepted);
        EXPECT_FALSE(canvas.view.isTargeted()); // a drop ends the highlight
        EXPECT_EQ(canvas.project().appName, QString::fromUtf8(c.appName ? c.appName : ""));
        EXPECT_EQ(canvas.model.appUrl().has_value(), c.appName != nullptr);
    }

    Canvas canvas(false);
    QMimeData text;
    text.setText(QStringLiteral("/apps/Tool.app"));
    EXPECT_FALSE(drop(canvas.view, text));
    EXPECT_FALSE(canvas.view.isTargeted());
}

TEST(PreviewCanvasDrop, HoveringFileDragSwitchesTheDropZoneToAccent)
{
    Canvas canvas(false);
    const QRect border(40, 24, 460, 2); // the dashed border's top run
    const QImage idle = picture(canvas.view);
    EXPECT_EQ(countNear(idle, Palette::accent()), 0);
    EXPECT_TRUE(dragEnter(canvas.view, *urlData({file("/apps/Tool.app")})));
    EXPECT_TRUE(canvas.view.isTargeted());
    EXPECT_GT(countNear(picture(canvas.view).copy(border), Palette::accent()), 300);

    QDragLeaveEvent leave;
    QApplication::sendEvent(&canvas.view, &leave);
    EXPECT_FALSE(canvas.view.isTargeted());
    EXPECT_EQ(picture(canvas.view), idle);
}

TEST(PreviewCanvasDrop, ClickOnDropZoneAsksTheDialog)
{
    Canvas canvas(false);
    int asked = 0;
    std::optional<QUrl> answer;
    canvas.view.setApplicationChooser([&](QWidget* parent) {
        EXPECT_EQ(parent, &canvas.view);
        return ++asked, answer;
    });
    click(canvas.view, {270, 191}); // cancelled
    answer = file("/apps/Tool.APP"); // the extension must be exactly "app"
    click(canvas.view, {40, 40});
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(canvas.model.appUrl());

    answer = file("/apps/Tool.app");
    click(canvas.view, {500, 350});
    EXPECT_EQ(canvas.model.appUrl(), file("/apps/Tool.app"));
    EXPECT_EQ(canvas.project().appName, QStringLiteral("Tool"));
    click(canvas.view, {270, 191}); // the mock-up has no click action
    EXPECT_EQ(asked, 3);

    // A press that travels is no click.
    Canvas empty(false);
    empty.view.setApplicationChooser([&](QWidget*) { ++asked; return std::nullopt; });
    dragMouse(empty.view, {100, 100}, {160, 100});
    EXPECT_EQ(asked, 3);
}

TEST(PreviewCanvasDrag, StoredCentreFollowsTheDragTranslation)
{
    const struct {
        const char* name;
        QSize canvas;
        DraggedIcon icon;
        QPointF move;
        IconPositions expected;
    } cases[] = {
        {"full size", {540, 382}, DraggedIcon::app, {30, -20}, {{210, 170}, {360, 190}}},
        {"half scale", {270, 191}, DraggedIcon::applications, {-20, 15}, {{180, 190}, {320, 220}}},
        {"fractional scale", {400, 400}, DraggedIcon::app, {11, 0}, {{180 + 11 / (400.0 / 540.0), 190}, {360, 190}}},
        {"clamped", {540, 382}, DraggedIcon::app, {2000, -2000}, {{476, 64}, {360, 190}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(true, c.canvas);
        const QPointF from = canvas.iconCentre(c.icon);
        dragMouse(canvas.view, from, from + c.move);
        expectAt(canvas, c.expected);
        EXPECT_FALSE(canvas.view.draggedIcon() || canvas.view.dragStartPosition()); // the drag has ended
    }
}

TEST(PreviewCanvasDrag, ProjectChangesDuringTheDragAfterTenPointsAndTheNextStartsFromTheStoredCentre)
{
    Canvas canvas;
    int changes = 0;
    QObject::connect(&canvas.model, &ProjectModel::projectChanged, [&] { ++changes; });
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    press(canvas.view, from);
    moveTo(canvas.view, from + QPointF(6, -7)); // 9.2 points: a jitter
    moveTo(canvas.view, from + QPointF(-9.9, 0));
    EXPECT_FALSE(canvas.view.draggedIcon());
    EXPECT_EQ(changes, 0);

    // Once past the threshold the whole translation counts, from the press point.
    moveTo(canvas.view, from + QPointF(15, -10));
    EXPECT_EQ(canvas.view.draggedIcon(), DraggedIcon::app);
    EXPECT_EQ(canvas.view.dragStartPosition(), (Point{180, 190}));
    expectAt(canvas, {{195, 180}, {360, 190}});
    moveTo(canvas.view, from + QPointF(30, -20));
    release(canvas.view, from + QPointF(30, -20));

    dragMouse(canvas.view, canvas.iconCentre(DraggedIcon::app), canvas.iconCentre(DraggedIcon::app) + QPointF(-50, 0));
    expectAt(canvas, {{160, 170}, {360, 190}});
}

TEST(PreviewCanvasDrag, WhereAPressGrabsWhichIcon)
{
    // The app icon reaches under the status bar, where it is hidden; Applications overlaps it.
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconPositions = {{180, 316}, {230, 270}}; });
    const MockupLayout layout = canvas.view.mockupLayout();
    const QRectF overlap = layout.app.icon.intersected(layout.applications.icon);
    const double statusTop = layout.statusBar.top(), appOnly = layout.app.icon.left() + 5;
    ASSERT_FALSE(overlap.isEmpty());
    ASSERT_GT(layout.app.icon.bottom(), statusTop);
    const struct {
        const char* name;
        QPointF from;
        IconPositions expected;
    } cases[] = {
        {"empty content", {500, 60}, {{180, 316}, {230, 270}}},
        {"title bar", {230, 10}, {{180, 316}, {230, 270}}},
        {"icon under the status bar", {appOnly, statusTop + 5}, {{180, 316}, {230, 270}}},
        {"overlap: Applications wins", overlap.center(), {{180, 316}, {230, 230}}},
        {"shown part of the app icon", {appOnly, statusTop - 5}, {{180, 276}, {230, 230}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dragMouse(canvas.view, c.from, c.from + QPointF(0, -40));
        expectAt(canvas, c.expected);
    }

    // The label is part of the icon's group.
    canvas.update([](VorlapProject& p) { p.iconPositions.app = {100, 100}; });
    const QPointF label = canvas.view.mockupLayout().app.label.center();
    dragMouse(canvas.view, label, label + QPointF(0, 40));
    expectAt(canvas, {{100, 140}, {230, 230}});
}
