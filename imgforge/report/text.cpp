#include "report/text.h"

#include <array>
#include <cstring>

namespace imgforge {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 (overlong forms,
// surrogates and code points past U+10FFFF are invalid).
size_t utf8_sequence(std::string_view s, size_t i)
{
    auto byte = [&](size_t k) { return k < s.size() ? uint8_t(s[k]) : uint8_t(0); };
    auto cont = [&](size_t k) { return (byte(k) & 0xC0) == 0x80; };
    uint8_t b = byte(i);
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        uint8_t lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        return byte(i + 1) >= lo && byte(i + 1) <= hi && cont(i + 2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        uint8_t lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        return byte(i + 1) >= lo && byte(i + 1) <= hi && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string valid_utf8(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    // Plain ASCII, the common case, is checked without an early exit so that
    // the compiler checks many bytes at once.
    unsigned char high = 0;
    for (char c : text)
        high |= static_cast<unsigned char>(c);
    if (high < 0x80)
        return std::string(text);
    size_t ascii = 0;
    while (uint8_t(text[ascii]) < 0x80)
        ascii++;
    std::string out(text.substr(0, ascii));
    out.reserve(text.size());
    for (size_t i = ascii; i < text.size();) {
        size_t n = utf8_sequence(text, i);
        if (n) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        uint8_t b = uint8_t(text[i++]);
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 0xF];
    }
    return out;
}

void hex_digits(const uint8_t *data, size_t n, char *digits)
{
    // Both digits of every byte value.
    static const auto pairs = [] {
        std::array<char, 512> t{};
        const char hex[] = "0123456789abcdef";
        for (size_t b = 0; b < 256; b++) {
            t[2 * b] = hex[b >> 4];
            t[2 * b + 1] = hex[b & 0xF];
        }
        return t;
    }();
    for (size_t i = 0; i < n; i++)
        std::memcpy(digits + 2 * i, &pairs[2 * size_t(data[i])], 2);
}

} // namespace imgforge
