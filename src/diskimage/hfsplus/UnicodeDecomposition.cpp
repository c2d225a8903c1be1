#include "diskimage/hfsplus/UnicodeDecomposition.h"

#include <algorithm>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr uint16_t hangulFirst = 0xAC00, hangulLast = 0xD7A3;
constexpr uint16_t leadBase = 0x1100, vowelBase = 0x1161, trailBase = 0x11A7;
constexpr int vowelCount = 21, trailCount = 28;

const unicode_data::DecompositionEntry* findDecomposition(uint16_t unit)
{
    using unicode_data::decompositions;
    const auto* end = decompositions + unicode_data::decompositionCount;
    const auto* it = std::lower_bound(decompositions, end, unit,
                                      [](const auto& e, uint16_t u) { return e.codePoint < u; });
    return (it != end && it->codePoint == unit) ? it : nullptr;
}

} // namespace

uint8_t combiningClass(uint16_t unit)
{
    using unicode_data::combiningClasses;
    const auto* end = combiningClasses + unicode_data::combiningClassCount;
    const auto* it = std::upper_bound(combiningClasses, end, unit,
                                      [](uint16_t u, const auto& r) { return u < r.first; });
    if (it == combiningClasses)
        return 0;
    --it;
    return unit <= it->last ? it->combiningClass : 0;
}

std::vector<uint16_t> decomposeForHfs(const std::vector<uint16_t>& units)
{
    std::vector<uint16_t> out;
    out.reserve(units.size() + units.size() / 2);
    for (const uint16_t u : units) {
        if (u >= hangulFirst && u <= hangulLast) {
            const int index = u - hangulFirst;
            out.push_back(static_cast<uint16_t>(leadBase + index / (vowelCount * trailCount)));
            out.push_back(static_cast<uint16_t>(vowelBase + (index % (vowelCount * trailCount)) / trailCount));
            if (index % trailCount != 0)
                out.push_back(static_cast<uint16_t>(trailBase + index % trailCount));
        } else if (const auto* entry = u < 0x80 ? nullptr : findDecomposition(u)) {
            out.insert(out.end(), unicode_data::decompositionPool + entry->offset,
                       unicode_data::decompositionPool + entry->offset + entry->length);
        } else {
            out.push_back(u);
        }
    }
    // Canonical ordering: a stable sort of every run of non-starters by combining class.
    for (size_t i = 0; i < out.size();) {
        if (combiningClass(out[i]) == 0) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < out.size() && combiningClass(out[j]) != 0)
            ++j;
        std::stable_sort(out.begin() + static_cast<long>(i), out.begin() + static_cast<long>(j),
                         [](uint16_t a, uint16_t b) { return combiningClass(a) < combiningClass(b); });
        i = j;
    }
    return out;
}

} // namespace vorlap::diskimage::hfsplus
