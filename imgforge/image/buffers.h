// The image buffers, their sizing, inverted (OTP) mode and the memory
// backend the engine runs on.
#ifndef IMGFORGE_IMAGE_BUFFERS_H
#define IMGFORGE_IMAGE_BUFFERS_H

#include <cstdint>

namespace imgforge {

inline constexpr uint32_t DEFAULT_FLASH_SIZE = 65536;
inline constexpr uint32_t OTP_SIZE = 4096;
inline constexpr uint32_t HW_CFG_BYTES = 4;
inline constexpr uint32_t MIN_FLASH_SIZE = 8; // magic and a readable end of chain

extern uint8_t *nvds_buf;
extern uint8_t *nvds_merge_buf;
extern uint32_t buf_size;
extern uint32_t buf_used;
extern bool nvds_inverted;
extern bool buf_read; // set by the first -r: later ones merge

// Start of a run: no buffers, flash mode, then the 65536-byte formatted image.
void image_start();
// End of a run: releases the buffers and the engine's cache.
void image_release();

// Size of the NVDS region: the buffer less the HW configuration word in
// inverted mode.
uint32_t region_size();
// Binds the engine to `buf` with the NVDS region size.
void bind_engine(uint8_t *buf);
// Resizes both buffers and rebinds the engine to nvds_buf.
void realloc_and_reinit_nvds_buf(uint32_t size);

// -f: refused in inverted mode (checked first), then the resize.
void refuse_flash_size_in_otp();
void set_flash_size(uint32_t size);
void set_inverted();                // -i

// Prints "ERROR: failed to put tag ..." with the engine's status text and
// ends the run with status 3.
[[noreturn]] void refuse_put(uint8_t tag, const char *source, uint8_t status);

} // namespace imgforge

#endif
