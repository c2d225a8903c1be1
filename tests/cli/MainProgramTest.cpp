// The `vorlap` program's own options, run as a user would.
#include "support/Shell.h"
#include "support/TestPaths.h"

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
