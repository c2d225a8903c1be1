// The `vorlap` program's own options, run as a user would.
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap::test;

TEST(MainProgram, VersionAndHelp)
{
    const ShellResult version = runProgram({binaryPath("vorlap"), "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, std::string("vorlap ") + VORLAP_VERSION + "\n");

    const ShellResult help = runProgram({binaryPath("vorlap"), "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("Usage: vorlap"), std::string::npos);
}

TEST(MainProgram, UnknownArgumentIsAUsageError)
{
    const ShellResult result = runProgram({binaryPath("vorlap"), "--frobnicate"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.output.find("unknown argument '--frobnicate'"), std::string::npos);
    EXPECT_NE(result.output.find("Usage: vorlap"), std::string::npos);
}

TEST(MainProgram, WithoutArgumentsOpensTheWindowAndKeepsRunning)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Its preferences go to a private place, not the user's.
    QTemporaryDir home;
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QString::fromStdString(binaryPath("vorlap")), QStringList());
    ASSERT_TRUE(program.waitForStarted());
    // A usage error or a crash would end it at once; the window's event loop does not.
    EXPECT_FALSE(program.waitForFinished(1500)) << program.readAll().toStdString();
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished();
    }
}
