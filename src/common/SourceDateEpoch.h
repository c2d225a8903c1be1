#pragma once
// SOURCE_DATE_EPOCH (reproducible-builds.org): the moment a reproducible build pretends
// to happen at. When it is set, every date an image stores is this moment, or an item's
// own date when that is older ("clamping"), and nothing else that varies from run to run
// (IDs, UUIDs, owners) reaches the image.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace vorlap {

struct SourceDateEpoch {
    std::optional<int64_t> seconds; // Unix seconds; nullopt when the variable is unset or empty
    std::string error;              // non-empty when it is set but not a number of seconds

    // An item's date as a reproducible build stores it.
    int64_t clamp(int64_t itemSeconds) const { return seconds && itemSeconds > *seconds ? *seconds : itemSeconds; }
};

// Parses `text`: decimal digits only (the convention forbids signs, spaces and
// fractions), at most what a 64-bit count of seconds holds.
inline SourceDateEpoch parseSourceDateEpoch(const char* text)
{
    SourceDateEpoch epoch;
    if (!text || !*text)
        return epoch;
    int64_t value = 0;
    for (const char* p = text; *p; ++p) {
        const int digit = *p - '0';
        if (digit < 0 || digit > 9 || value > (INT64_MAX - digit) / 10) {
            epoch.error =
                std::string("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not \"") + text + "\"";
            return epoch;
        }
        value = value * 10 + digit;
    }
    epoch.seconds = value;
    return epoch;
}

inline SourceDateEpoch sourceDateEpochFromEnvironment()
{
    return parseSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"));
}

} // namespace vorlap
