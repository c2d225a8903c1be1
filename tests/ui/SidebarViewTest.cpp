// The sidebar driven as a user would: its table of states, the icon-size slider pulling
// the icons inside the canvas, and the four ways of picking a background.
#include "project/PastedBackgrounds.h"
#include "support/QtPrinters.h"
#include "ui/UiTestSupport.h"
#include "ui/ImageDropButton.h"
#include "ui/TintedSlider.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>

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

    void update(const std::function<void(VorlapProject&)>& change) { editProject(model, change); }
    void settle() { QApplication::processEvents(); QApplication::processEvents(); }

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

TEST_F(SidebarViewTest, CommandsFollowTheApplicationAndTheBuild)
{
    sidebar->show();
    // No application: Open only; the disabled buttons call nothing.
    for (SymbolButton* button : {sidebar->openButton(), sidebar->saveButton(), sidebar->buildButton()})
        button->click();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(saves + builds, 0);

    model.chooseApplication(QUrl::fromLocalFile(QStringLiteral("/Apps/Tool.app")));
    sidebar->saveButton()->click();
    sidebar->buildButton()->click();
    EXPECT_EQ(saves + builds, 2);

    // Building, before the first message: spinner and "Building", no progress line.
    sidebar->setBuildState(true, std::nullopt);
    EXPECT_FALSE(sidebar->buildButton()->isEnabled());
    EXPECT_TRUE(sidebar->buildButton()->isBusy());
    EXPECT_FALSE(sidebar->progressLine()->isVisible());

    sidebar->setBuildState(true, QStringLiteral("Copying files..."));
    EXPECT_TRUE(sidebar->progressLine()->isVisible() && sidebar->progressLine()->text() == "Copying files...");

    sidebar->setBuildState(false, QStringLiteral("Done!"));
    EXPECT_TRUE(sidebar->buildButton()->isEnabled());
    EXPECT_FALSE(sidebar->progressLine()->isVisible());
}

TEST_F(SidebarViewTest, SliderSetsOfferedSizesAndPullsTheIconsInside)
{
    EXPECT_EQ(SidebarView::iconSizeText(128.9), QStringLiteral("128 px"));
    EXPECT_EQ(SidebarView::iconSizeText(-0.5), QStringLiteral("0 px"));
    EXPECT_EQ(SidebarView::iconSizeText(1e12), QStringLiteral("1000000000000 px"));

    // Changes before the sidebar first shows are the opened file's: not clamped.
    update([](VorlapProject& p) { p.iconSize = 256; p.iconPositions.applications = {470, 70}; });
    sidebar->show();
    EXPECT_EQ(model.project().iconPositions.applications, (Point{470, 70}));

    update([](VorlapProject& p) { p.iconSize = 128; p.iconPositions = {{180, 190}, {470, 70}}; });
    sidebar->iconSizeSlider()->setValue(133); // stops only at multiples of 8 from 48
    EXPECT_EQ(sidebar->iconSizeLabel()->text(), QStringLiteral("136 px"));
    EXPECT_EQ(model.project().iconSize, 136);
    sidebar->iconSizeSlider()->setValue(256);
    EXPECT_EQ(model.project().iconPositions, (IconPositions{{180, 190}, {412, 128}}));

    // A window of another size is set to 540 x 380; the icons are clamped, not reset.
    update([](VorlapProject& p) { p.windowSize = {800, 600}; p.iconPositions = {{700, 500}, {300, 20}}; });
    sidebar->iconSizeSlider()->setValue(96);
    EXPECT_EQ(model.project().windowSize, fixedCanvasSize);
    EXPECT_EQ(model.project().iconPositions, (IconPositions{{492, 332}, {300, 48}}));

    // A project replaced whole (as Open does) with a new size is clamped too.
    update([](VorlapProject& p) { p.iconSize = 160; p.iconPositions = {{10, 10}, {360, 190}}; });
    EXPECT_EQ(model.project().iconPositions.app, (Point{80, 80}));
    EXPECT_EQ(sidebar->iconSizeSlider()->value(), 160);
}

