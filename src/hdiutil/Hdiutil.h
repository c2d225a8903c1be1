#pragma once
// The `hdiutil` program: verbs, help, and the tool's conventions for output and status.
#include <ostream>
#include <string>
#include <vector>

namespace vorlap::hdiutil {

// Runs one invocation (`arguments` without the program name). Success: exit status 0 and
// the verb's output on `out`. Failure: status 1 and one line "hdiutil: VERB failed - REASON"
// on `err`. "-quiet" silences both.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace vorlap::hdiutil
