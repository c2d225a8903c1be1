#pragma once
// 7-Zip as an independent checker of the images we write.
#include <string>

namespace vorlap::test {

// `7zz t` (with -t<type> when one is given) finds nothing wrong: not even a warning
// (a master checksum mismatch is only a warning to it).
void expectSevenZipHappy(const std::string& image, const std::string& type = {});

} // namespace vorlap::test
