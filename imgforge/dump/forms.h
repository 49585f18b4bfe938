// What every content decoder of the decoded dump works with: the record
// context it is handed, and the text forms the listings share.
#ifndef IMGFORGE_DUMP_FORMS_H
#define IMGFORGE_DUMP_FORMS_H

#include "common/files.h"
#include "common/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace imgforge {

// Reads record data: the engine's bounds-checked read over the image's
// region, or a test's own.
struct record_reader {
    int (*fn)(void *context, uint32_t address, uint32_t length, uint8_t *dst);
    void *context;
    int operator()(uint32_t address, uint32_t length, uint8_t *dst) const
    {
        return fn(context, address, length, dst);
    }
};

// Context of the record being decoded.
struct walk_args {
    uint8_t tag;
    uint32_t addr; // offset of the record data in the region
    uint16_t len;
    record_reader read;
    const char *arg;       // -o path, or nullptr
    bool *file_failed;     // set by a decoder whose output file failed
    const char *format;    // the catalogue's value format, for decoders that print one value
    const text_sink &out;  // the content text; its messages() for complaints
    const output_env *env; // for a decoder that writes a file (USER_APP), or nullptr
};

// A content decoder prints the record content to args.out. The dispatcher
// has printed the line prefix and checked any fixed length; the result is
// ignored.
using content_decoder = int (*)(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args);

// Raw hex form: record data as one " %02x" per byte.
void print_hex_nvds(const record_reader &read, uint32_t addr, uint16_t len, const text_sink &out);
// Spaced hex form: "%02x" per byte joined by single spaces.
void print_spaced_hex(const text_sink &out, const uint8_t *data, size_t n);
// Six address bytes, last first, as "%02X" joined by ':'.
void show_bd_addr(const text_sink &out, const uint8_t *addr);
// 0 "public", 1 "private random", else "unknown address type".
const char *addr_type_to_str(uint8_t type);
// Bytes of image text: 0x01-0x1F and 0x7F as "\xNN", every other byte as is.
void print_text(const text_sink &out, const uint8_t *data, size_t n);
// Length of a text up to its first zero byte (or n).
size_t text_length(const uint8_t *data, size_t n);

// Zero-fills `size` bytes at dst, then reads min(len, size) record bytes.
void read_zero_filled(const record_reader &read, uint32_t addr, uint16_t len, void *dst,
                      size_t size);

// One field of a little-endian record, printed as "name=%#x".
struct named_field {
    const char *name;
    uint8_t offset;
    uint8_t width;  // 1, 2 or 4 bytes
    bool is_signed; // widened to 32 bits with its sign
};

// A record of named fields. Field i is printed when i < always_shown or the
// record length passes its offset; every printed field but the table's last
// is followed by ','.
struct field_layout {
    const named_field *fields;
    size_t count;
    size_t size; // of the structure the record is read into
    size_t always_shown;
};

// Builds a layout at compile time; a field outside the structure does not
// compile.
template <size_t N>
consteval field_layout make_layout(const named_field (&fields)[N], size_t size, size_t always_shown)
{
    for (const named_field &f : fields)
        if (f.offset + f.width > size)
            throw "field outside the record";
    return {fields, N, size, always_shown};
}

// Prints the fields of a record already read into rec (layout.size bytes).
void print_fields(const text_sink &out, const uint8_t *rec, uint16_t len,
                  const field_layout &layout);

} // namespace imgforge

#endif
