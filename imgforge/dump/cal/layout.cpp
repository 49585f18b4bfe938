// Generic printer of calibration register images.
#include "dump/cal/layout.h"

#include "common/bytes.h"

namespace imgforge {

namespace {

// Puts the next register name under the first one, after "@%04x <TAG> ".
constexpr const char *register_indent = "              ";

void print_field_name(const text_sink &out, const cal_layout &layout, size_t field, uint32_t index)
{
    const char *name = layout.fields[field].name;
    switch (layout.naming) {
    case cal_naming::plain:
        out.printf("%s", name);
        break;
    case cal_naming::numbered: {
        size_t n = layout.fields.size();
        out.printf("%s%zu", name, index * n + (n - 1 - field));
        break;
    }
    case cal_naming::suffixed:
        out.printf("%s%s", name, index < layout.suffixes.size() ? layout.suffixes[index] : "");
        break;
    }
}

} // namespace

cal_register find_cal_register(const cal_block &block, uint32_t offset)
{
    for (const cal_layout &l : block.layouts)
        if (offset >= l.offset && offset - l.offset < 4 * l.count && (offset - l.offset) % 4 == 0)
            return {&l, (offset - l.offset) / 4};
    return {nullptr, 0};
}

uint32_t cal_field_value(const cal_field &field, uint32_t word)
{
    unsigned width = field.hi - field.lo + 1u;
    uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    return (word >> field.lo) & mask;
}

void print_cal_register(const text_sink &out, const cal_block &block, uint32_t offset,
                        uint32_t word)
{
    out.printf("%s = [", family_offset_to_str(*block.family, offset));
    cal_register reg = find_cal_register(block, offset);
    if (!reg.layout) {
        out.printf("%#x", word);
    } else {
        for (size_t i = 0; i < reg.layout->fields.size(); i++) {
            const cal_field &f = reg.layout->fields[i];
            if (i)
                out.write(", ");
            print_field_name(out, *reg.layout, i, reg.index);
            out.printf("=(0x%0*x)", int(f.digits), unsigned(cal_field_value(f, word)));
        }
    }
    out.write("]\n");
}

int print_register_image(const text_sink &out, const cal_block &block, const record_reader &read,
                         uint32_t addr, uint16_t len)
{
    uint8_t image[register_image_size];
    read_zero_filled(read, addr, len, image, sizeof image);
    const register_family &family = *block.family;
    const char *lead = "";
    for (uint32_t offset = family_begin_offset(family);
         offset < len && !family_end_offset(family, offset);
         offset = family_next_offset(family, offset)) {
        out.write(lead);
        print_cal_register(out, block, offset, le32(image + offset));
        lead = register_indent;
    }
    return 0;
}

} // namespace imgforge
