#include "diskimage/hfsplus/UnicodeDecomposition.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

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

bool composesHere(uint16_t unit)
{
    return (unit >= 0x00C0 && unit <= 0x04FF) || (unit >= 0x1E00 && unit <= 0x1FFF);
}

uint32_t pairKey(uint16_t first, uint16_t second) { return uint32_t{first} << 16 | second; }

// (starter, mark) -> composite, derived from the full decompositions: a composite of n
// units pairs the character whose decomposition is its first n - 1 units with the
// last one. Where two characters decompose alike (U+1F71 and U+03AC), the lower one
// is the composite NFC keeps; the other is a singleton it never produces.
std::unordered_map<uint32_t, uint16_t> buildCompositions()
{
    using namespace unicode_data;
    std::map<std::u16string, uint16_t> byDecomposition;
    for (size_t i = 0; i < decompositionCount; ++i) {
        const DecompositionEntry& e = decompositions[i];
        if (!composesHere(e.codePoint) || e.length < 2 || combiningClass(decompositionPool[e.offset]) != 0)
            continue;
        const std::u16string full(decompositionPool + e.offset, decompositionPool + e.offset + e.length);
        auto [it, added] = byDecomposition.emplace(full, e.codePoint);
        if (!added && e.codePoint < it->second)
            it->second = e.codePoint;
    }
    std::unordered_map<uint32_t, uint16_t> pairs;
    for (const auto& [full, composite] : byDecomposition) {
        uint16_t first = full[0];
        if (full.size() > 2) {
            const auto prefix = byDecomposition.find(full.substr(0, full.size() - 1));
            if (prefix == byDecomposition.end())
                continue;
            first = prefix->second;
        }
        pairs.emplace(pairKey(first, full.back()), composite);
    }
    return pairs;
}

std::optional<uint16_t> composePair(uint16_t first, uint16_t second)
{
    if (first >= leadBase && first < leadBase + 19 && second >= vowelBase && second < vowelBase + vowelCount)
        return static_cast<uint16_t>(hangulFirst + ((first - leadBase) * vowelCount + (second - vowelBase)) * trailCount);
    if (first >= hangulFirst && first <= hangulLast && (first - hangulFirst) % trailCount == 0 && second > trailBase
        && second < trailBase + trailCount)
        return static_cast<uint16_t>(first + (second - trailBase));
    static const std::unordered_map<uint32_t, uint16_t> pairs = buildCompositions();
    const auto found = pairs.find(pairKey(first, second));
    if (found == pairs.end())
        return std::nullopt;
    return found->second;
}

} // namespace

std::vector<uint16_t> composeCommon(const std::vector<uint16_t>& units)
{
    // The canonical composition algorithm: a mark joins the last starter unless a mark
    // of the same or a higher class stands between them.
    std::vector<uint16_t> out;
    out.reserve(units.size());
    size_t starter = SIZE_MAX;
    uint8_t lastClass = 0;
    for (const uint16_t u : units) {
        const uint8_t cc = combiningClass(u);
        const bool adjacent = starter != SIZE_MAX && starter + 1 == out.size();
        if (starter != SIZE_MAX && (adjacent || (lastClass != 0 && lastClass < cc))) {
            if (const auto composite = composePair(out[starter], u)) {
                out[starter] = *composite;
                continue;
            }
        }
        if (cc == 0) {
            starter = out.size();
            lastClass = 0;
        } else {
            lastClass = cc;
        }
        out.push_back(u);
    }
    return out;
}

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
