// The sidebar driven as a user would: its table of states, the icon-size slider pulling
// the icons inside the canvas, and the four ways of picking a background.
#include "project/PastedBackgrounds.h"
#include "support/BackgroundTestSupport.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "ui/CanvasTestSupport.h"
#include "ui/ImageDropButton.h"
#include "ui/ProjectModel.h"
#include "ui/SidebarView.h"
#include "ui/SymbolButton.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionSlider>
#include "ui/TintedSlider.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class SidebarViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SidebarView::Actions actions{[this] { ++builds; }, [this] { ++saves; }, [this] { ++opens; }};
        sidebar = std::make_unique<SidebarView>(&model, loadRecentBackgrounds(corner.store()), actions, corner.store());
        sidebar->resize(SidebarView::kWidth, 382);
    }

    void update(const std::function<void(VorlapProject&)>& change)
    {
        VorlapProject project = model.project();
        change(project);
        model.setProject(project);
    }

    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    QStringList recentNames() const
    {
        QStringList names;
        for (SymbolButton* row : sidebar->recentRows())
            names << row->label();
        return names;
    }

    BackgroundCorner corner;
    ProjectModel model;
    std::unique_ptr<SidebarView> sidebar;
    int builds = 0, saves = 0, opens = 0;
};

} // namespace

TEST_F(SidebarViewTest, FreshSidebarShowsItsFixedTextsAndTheNoApplicationState)
{
    sidebar->show();
    EXPECT_EQ(sidebar->iconSizeLabel()->text(), QStringLiteral("128 px"));
    EXPECT_EQ(sidebar->iconSizeSlider()->value(), 128);
    EXPECT_EQ(sidebar->chooseButton()->label(), QStringLiteral("Choose image"));
    EXPECT_FALSE(sidebar->removeButton()->isVisible());
    EXPECT_FALSE(sidebar->recentSection()->isVisible());
    EXPECT_EQ(sidebar->canvasCaption()->text(), QString::fromUtf8("Fixed canvas \u00b7 540\u00d7380"));

    // No application: Open only.
    EXPECT_TRUE(sidebar->openButton()->isEnabled());
    EXPECT_FALSE(sidebar->saveButton()->isEnabled());
    EXPECT_FALSE(sidebar->buildButton()->isEnabled());
    EXPECT_EQ(sidebar->buildButton()->label(), QStringLiteral("Build DMG"));
    EXPECT_FALSE(sidebar->progressLine()->isVisible());

    // The command buttons call the window's actions; disabled ones do not.
    sidebar->openButton()->click();
    sidebar->saveButton()->click();
    sidebar->buildButton()->click();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(saves + builds, 0);
}

TEST_F(SidebarViewTest, CommandsFollowTheApplicationAndTheBuild)
{
    sidebar->show();
    model.chooseApplication(QUrl::fromLocalFile(QStringLiteral("/Apps/Tool.app")));
    EXPECT_TRUE(sidebar->openButton()->isEnabled());
    EXPECT_TRUE(sidebar->saveButton()->isEnabled());
    EXPECT_TRUE(sidebar->buildButton()->isEnabled());
    sidebar->saveButton()->click();
    sidebar->buildButton()->click();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(builds, 1);

    // Building, before the first message: spinner and "Building", no progress line.
    sidebar->setBuildState(true, std::nullopt);
    EXPECT_FALSE(sidebar->buildButton()->isEnabled());
    EXPECT_TRUE(sidebar->buildButton()->isBusy());
    EXPECT_EQ(sidebar->buildButton()->label(), QStringLiteral("Building"));
    EXPECT_FALSE(sidebar->progressLine()->isVisible());
    EXPECT_TRUE(sidebar->openButton()->isEnabled());
    EXPECT_TRUE(sidebar->saveButton()->isEnabled());

    sidebar->setBuildState(true, QStringLiteral("Copying files..."));
    EXPECT_TRUE(sidebar->progressLine()->isVisible());
    EXPECT_EQ(sidebar->progressLine()->text(), QStringLiteral("Copying files..."));

    // A message too long for the line is shortened in the middle.
    const QString longMessage = QStringLiteral("Copying ") + QString(80, u'x') + QStringLiteral(" files...");
    sidebar->setBuildState(true, longMessage);
    const QString shown = sidebar->progressLine()->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Copying")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("files...")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));

    sidebar->setBuildState(false, QStringLiteral("Done!"));
    EXPECT_TRUE(sidebar->buildButton()->isEnabled());
    EXPECT_FALSE(sidebar->buildButton()->isBusy());
    EXPECT_EQ(sidebar->buildButton()->label(), QStringLiteral("Build DMG"));
    EXPECT_FALSE(sidebar->progressLine()->isVisible());
}

