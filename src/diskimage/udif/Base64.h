#pragma once
// Base64 (RFC 4648, standard alphabet) for the <data> elements of property lists.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlap::diskimage::udif {

// Padded, no line breaks.
std::string base64Encode(const uint8_t* data, size_t length);

// Skips white space; nullopt on any other character outside the alphabet, on
// misplaced padding or on a length that cannot come from whole bytes.
std::optional<std::vector<uint8_t>> base64Decode(std::string_view text);

} // namespace vorlap::diskimage::udif
