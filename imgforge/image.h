// The image buffers, their sizing, inverted (OTP) mode, the memory backend
// and the options that edit records: -d, -r, -e, -E, -l.
#ifndef IMGFORGE_IMAGE_H
#define IMGFORGE_IMAGE_H

#include <cstdint>
#include <cstdio>

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

// Option actions.
void set_flash_size(const char *arg);             // -f
void set_inverted();                              // -i
void add_tag_data(uint8_t tag, const char *path); // -d
void read_input(const char *path);                // -r
void erase_tag(char option, const char *arg);     // -e, -E
void lock_tag(const char *arg);                   // -l
void extra_usage_erase_workarounds(FILE *out, const char *prefix);

} // namespace imgforge

#endif
