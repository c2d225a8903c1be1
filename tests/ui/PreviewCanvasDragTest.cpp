// Moving the two icons on the mock-up with real mouse events: the stored centre
// follows the pointer from where the drag began (divided by the canvas scale), goes
// through the shared clamp, ignores short jitters, and the Applications icon wins
// where the two overlap.
#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

constexpr Point defaultApp{180, 190};
constexpr Point defaultApplications{360, 190};

void expectAt(const Point& actual, Point expected)
{
    EXPECT_DOUBLE_EQ(actual.x, expected.x);
    EXPECT_DOUBLE_EQ(actual.y, expected.y);
}

} // namespace

TEST(PreviewCanvasDrag, StoredCentreFollowsTheDragTranslation)
{
    const struct {
        const char* name;
        QSize canvas;
        DraggedIcon icon;
        QPointF move;
        Point expected;
    } cases[] = {
        {"full size", {540, 382}, DraggedIcon::app, {30, -20}, {210, 170}},
        {"half scale", {270, 191}, DraggedIcon::applications, {-20, 15}, {320, 220}},
        {"fractional scale", {400, 400}, DraggedIcon::app, {11, 0}, {180 + 11 / (400.0 / 540.0), 190}},
        {"clamped", {540, 382}, DraggedIcon::app, {2000, -2000}, {476, 64}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(true, c.canvas);
        const QPointF from = canvas.iconCentre(c.icon);
        dragMouse(canvas.view, from, from + c.move);
        const bool app = c.icon == DraggedIcon::app;
        expectAt(app ? canvas.project().iconPositions.app : canvas.project().iconPositions.applications, c.expected);
        expectAt(app ? canvas.project().iconPositions.applications : canvas.project().iconPositions.app,
                 app ? defaultApplications : defaultApp);
        EXPECT_FALSE(canvas.view.draggedIcon());
        EXPECT_FALSE(canvas.view.dragStartPosition());
    }
}

TEST(PreviewCanvasDrag, ProjectChangesDuringTheDragAndTheNextStartsFromTheStoredCentre)
{
    Canvas canvas;
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    press(canvas.view, from);
    moveTo(canvas.view, from + QPointF(15, -10));
    EXPECT_EQ(canvas.view.draggedIcon(), DraggedIcon::app);
    ASSERT_TRUE(canvas.view.dragStartPosition());
    expectAt(*canvas.view.dragStartPosition(), defaultApp);
    expectAt(canvas.project().iconPositions.app, {195, 180});
    moveTo(canvas.view, from + QPointF(30, -20));
    release(canvas.view, from + QPointF(30, -20));

    dragMouse(canvas.view, canvas.iconCentre(DraggedIcon::app), canvas.iconCentre(DraggedIcon::app) + QPointF(-50, 0));
    expectAt(canvas.project().iconPositions.app, {160, 170});
}

TEST(PreviewCanvasDrag, MovementUnderTenPointsChangesNothing)
{
    Canvas canvas;
    int changes = 0;
    QObject::connect(&canvas.model, &ProjectModel::projectChanged, [&] { ++changes; });
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    press(canvas.view, from);
    moveTo(canvas.view, from + QPointF(6, -7)); // 9.2 points
    moveTo(canvas.view, from + QPointF(-9.9, 0));
    EXPECT_FALSE(canvas.view.draggedIcon());
    release(canvas.view, from + QPointF(-9.9, 0));
    EXPECT_EQ(changes, 0);
    expectAt(canvas.project().iconPositions.app, defaultApp);

    // Once past the threshold the whole translation counts, from the press point.
    press(canvas.view, from);
    moveTo(canvas.view, from + QPointF(10, 0));
    release(canvas.view, from + QPointF(10, 0));
    expectAt(canvas.project().iconPositions.app, {190, 190});
}

TEST(PreviewCanvasDrag, WhereAPressGrabsWhichIcon)
{
    Canvas canvas;
    dragMouse(canvas.view, {500, 60}, {400, 200}); // empty content
    dragMouse(canvas.view, {180, 10}, {250, 100}); // title bar above the app icon
    VorlapProject expected;
    expected.appName = QStringLiteral("Tool");
    EXPECT_EQ(canvas.project(), expected);

    // The label is part of the icon's group.
    const QPointF label = canvas.view.mockupLayout().app.label.center();
    dragMouse(canvas.view, label, label + QPointF(0, -40));
    expectAt(canvas.project().iconPositions.app, {180, 150});
}

TEST(PreviewCanvasDrag, ApplicationsGroupWinsWhereTheyOverlap)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconPositions.applications = {230, 190}; });
    const MockupLayout layout = canvas.view.mockupLayout();
    const QRectF overlap = layout.app.icon.intersected(layout.applications.icon);
    ASSERT_FALSE(overlap.isEmpty());

    dragMouse(canvas.view, overlap.center(), overlap.center() + QPointF(0, 40));
    expectAt(canvas.project().iconPositions.applications, {230, 230});
    expectAt(canvas.project().iconPositions.app, defaultApp);

    // The part of the app icon that the other group does not cover still moves the app.
    const QPointF appOnly(layout.app.icon.left() + 5, layout.app.icon.center().y());
    dragMouse(canvas.view, appOnly, appOnly + QPointF(0, -40));
    expectAt(canvas.project().iconPositions.app, {180, 150});
}

TEST(PreviewCanvasDrag, IconsCannotBeGrabbedWhereTheyAreHidden)
{
    // The mock-up shows the top 330 points of the content; an icon's hidden part
    // lies under the status bar.
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconPositions.app = {180, 316}; });
    const QRectF icon = canvas.view.mockupLayout().app.icon;
    const double statusTop = canvas.view.mockupLayout().statusBar.top();
    ASSERT_GT(icon.bottom(), statusTop);
    dragMouse(canvas.view, {icon.center().x(), statusTop + 5}, {icon.center().x(), statusTop - 100});
    expectAt(canvas.project().iconPositions.app, {180, 316});
    dragMouse(canvas.view, {icon.center().x(), statusTop - 5}, {icon.center().x(), statusTop - 105});
    expectAt(canvas.project().iconPositions.app, {180, 216});
}
