#pragma once
// Runs an independent checker (7zz, dmg2img, python3, ...) and captures its output.
#include <string>
#include <vector>

namespace vorlap::test {

struct ShellResult {
    int exitCode = -1;   // -1 when the program could not be started or died by a signal
    std::string output;  // standard output and standard error, interleaved
};

// Runs argv[0] (looked up in PATH) with the given arguments, no shell in between.
// `input` is written to the child's standard input.
ShellResult runProgram(const std::vector<std::string>& argv, const std::string& input = {});

// True when `program` is found on PATH.
bool haveProgram(const std::string& program);

} // namespace vorlap::test
