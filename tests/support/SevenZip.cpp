#include "SevenZip.h"

#include "Shell.h"

#include <gtest/gtest.h>

namespace vorlap::test {

void expectSevenZipHappy(const std::string& image, const std::string& type)
{
    std::vector<std::string> command{"7zz", "t"};
    if (!type.empty())
        command.push_back("-t" + type);
    command.push_back(image);
    const ShellResult r = runProgram(command);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Everything is Ok"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("WARNING"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("ERROR"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
}

} // namespace vorlap::test
