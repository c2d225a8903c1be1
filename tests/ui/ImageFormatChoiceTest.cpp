// The save panel's file types choose the image's format, and the panel starts beside the
// app rather than wherever an earlier dialog was left.
#include "support/BackgroundTestSupport.h"
#include "support/EventLoop.h"
#include "support/TestEnvironment.h"
#include "ui/ContentView.h"
#include "ui/ProjectModel.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(ImageFormatChoice, TheChosenFileTypeIsBuiltAndRemembered)
{
    BuildCorner build{DiskTool::standIn};
    BackgroundCorner corner;
    QDir().mkpath(build.path(QStringLiteral("out")));
    QString proposedPath;
    std::optional<ImageFormat> proposedFormat;
    FilePanels panels;
    panels.saveImage = [&](QWidget*, const QString& path, ImageFormat format) {
        proposedPath = path;
        proposedFormat = format;
        return std::optional<ImageSaveChoice>{{build.path(QStringLiteral("out/Sample.dmg")), ImageFormat::udbz}};
    };
    ContentView window(panels, corner.store());
    VorlapProject project = window.model()->project();
    project.format = ImageFormat::ulmo;
    window.model()->setProject(project);
    window.model()->chooseApplication(QUrl::fromLocalFile(build.appPath()));

    window.buildDMG();
    waitUntil([&] { return !window.isBuilding(); }, 60000);

    EXPECT_EQ(proposedPath, QFileInfo(build.appPath()).absolutePath() + QStringLiteral("/Sample.dmg"));
    EXPECT_EQ(proposedFormat, ImageFormat::ulmo);
    EXPECT_EQ(window.model()->project().format, ImageFormat::udbz);
    EXPECT_TRUE(QFileInfo::exists(build.path(QStringLiteral("out/Sample.dmg")))) << window.alertMessage().toStdString();
    EXPECT_TRUE(readFile(build.path(QStringLiteral("state/calls.log"))).contains(" -format UDBZ -o "));
}
