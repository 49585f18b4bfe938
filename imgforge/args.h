// Numbers in option arguments.
#ifndef IMGFORGE_ARGS_H
#define IMGFORGE_ARGS_H

#include <cstdint>

namespace imgforge {

// A hexadecimal byte ("0x" prefix allowed, text after the number ignored);
// -1 when there is no number or it does not fit in a byte.
int parse_tag(const char *arg);

// A decimal unsigned 32-bit number (text after the number ignored); false
// when there is no number, it carries a minus sign or it does not fit.
bool parse_u32(const char *arg, uint32_t *value);

} // namespace imgforge

#endif
