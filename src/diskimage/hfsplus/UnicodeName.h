#pragma once
// File and volume names as HFS+ stores them: UTF-16, canonically decomposed, with the
// POSIX ':' kept as '/', at most 255 units; and the case-insensitive order of the catalog.
#include "diskimage/DiskImageError.h"

#include <string>
#include <string_view>

namespace vorlap::diskimage::hfsplus {

constexpr size_t maxNameUnits = 255;

// Converts a POSIX name (UTF-8) into its on-disk form. Fails on invalid UTF-8, an
// empty name, and names longer than 255 UTF-16 units once decomposed.
Result<std::u16string> hfsNameFromUtf8(std::string_view name);

// The POSIX form of an on-disk name: '/' becomes ':' and NUL becomes U+2400, the way
// macOS and Linux present them; unpaired surrogates become U+FFFD.
std::string utf8FromHfsName(std::u16string_view name);
// The same with Latin, Greek, Cyrillic and Hangul composed again (NFC, as Linux names
// are written), so that unpacked names are no longer than the user's own.
std::string composedUtf8FromHfsName(std::u16string_view name);

// FastUnicodeCompare: negative, zero or positive as a sorts before, with or after b
// in an HFS+ ("H+") catalog. Names differing only in case or in ignorable characters
// compare equal.
int compareHfsNames(std::u16string_view a, std::u16string_view b);

} // namespace vorlap::diskimage::hfsplus
