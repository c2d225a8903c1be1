// Moving the two icons on the mock-up with real mouse events: the stored centre
// follows the pointer from where the drag began, is clamped inside the window,
// ignores short jitters, and the Applications icon wins where the two overlap.
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

TEST(PreviewCanvasDrag, MovesTheAppIconByTheDragTranslation)
{
    Canvas canvas;
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    press(canvas.view, from);
    moveTo(canvas.view, from + QPointF(15, -10));
    EXPECT_EQ(canvas.view.draggedIcon(), DraggedIcon::app);
    ASSERT_TRUE(canvas.view.dragStartPosition());
    expectAt(*canvas.view.dragStartPosition(), defaultApp);
    // The project changes during the drag, not only at its end.
    expectAt(canvas.project().iconPositions.app, {195, 180});

    moveTo(canvas.view, from + QPointF(30, -20));
    release(canvas.view, from + QPointF(30, -20));

    expectAt(canvas.project().iconPositions.app, {210, 170});
    expectAt(canvas.project().iconPositions.applications, defaultApplications);
    EXPECT_FALSE(canvas.view.draggedIcon());
    EXPECT_FALSE(canvas.view.dragStartPosition());
}

TEST(PreviewCanvasDrag, DividesTheTranslationByTheCanvasScale)
{
    Canvas canvas(true, {270, 191}); // s = 0.5
    dragMouse(canvas.view, canvas.iconCentre(DraggedIcon::applications),
              canvas.iconCentre(DraggedIcon::applications) + QPointF(-20, 15));
    expectAt(canvas.project().iconPositions.applications, {320, 220});
    expectAt(canvas.project().iconPositions.app, defaultApp);
}

TEST(PreviewCanvasDrag, SecondDragStartsFromTheStoredCentre)
{
    Canvas canvas;
    dragMouse(canvas.view, canvas.iconCentre(DraggedIcon::app), canvas.iconCentre(DraggedIcon::app) + QPointF(30, -20));
    dragMouse(canvas.view, canvas.iconCentre(DraggedIcon::app), canvas.iconCentre(DraggedIcon::app) + QPointF(-50, 0));
    expectAt(canvas.project().iconPositions.app, {160, 170});
}

TEST(PreviewCanvasDrag, ClampsPastEveryEdgeWithIconSize128)
{
    Canvas canvas;
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    dragMouse(canvas.view, from, from + QPointF(2000, -2000));
    expectAt(canvas.project().iconPositions.app, {476, 64});

    const QPointF again = canvas.iconCentre(DraggedIcon::app);
    dragMouse(canvas.view, again, again + QPointF(-3000, 3000));
    expectAt(canvas.project().iconPositions.app, {64, 316});
}

TEST(PreviewCanvasDrag, IconLargerThanTheWindowEndsAtHalfItsSize)
{
    // Two 400-point icons overlap almost everywhere; the Applications icon is on top.
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconSize = 400; });
    for (const QPointF move : {QPointF(0, -150), QPointF(0, 150), QPointF(100, 40)}) {
        const QPointF from = canvas.iconCentre(DraggedIcon::applications);
        dragMouse(canvas.view, from, from + move);
        EXPECT_DOUBLE_EQ(canvas.project().iconPositions.applications.y, 200) << move.x() << "," << move.y();
    }
    // Horizontally the 540-point window leaves 200 ... 340.
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.applications.x, 340);
    const QPointF from = canvas.iconCentre(DraggedIcon::applications);
    dragMouse(canvas.view, from, from + QPointF(-500, 0));
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.applications.x, 200);
    expectAt(canvas.project().iconPositions.app, defaultApp);
}

TEST(PreviewCanvasDrag, PositionsStayFractional)
{
    Canvas canvas(true, {400, 400}); // s = 400 / 540
    const QPointF from = canvas.iconCentre(DraggedIcon::app);
    dragMouse(canvas.view, from, from + QPointF(11, 0), 1);
    EXPECT_DOUBLE_EQ(canvas.project().iconPositions.app.x, 180 + 11 / (400.0 / 540.0));
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

TEST(PreviewCanvasDrag, PressOutsideBothIconsMovesNothing)
{
    Canvas canvas;
    dragMouse(canvas.view, {500, 60}, {400, 200});        // empty content
    dragMouse(canvas.view, {180, 10}, {250, 100});        // title bar above the app icon
    VorlapProject expected;
    expected.appName = QStringLiteral("Tool");
    EXPECT_EQ(canvas.project(), expected);
}

TEST(PreviewCanvasDrag, LabelIsPartOfTheIconGroup)
{
    Canvas canvas;
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
