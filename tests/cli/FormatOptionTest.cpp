// `vorlap build --format`: the name checked, the project's choice overridden, and the
// stand-in disk-image tool asked for the format chosen.
#include "cli/BuildCommand.h"
#include "support/QtPrinters.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::cli;
using namespace vorlap::test;

TEST(FormatOption, NamesAreCheckedAndOverrideTheProject)
{
    BuildCorner corner{DiskTool::standIn};
    VorlapProject saved;
    saved.format = ImageFormat::udbz;
    writeFile(corner.path(QStringLiteral("design.vorlap")), *saved.encode());
    const QStringList base = {
        "--app", corner.appPath(), "--output", corner.path("out/x.dmg"), "--project", corner.path("design.vorlap")};

    EXPECT_EQ(buildConfigFor(*parseBuildArguments(base))->format, ImageFormat::udbz);
    EXPECT_EQ(buildConfigFor(*parseBuildArguments(base + QStringList{"--format", "ulmo"}))->format, ImageFormat::ulmo);
    const auto refused = parseBuildArguments(base + QStringList{"--format", "UDRW"});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, QStringLiteral("--format takes UDZO, ULMO or UDBZ, not \"UDRW\""));
}

TEST(FormatOption, TheToolIsAskedForTheChosenFormat)
{
    BuildCorner corner{DiskTool::standIn};
    QDir().mkpath(corner.path(QStringLiteral("out")));
    const ShellResult result = runProgram({binaryPath("vorlap"), "build", "--app", corner.appPath().toStdString(),
                                           "--output", corner.path("out/x.dmg").toStdString(), "--format", "ULMO"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const QByteArray calls = readFile(corner.path(QStringLiteral("state/calls.log")));
    EXPECT_TRUE(calls.contains(" -format ULMO -o ")) << calls.constData();
}
