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

// Digits by arithmetic, not a table, so that the compiler handles many
// bytes at once.
void hex_digits(const uint8_t *data, size_t n, char *digits)
{
    for (size_t i = 0; i < n; i++) {
        uint8_t high = data[i] >> 4, low = data[i] & 0xF;
        digits[2 * i] = char(high + (high > 9 ? 'a' - 10 : '0'));
        digits[2 * i + 1] = char(low + (low > 9 ? 'a' - 10 : '0'));
    }
}

} // namespace imgforge
