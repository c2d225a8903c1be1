#include "diskimage/udif/Base64.h"

namespace vorlap::diskimage::udif {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valueOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

std::string base64Encode(const uint8_t* data, size_t length)
{
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (length - i == 1) {
        const uint32_t v = uint32_t{data[i]} << 16;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (length - i == 2) {
        const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64Decode(std::string_view text)
{
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3 + 3);
    uint32_t accumulator = 0;
    int pending = 0;   // sextets collected in the current group
    int padding = 0;
    for (const char c : text) {
        if (isSpace(c))
            continue;
        if (c == '=') {
            // Padding may only close a group that already holds two or three sextets.
            if (padding == 0 && pending < 2)
                return std::nullopt;
            ++padding;
            if (pending + padding > 4)
                return std::nullopt;
            continue;
        }
        const int v = valueOf(c);
        if (v < 0 || padding > 0)
            return std::nullopt;
        accumulator = (accumulator << 6) | static_cast<uint32_t>(v);
        if (++pending == 4) {
            out.push_back(static_cast<uint8_t>(accumulator >> 16));
            out.push_back(static_cast<uint8_t>(accumulator >> 8));
            out.push_back(static_cast<uint8_t>(accumulator));
            accumulator = 0;
            pending = 0;
        }
    }
    if (padding > 0 && pending + padding != 4)
        return std::nullopt;
    if (pending == 1)
        return std::nullopt;
    if (pending == 2) {
        out.push_back(static_cast<uint8_t>(accumulator >> 4));
    } else if (pending == 3) {
        out.push_back(static_cast<uint8_t>(accumulator >> 10));
        out.push_back(static_cast<uint8_t>(accumulator >> 2));
    }
    return out;
}

} // namespace vorlap::diskimage::udif
