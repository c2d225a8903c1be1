#include "hdiutil/SizeArgument.h"

#include <cctype>
#include <limits>

namespace vorlap::hdiutil {

diskimage::Result<uint64_t> parseSize(const std::string& text)
{
    const auto invalid = [&] { return diskimage::fail(diskimage::ErrorCode::invalidArgument, "invalid size \"" + text + "\" (expected a number and b, k, m, g or t)"); };
    if (text.size() < 2)
        return invalid();
    uint64_t unit = 0;
    switch (std::tolower(static_cast<unsigned char>(text.back()))) {
    case 'b': unit = 512; break;
    case 'k': unit = uint64_t{1} << 10; break;
    case 'm': unit = uint64_t{1} << 20; break;
    case 'g': unit = uint64_t{1} << 30; break;
    case 't': unit = uint64_t{1} << 40; break;
    default: return invalid();
    }
    uint64_t number = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return invalid();
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (number > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            return invalid();
        number = number * 10 + digit;
    }
    if (number == 0 || number > (uint64_t{1} << 63) / unit)
        return invalid();
    return number * unit;
}

} // namespace vorlap::hdiutil
