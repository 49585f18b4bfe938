// Little-endian field access for record contents.
#ifndef IMGFORGE_COMMON_BYTES_H
#define IMGFORGE_COMMON_BYTES_H

#include <cstdint>

namespace imgforge {

inline uint16_t le16(const uint8_t *p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t le32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace imgforge

#endif
