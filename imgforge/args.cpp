#include "args.h"

#include <cctype>

namespace imgforge {

namespace {

const char *skip_space_and_plus(const char *p)
{
    while (std::isspace(static_cast<unsigned char>(*p)))
        p++;
    return *p == '+' ? p + 1 : p;
}

int digit_value(char c, int base)
{
    unsigned char u = static_cast<unsigned char>(c);
    int v = std::isdigit(u) ? u - '0' : std::isalpha(u) ? (u | 0x20) - 'a' + 10 : base;
    return v < base ? v : -1;
}

// Reads digits while the value stays within `max`; false when there is no
// digit or the value exceeds `max`.
bool read_number(const char *p, int base, uint64_t max, uint64_t *value)
{
    uint64_t v = 0;
    const char *start = p;
    for (int d; (d = digit_value(*p, base)) >= 0; p++) {
        v = v * uint64_t(base) + uint64_t(d);
        if (v > max)
            return false;
    }
    *value = v;
    return p != start;
}

} // namespace

int parse_tag(const char *arg)
{
    const char *p = skip_space_and_plus(arg);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2], 16) >= 0)
        p += 2;
    uint64_t value = 0;
    return read_number(p, 16, 0xFF, &value) ? int(value) : -1;
}

bool parse_u32(const char *arg, uint32_t *value)
{
    uint64_t v = 0;
    if (!read_number(skip_space_and_plus(arg), 10, 0xFFFFFFFF, &v))
        return false;
    *value = uint32_t(v);
    return true;
}

} // namespace imgforge
