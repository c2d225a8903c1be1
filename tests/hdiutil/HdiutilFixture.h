#pragma once
// Runs our `hdiutil` program as the build does, each test with its own attachment
// records and folders.
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlap::test {

class HdiutilFixture : public ::testing::Test {
protected:
    void SetUp() override { environment.setPath("XDG_STATE_HOME", qpath("state")); }
    void TearDown() override
    {
        // Nothing may stay attached after a test.
        EXPECT_TRUE(QDir(qpath("state/vorlap/hdiutil")).entryList(QDir::Files).isEmpty())
            << "attachment records left: " << QDir(qpath("state/vorlap/hdiutil")).entryList(QDir::Files).join(' ').toStdString();
    }

    std::string path(const std::string& relative) const { return qpath(relative.c_str()).toStdString(); }
    std::string path(const char* relative) const { return path(std::string(relative)); }
    QString qpath(const char* relative) const { return environment.scratch().path() + "/" + QString::fromUtf8(relative); }
    static QString q(const std::string& text) { return QString::fromStdString(text); }

    ShellResult hdiutil(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), binaryPath("hdiutil"));
        return runProgram(arguments);
    }

    // Runs and expects success, returning the output.
    std::string ok(const std::vector<std::string>& arguments) const
    {
        const ShellResult result = hdiutil(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return result.output;
    }

    EnvironmentGuard environment;
};

} // namespace vorlap::test