TEST_F(SidebarViewTest, ChosenBackgroundShowsItsNameAndCanBeRemoved)
{
    sidebar->show();
    EXPECT_FALSE(sidebar->recentSection()->isVisible());
    const QString picture = corner.picture(QStringLiteral("a picture with a very long name that cannot fit.png"));
    std::optional<QString> answer = picture;
    sidebar->setImageChooser([&](QWidget*) { return answer; });
    sidebar->chooseButton()->click();

    EXPECT_EQ(sidebar->chooseButton()->label(), QFileInfo(picture).fileName());
    EXPECT_TRUE(sidebar->removeButton()->isVisible());
    EXPECT_TRUE(sidebar->recentSection()->isVisible());
    EXPECT_EQ(recentNames(), QStringList{QFileInfo(picture).fileName()});

    sidebar->removeButton()->click();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
    EXPECT_FALSE(sidebar->removeButton()->isVisible());
    EXPECT_EQ(sidebar->recentBackgrounds(), QStringList{picture}); // the picture stays listed, and on disk
    EXPECT_TRUE(QFileInfo::exists(picture));

    answer.reset(); // a cancelled dialog changes nothing
    sidebar->chooseButton()->click();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
}

TEST_F(SidebarViewTest, RecentRowsApplyAndMoveToTheTop)
{
    QStringList pictures;
    for (const char* name : {"first.png", "second.png", "third.png"})
        addRecentBackground(pictures.emplace_back(corner.picture(QString::fromUtf8(name))), corner.store());
    SetUp(); // a sidebar that starts from the stored list
    sidebar->show();
    EXPECT_EQ(recentNames(), (QStringList{"third.png", "second.png", "first.png"}));

    sidebar->recentRows()[2]->click();
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, pictures[0]);
    EXPECT_EQ(recentNames(), (QStringList{"first.png", "third.png", "second.png"}));

    // A listed file that has gone: the project stays, the row disappears.
    ASSERT_TRUE(QFile::remove(pictures[1]));
    sidebar->recentRows()[2]->click();
    settle();
    EXPECT_EQ(recentNames(), (QStringList{"first.png", "third.png"}));
}

TEST_F(SidebarViewTest, DropsOnTheChooseButtonUseTheFirstPictureOnly)
{
    sidebar->show();
    const QUrl picture = QUrl::fromLocalFile(corner.picture(QStringLiteral("dropped.png")));
    const QUrl other = QUrl::fromLocalFile(corner.picture(QStringLiteral("other.png")));
    const QUrl text = QUrl::fromLocalFile(corner.textFile(QStringLiteral("text.png")));
    ImageDropButton& button = *sidebar->chooseButton();

    EXPECT_TRUE(drop(button, *urlData({text, picture}), {20, 10}));
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, std::nullopt);
    EXPECT_TRUE(drop(button, *urlData({picture, other}), {20, 10}));
    settle();
    EXPECT_EQ(model.project().backgroundImagePath, picture.toLocalFile());

    // Web addresses are not files: the drag is refused.
    EXPECT_FALSE(dragEnter(button, *urlData({QUrl(QStringLiteral("https://example.invalid/a.png"))}), {20, 10}));
}

TEST_F(SidebarViewTest, CtrlVPastesFromTheClipboard)
{
    if (!corner.dataFolderIsPrivate())
        GTEST_SKIP() << "the user's data folder cannot be redirected on this platform";
    sidebar->show();
    QApplication::setActiveWindow(sidebar.get());
    const QString picture = corner.picture(QStringLiteral("copied.png"));
    auto* mime = new QMimeData;
    mime->setText(picture + QStringLiteral("\n"));
    QGuiApplication::clipboard()->setMimeData(mime);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
    QApplication::sendEvent(sidebar->iconSizeSlider(), &press);
    // A shortcut presses the button visibly: the click lands a moment later.
    EXPECT_TRUE(waitUntil([&] { return model.project().backgroundImagePath.has_value(); }, 2000));
    EXPECT_EQ(model.project().backgroundImagePath, picture);
    EXPECT_EQ(sidebar->recentBackgrounds(), QStringList{picture});
    QGuiApplication::clipboard()->clear();
}
