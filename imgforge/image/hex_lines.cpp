#include "image/hex_lines.h"

#include <algorithm>
#include <cstring>

namespace imgforge {

namespace {

int hex_value(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c |= 0x20;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

bool hex_lines_decoder::feed(const uint8_t *text, size_t n)
{
    for (size_t i = 0; i < n && valid; i++) {
        uint8_t c = text[i];
        int v = hex_value(c);
        switch (state) {
        case line_start:
            valid = v >= 0;
            high = uint8_t(v);
            state = second_digit;
            break;
        case second_digit:
            valid = v >= 0;
            if (valid && count < capacity)
                out[count] = uint8_t(high << 4 | v);
            count++;
            state = line_end;
            break;
        case line_end:
            valid = c == '\n' || c == '\r';
            state = c == '\r' ? after_cr : line_start;
            break;
        case after_cr:
            valid = c == '\n';
            state = line_start;
            break;
        }
    }
    return valid;
}

bool hex_lines_start_with(const uint8_t *text, size_t n, const uint8_t magic[4])
{
    uint8_t first[4];
    hex_lines_decoder decoder(first, sizeof first);
    // Four CRLF lines take 16 characters.
    decoder.feed(text, std::min<size_t>(n, 16));
    return decoder.decoded() >= 4 && std::memcmp(first, magic, 4) == 0;
}

} // namespace imgforge
