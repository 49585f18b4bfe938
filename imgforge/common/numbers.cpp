#include "common/numbers.h"

namespace imgforge {

namespace {

int digit_value(char c, int base)
{
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'z' ? c - 'a' + 10
            : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                   : base;
    return v < base ? v : -1;
}

// One or more digits up to the end of the text. Digits past `max` are still
// checked, so "12x" is invalid rather than too big.
number_status read_digits(const char *p, int base, uint64_t max, uint64_t &value)
{
    if (*p == '\0')
        return number_status::invalid;
    uint64_t v = 0;
    bool over = false;
    for (; *p; p++) {
        int d = digit_value(*p, base);
        if (d < 0)
            return number_status::invalid;
        if (!over && (uint64_t(d) > max || v > (max - uint64_t(d)) / uint64_t(base)))
            over = true;
        if (!over)
            v = v * uint64_t(base) + uint64_t(d);
    }
    if (over)
        return number_status::too_big;
    value = v;
    return number_status::ok;
}

} // namespace

number_status parse_hex(const char *arg, uint64_t max, uint64_t &value)
{
    if (arg[0] == '0' && (arg[1] == 'x' || arg[1] == 'X'))
        arg += 2;
    return read_digits(arg, 16, max, value);
}

number_status parse_decimal(const char *arg, uint64_t max, uint64_t &value)
{
    return read_digits(arg, 10, max, value);
}

} // namespace imgforge
