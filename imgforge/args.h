// Numbers in option arguments. The whole argument must be the number: no
// sign, no spaces, nothing after the digits.
#ifndef IMGFORGE_ARGS_H
#define IMGFORGE_ARGS_H

#include <cstdint>

namespace imgforge {

enum class number_status { ok, invalid, too_big };

// Hexadecimal digits with an optional 0x/0X prefix, at most `max`.
number_status parse_hex(const char *arg, uint64_t max, uint64_t &value);

// Decimal digits, at most `max`.
number_status parse_decimal(const char *arg, uint64_t max, uint64_t &value);

// The tag argument of an option: a hexadecimal byte from `min` up. Anything
// else prints "ERROR: invalid -<option> argument" and ends the run with
// status 1.
uint8_t tag_or_die(char option, const char *arg, unsigned min = 0);

} // namespace imgforge

#endif
