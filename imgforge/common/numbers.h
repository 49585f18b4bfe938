// Numbers in arguments and texts. The whole argument must be the number: no
// sign, no spaces, nothing after the digits.
#ifndef IMGFORGE_COMMON_NUMBERS_H
#define IMGFORGE_COMMON_NUMBERS_H

#include <cstdint>

namespace imgforge {

enum class number_status { ok, invalid, too_big };

// Hexadecimal digits with an optional 0x/0X prefix, at most `max`.
number_status parse_hex(const char *arg, uint64_t max, uint64_t &value);

// Decimal digits, at most `max`.
number_status parse_decimal(const char *arg, uint64_t max, uint64_t &value);

} // namespace imgforge

#endif
