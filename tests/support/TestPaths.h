#pragma once
// Where tests find checked-in fixtures, tools and the programs under test.
#include <string>

namespace vorlap::test {

inline std::string fixturePath(const std::string& name) { return std::string(VORLAP_TEST_FIXTURES) + "/" + name; }
inline std::string toolPath(const std::string& name) { return std::string(VORLAP_TEST_TOOLS) + "/" + name; }
inline std::string binaryPath(const std::string& name) { return std::string(VORLAP_BIN_DIR) + "/" + name; }
inline std::string sourcePath(const std::string& relative) { return std::string(VORLAP_SOURCE_DIR) + "/" + relative; }

} // namespace vorlap::test
