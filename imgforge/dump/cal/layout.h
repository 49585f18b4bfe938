// Calibration register images: a copy of a register block's register file,
// printed one register per line with every field by name, driven by a table
// of field layouts.
#ifndef IMGFORGE_DUMP_CAL_LAYOUT_H
#define IMGFORGE_DUMP_CAL_LAYOUT_H

#include "dump/forms.h"
#include "dump/registers.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace imgforge {

// The register space an image covers; longer contents are shown from their
// first register_image_size bytes.
inline constexpr size_t register_image_size = register_window_end;

// A field of a 32-bit register: bits hi..lo, printed with at least `digits`
// hexadecimal digits.
struct cal_field {
    const char *name;
    uint8_t hi;
    uint8_t lo;
    uint8_t digits;
};

// How the field names vary between the registers that share a layout.
enum class cal_naming : uint8_t {
    plain,    // the same names for every register
    numbered, // name + entry number: field i of n in register k is entry k*n + (n-1-i)
    suffixed, // name + the register's suffix
};

// The fields of `count` registers at offset, offset + 4, ...
struct cal_layout {
    uint32_t offset;
    uint32_t count;
    std::span<const cal_field> fields;
    cal_naming naming = cal_naming::plain;
    std::span<const char *const> suffixes = {}; // one per register, for suffixed
};

// A register block whose register file is stored as a calibration image.
struct cal_block {
    const register_family *family;
    std::span<const cal_layout> layouts;
};

// The layout of the register at `offset` and the register's index k within
// it; layout is nullptr for a register without one.
struct cal_register {
    const cal_layout *layout;
    uint32_t index;
};
cal_register find_cal_register(const cal_block &block, uint32_t offset);

uint32_t cal_field_value(const cal_field &field, uint32_t word);

// "NAME = [field=(0x..), ...]\n"; a register without a layout shows its word
// as "%#x".
void print_cal_register(const text_sink &out, const cal_block &block, uint32_t offset,
                        uint32_t word);

// Reads the image once and prints every register of the block whose offset
// lies below `len`, the following ones indented under the first.
int print_register_image(const text_sink &out, const cal_block &block, const record_reader &read,
                         uint32_t addr, uint16_t len);

} // namespace imgforge

#endif
