// Moving the two icons on the mock-up with real mouse events: the stored centre
// follows the pointer from where the drag began (divided by the canvas scale), goes
// through the shared clamp, ignores short jitters, and the Applications icon wins
// where the two overlap.
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

void expectAt(const Canvas& canvas, const IconPositions& expected)
{
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.app.x, expected.app.x);
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.app.y, expected.app.y);
    EXPECT_EQ(canvas.project().iconPositions.applications, expected.applications);
}

} // namespace

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
        EXPECT_FALSE(canvas.view.draggedIcon());
        EXPECT_FALSE(canvas.view.dragStartPosition());
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
