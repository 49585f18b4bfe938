// Decoded dump (-p): the record context handed to content decoders and the
// text forms shared by them.
#ifndef IMGFORGE_PRETTY_H
#define IMGFORGE_PRETTY_H

#include "nvds.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace imgforge {

// Context of the record being decoded.
struct walk_args {
    uint8_t tag;
    uint32_t addr; // offset of the record data in the region
    uint16_t len;
    nvds_read_fn read;
    const char *arg;    // -o path, or nullptr
    bool *file_failed;  // set by a decoder whose output file failed
    const char *format; // the catalogue's value format, for decoders that print one value
};

// A content decoder prints the record content on standard output. The
// dispatcher has printed the line prefix and checked any fixed length; the
// result is ignored.
using content_decoder = int (*)(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);

// Context of the dump's walk.
struct dump_context {
    const char *output_location; // -o path for USER_APP, or nullptr
    bool file_failed;            // an output file of a decoder failed
};

// Prints the line of one record: offset, tag name and decoded content.
uint32_t walk_cb_pretty(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg);

// The decoded listing of every live record. A failed USER_APP output file
// ends the run with status 2 once the listing is complete.
void pretty_dump(const char *output_location);

// Name of a known tag without its group prefix, or nullptr.
const char *tag_name(uint8_t tag);

// "%02x" per byte joined by single spaces.
void print_spaced_hex(FILE *out, const uint8_t *data, size_t n);
// Six address bytes, last first, as "%02X" joined by ':'.
void show_bd_addr(FILE *out, const uint8_t *addr);
// 0 "public", 1 "private random", else "unknown address type".
const char *addr_type_to_str(uint8_t type);
// Bytes of image text: 0x01-0x1F and 0x7F as "\xNN", every other byte as is.
void print_text(FILE *out, const uint8_t *data, size_t n);
// Length of a text up to its first zero byte (or n).
size_t text_length(const uint8_t *data, size_t n);

// Zero-fills `size` bytes at dst, then reads min(len, size) record bytes.
void read_zero_filled(nvds_read_fn read, uint32_t addr, uint16_t len, void *dst, size_t size);

} // namespace imgforge

#endif