TEST_F(SidebarViewTest, IconSizeLabelShowsWholeNumbers)
{
    EXPECT_EQ(SidebarView::iconSizeText(128.9), QStringLiteral("128 px"));
    EXPECT_EQ(SidebarView::iconSizeText(-0.5), QStringLiteral("0 px"));
    EXPECT_EQ(SidebarView::iconSizeText(1e12), QStringLiteral("1000000000000 px"));

    sidebar->show();
    sidebar->iconSizeSlider()->setValue(48);
    EXPECT_EQ(sidebar->iconSizeLabel()->text(), QStringLiteral("48 px"));
    EXPECT_EQ(model.project().iconSize, 48);
    // The slider stops only at multiples of 8 from 48.
    sidebar->iconSizeSlider()->setValue(133);
    EXPECT_EQ(sidebar->iconSizeSlider()->value(), 136);
    EXPECT_EQ(model.project().iconSize, 136);
}

TEST_F(SidebarViewTest, DraggingTheKnobSetsTheIconSize)
{
    sidebar->show();
    TintedSlider& slider = *sidebar->iconSizeSlider();
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = option.sliderValue = slider.value();
    const QRect handle = slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
    dragMouse(slider, handle.center(), QPointF(slider.width() + 40, handle.center().y()));
    EXPECT_EQ(model.project().iconSize, 256);
    EXPECT_EQ(sidebar->iconSizeLabel()->text(), QStringLiteral("256 px"));
}

TEST_F(SidebarViewTest, LargerIconsPullCentresInsideTheCanvas)
{
    sidebar->show();
    update([](VorlapProject& p) { p.iconPositions = {{180, 190}, {470, 70}}; });
    sidebar->iconSizeSlider()->setValue(256);
    EXPECT_EQ(model.project().iconSize, 256);
    EXPECT_EQ(model.project().iconPositions.app, (Point{180, 190}));
    EXPECT_EQ(model.project().iconPositions.applications, (Point{412, 128}));

    // A window of another size is set to 540 x 380; the icons are clamped, not reset.
    update([](VorlapProject& p) {
        p.windowSize = {800, 600};
        p.iconPositions = {{700, 500}, {300, 20}};
    });
    sidebar->iconSizeSlider()->setValue(96);
    EXPECT_EQ(model.project().windowSize, fixedCanvasSize);
    EXPECT_EQ(model.project().iconPositions.app, (Point{492, 332}));
    EXPECT_EQ(model.project().iconPositions.applications, (Point{300, 48}));

    // A project replaced whole (as Open does) with a new size is clamped too.
    update([](VorlapProject& p) {
        p.iconSize = 160;
        p.iconPositions = {{10, 10}, {360, 190}};
    });
    EXPECT_EQ(model.project().iconPositions.app, (Point{80, 80}));
    EXPECT_EQ(sidebar->iconSizeSlider()->value(), 160);
}

TEST_F(SidebarViewTest, SizeChangesBeforeTheFirstShowingAreNotClamped)
{
    update([](VorlapProject& p) {
        p.iconSize = 256;
        p.iconPositions.applications = {470, 70};
    });
    EXPECT_EQ(model.project().iconPositions.applications, (Point{470, 70}));
    sidebar->show();
    EXPECT_EQ(model.project().iconPositions.applications, (Point{470, 70}));
}

TEST_F(SidebarViewTest, ChosenBackgroundShowsItsNameAndCanBeRemoved)
{
    sidebar->show();
    const QString picture = corner.picture(QStringLiteral("a picture with a very long name that cannot fit.png"));
    sidebar->setImageChooser([&](QWidget*) { return std::optional<QString>(picture); });
    sidebar->chooseButton()->click();

    EXPECT_EQ(model.project().backgroundImagePath, picture);
    EXPECT_EQ(sidebar->chooseButton()->label(), QStringLiteral("a picture with a very long name that cannot fit.png"));
    const QString shown = sidebar->chooseButton()->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("a pic")) && shown.endsWith(QStringLiteral("fit.png")) &&
                shown.contains(QChar(0x2026)))
        << shown.toStdString();
    EXPECT_TRUE(sidebar->removeButton()->isVisible());
    EXPECT_TRUE(sidebar->recentSection()->isVisible());
    EXPECT_EQ(recentNames(), QStringList{QFileInfo(picture).fileName()});

    sidebar->removeButton()->click();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
    EXPECT_EQ(sidebar->chooseButton()->label(), QStringLiteral("Choose image"));
    EXPECT_FALSE(sidebar->removeButton()->isVisible());
    EXPECT_EQ(sidebar->recentBackgrounds(), QStringList{picture});
    EXPECT_TRUE(QFileInfo::exists(picture));

    // A cancelled dialog changes nothing.
    sidebar->setImageChooser([](QWidget*) { return std::optional<QString>(); });
    sidebar->chooseButton()->click();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
}

