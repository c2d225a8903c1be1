#pragma once
// The XML property lists of UDIF images: a small, strict reader for the subset of
// XML that Apple's property-list writer produces, and the escaping the writer needs.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlap::diskimage::udif {

struct PlistValue {
    enum class Kind { Dict, Array, String, Data, Integer, Real, Boolean, Date };

    Kind kind = Kind::String;
    std::string text;               // String, Integer, Real, Date as written; Boolean "true"/"false"
    std::vector<uint8_t> data;      // Data, decoded
    std::vector<std::string> keys;  // Dict: keys[i] names items[i], in file order
    std::vector<PlistValue> items;  // Dict values or Array elements

    // The value of `key` in a Dict; nullptr when absent or not a Dict.
    const PlistValue* find(std::string_view key) const;
};

inline constexpr int kPlistMaxDepth = 32;

// Parses a whole document: optional XML declaration, DOCTYPE and comments, then
// <plist> holding one value. Fails on anything outside that subset (CDATA,
// processing instructions inside, unknown entities, bad base64, deeper nesting
// than kPlistMaxDepth).
Result<PlistValue> parseXmlPropertyList(std::string_view xml);

// Text with &, <, > escaped for element content.
std::string xmlEscape(std::string_view text);

} // namespace vorlap::diskimage::udif
