// The `vorlap` program's own options, run as a user would.
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap::test;

TEST(MainProgram, OptionsAnswerAndBadOnesAreUsageErrors)
{
    const struct {
        const char* argument;
        int exitCode;
        std::vector<std::string> expected; // each somewhere in the output
    } cases[] = {
        {"--version", 0, {std::string("vorlap ") + VORLAP_VERSION + "\n"}},
        {"--help", 0, {"Usage: vorlap"}},
        {"--frobnicate", 2, {"unknown argument '--frobnicate'", "Usage: vorlap"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        const ShellResult result = runProgram({binaryPath("vorlap"), c.argument});
        EXPECT_EQ(result.exitCode, c.exitCode);
        for (const std::string& text : c.expected)
            EXPECT_NE(result.output.find(text), std::string::npos) << result.output;
    }
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