TEST_F(SidebarViewTest, RecentRowsApplyAndMoveToTheTop)
{
    const QString first = corner.picture(QStringLiteral("first.png"));
    const QString second = corner.picture(QStringLiteral("second.png"));
    const QString third = corner.picture(QStringLiteral("third.png"));
    for (const QString& path : {first, second, third})
        addRecentBackground(path, corner.store());
    SetUp(); // a sidebar that starts from the stored list
    sidebar->show();
    EXPECT_EQ(recentNames(), (QStringList{QStringLiteral("third.png"), QStringLiteral("second.png"), QStringLiteral("first.png")}));

    sidebar->recentRows()[2]->click();
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, first);
    EXPECT_EQ(recentNames(), (QStringList{QStringLiteral("first.png"), QStringLiteral("third.png"), QStringLiteral("second.png")}));

    // A listed file that has gone: the project stays, the row disappears.
    ASSERT_TRUE(QFile::remove(second));
    sidebar->recentRows()[2]->click();
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, first);
    EXPECT_EQ(recentNames(), (QStringList{QStringLiteral("first.png"), QStringLiteral("third.png")}));
}

TEST_F(SidebarViewTest, DropsOnTheChooseButtonUseTheFirstPictureOnly)
{
    sidebar->show();
    const QString picture = corner.picture(QStringLiteral("dropped.png"));
    const QString other = corner.picture(QStringLiteral("other.png"));
    const QString text = corner.textFile(QStringLiteral("text.png"));

    EXPECT_TRUE(drop(*sidebar->chooseButton(), *urlData({QUrl::fromLocalFile(text), QUrl::fromLocalFile(picture)}), {20, 10}));
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
    EXPECT_TRUE(sidebar->recentBackgrounds().isEmpty());

    EXPECT_TRUE(drop(*sidebar->chooseButton(), *urlData({QUrl::fromLocalFile(picture), QUrl::fromLocalFile(other)}), {20, 10}));
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, picture);
    EXPECT_EQ(sidebar->recentBackgrounds(), QStringList{picture});

    // Web addresses are not files: the drag is refused.
    EXPECT_FALSE(dragEnter(*sidebar->chooseButton(), *urlData({QUrl(QStringLiteral("https://example.invalid/a.png"))}),
                           {20, 10}));
}

TEST_F(SidebarViewTest, CtrlVPastesFromTheClipboard)
{
    if (!corner.dataFolderIsPrivate())
        GTEST_SKIP() << "the user's data folder cannot be redirected on this platform";
    sidebar->show();
    sidebar->activateWindow();
    QApplication::setActiveWindow(sidebar.get());
    EXPECT_EQ(sidebar->pasteButton()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));

    const QString picture = corner.picture(QStringLiteral("copied.png"));
    auto* mime = new QMimeData;
    mime->setText(picture + QStringLiteral("\n"));
    QGuiApplication::clipboard()->setMimeData(mime);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
    QApplication::sendEvent(sidebar->iconSizeSlider(), &press);
    // A shortcut presses the button visibly: the click lands a moment later.
    EXPECT_TRUE(waitUntil([&] { return model.project().backgroundImagePath.has_value(); }, 2000));
    EXPECT_EQ(model.project().backgroundImagePath, picture);

    // A screenshot through the paste button: a new stored picture, first in the list.
    QImage screenshot(16, 12, QImage::Format_RGB32);
    screenshot.fill(Qt::darkCyan);
    auto* image = new QMimeData;
    image->setImageData(screenshot);
    QGuiApplication::clipboard()->setMimeData(image);
    sidebar->pasteButton()->click();
    ASSERT_TRUE(model.project().backgroundImagePath.has_value());
    EXPECT_EQ(QFileInfo(*model.project().backgroundImagePath).path(), corner.pastedFolder());
    EXPECT_EQ(sidebar->recentBackgrounds(), (QStringList{*model.project().backgroundImagePath, picture}));
    QGuiApplication::clipboard()->clear();
}
