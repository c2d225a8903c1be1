// Choosing the application on the canvas: dropped file URLs (only the first counts,
// only a name ending in exactly ".app" is taken), the drop highlight, and a click
// on the drop zone answered through the dialog seam.
#include "ui/UiTestSupport.h"
#include "ui/Palette.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

QUrl file(const char* path) { return QUrl::fromLocalFile(QString::fromUtf8(path)); }

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
        {{file("/apps/Tool.app.zip")}, true, nullptr},
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
    EXPECT_GT(countNear(idle.copy(border), Palette::separator()), 300);
    EXPECT_EQ(countNear(idle, Palette::accent()), 0);

    EXPECT_TRUE(dragEnter(canvas.view, *urlData({file("/apps/Tool.app")})));
    EXPECT_TRUE(canvas.view.isTargeted());
    const QImage targeted = picture(canvas.view);
    EXPECT_GT(countNear(targeted.copy(border), Palette::accent()), 300);
    EXPECT_EQ(countNear(targeted, Palette::accentLight()), 0);

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
        ++asked;
        EXPECT_EQ(parent, &canvas.view);
        return answer;
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
