#include "diskimage/hfsplus/UnicodeName.h"

#include "diskimage/Utf8.h"
#include "diskimage/hfsplus/CaseFolding.h"
#include "diskimage/hfsplus/UnicodeDecomposition.h"

#include <vector>

namespace vorlap::diskimage::hfsplus {

namespace {

// Decodes UTF-8 into code points; false on malformed input (overlongs, surrogates,
// values above U+10FFFF, truncated sequences).
bool decodeUtf8(std::string_view text, std::vector<char32_t>& out)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t cp = 0;
        if (b0 < 0x80) {
            length = 1;
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            length = 2;
            cp = b0 & 0x1F;
        } else if ((b0 & 0xF0) == 0xE0) {
            length = 3;
            cp = b0 & 0x0F;
        } else if ((b0 & 0xF8) == 0xF0) {
            length = 4;
            cp = b0 & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(length) > text.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out.push_back(cp);
        i += static_cast<size_t>(length);
    }
    return true;
}

} // namespace

Result<std::u16string> hfsNameFromUtf8(std::string_view name)
{
    std::vector<char32_t> codePoints;
    if (!decodeUtf8(name, codePoints))
        return fail(ErrorCode::invalidArgument, "the name \"" + std::string(name) + "\" is not valid UTF-8");
    if (codePoints.empty())
        return fail(ErrorCode::invalidArgument, "an empty name cannot be stored");
    std::vector<uint16_t> units;
    units.reserve(codePoints.size());
    for (char32_t cp : codePoints) {
        if (cp == U':')
            cp = U'/';
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
    }
    const std::vector<uint16_t> decomposed = decomposeForHfs(units);
    if (decomposed.size() > maxNameUnits)
        return fail(ErrorCode::invalidArgument, "the name \"" + std::string(name) + "\" is too long: " + std::to_string(decomposed.size())
                    + " UTF-16 units once decomposed, at most 255 fit");
    return std::u16string(decomposed.begin(), decomposed.end());
}

std::string utf8FromHfsName(std::u16string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        char32_t cp = name[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (name[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        } else if (cp == U'/') {
            cp = U':';
        } else if (cp == 0) {
            cp = 0x2400;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string composedUtf8FromHfsName(std::u16string_view name)
{
    const std::vector<uint16_t> composed = composeCommon(std::vector<uint16_t>(name.begin(), name.end()));
    return utf8FromHfsName(std::u16string(composed.begin(), composed.end()));
}

int compareHfsNames(std::u16string_view a, std::u16string_view b)
{
    size_t i = 0, j = 0;
    for (;;) {
        uint16_t ca = 0, cb = 0;
        while (ca == 0 && i < a.size())
            ca = foldCase(a[i++]);
        while (cb == 0 && j < b.size())
            cb = foldCase(b[j++]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0; // both ran out together
    }
}

} // namespace vorlap::diskimage::hfsplus
