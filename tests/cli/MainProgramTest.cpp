// The `vorlap` program's own options, run as a user would.
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap::test;

TEST(MainProgram, OptionsAnswerBadOnesAreUsageErrorsAndNoneOpensTheWindow)
{
    // Its preferences go to a private place, not the user's.
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    const struct {
        std::vector<std::string> arguments;
        const char* timeout;
        int exitCode;
        std::vector<std::string> expected; // each somewhere in the output
    } cases[] = {
        {{"--version"}, "60", 0, {std::string("vorlap ") + VORLAP_VERSION + "\n"}},
        {{"--help"}, "60", 0, {"Usage: vorlap"}},
        {{"--frobnicate"}, "60", 2, {"unknown argument '--frobnicate'", "Usage: vorlap"}},
        // A usage error or a crash would end it at once; the window's event loop runs until
        // `timeout` stops it.
        {{}, "1.5", 124, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        std::vector<std::string> argv = {"env", "QT_QPA_PLATFORM=offscreen", "HOME=" + h, "XDG_CONFIG_HOME=" + h + "/config",
                                         "XDG_DATA_HOME=" + h + "/data", "timeout", c.timeout, binaryPath("vorlap")};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const ShellResult result = runProgram(argv);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        for (const std::string& text : c.expected)
            EXPECT_NE(result.output.find(text), std::string::npos) << result.output;
    }
}
