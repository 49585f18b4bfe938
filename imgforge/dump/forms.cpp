// Text forms shared by the content decoders.
#include "dump/forms.h"

#include "common/bytes.h"

#include <algorithm>
#include <cstring>

namespace imgforge {

namespace {

uint32_t field_value(const uint8_t *rec, const named_field &f)
{
    const uint8_t *p = rec + f.offset;
    uint32_t v = f.width == 4 ? le32(p) : f.width == 2 ? le16(p) : p[0];
    if (f.is_signed && f.width < 4) {
        uint32_t sign = uint32_t(1) << (8 * f.width - 1);
        v = (v ^ sign) - sign; // sign extension in unsigned arithmetic
    }
    return v;
}

} // namespace

void print_hex_nvds(const record_reader &read, uint32_t addr, uint16_t len, const text_sink &out)
{
    constexpr char hex[] = "0123456789abcdef";
    constexpr uint32_t CHUNK = 1024;
    uint8_t data[CHUNK];
    char text[3 * CHUNK];
    for (uint32_t at = 0; at < len; at += CHUNK) {
        uint32_t n = std::min<uint32_t>(CHUNK, len - at);
        read(addr + at, n, data);
        for (uint32_t i = 0; i < n; i++) {
            text[3 * i] = ' ';
            text[3 * i + 1] = hex[data[i] >> 4];
            text[3 * i + 2] = hex[data[i] & 0xF];
        }
        out.write({text, 3 * size_t(n)});
    }
}

void print_spaced_hex(const text_sink &out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++)
        out.printf(i ? " %02x" : "%02x", data[i]);
}

void show_bd_addr(const text_sink &out, const uint8_t *addr)
{
    out.printf("%02X:%02X:%02X:%02X:%02X:%02X", addr[5], addr[4], addr[3], addr[2], addr[1],
               addr[0]);
}

const char *addr_type_to_str(uint8_t type)
{
    switch (type) {
    case 0:
        return "public";
    case 1:
        return "private random";
    default:
        return "unknown address type";
    }
}

void print_text(const text_sink &out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        uint8_t c = data[i];
        if ((c >= 0x01 && c <= 0x1F) || c == 0x7F)
            out.printf("\\x%02x", c);
        else
            out.put(char(c));
    }
}

size_t text_length(const uint8_t *data, size_t n)
{
    const void *zero = std::memchr(data, 0, n);
    return zero ? size_t(static_cast<const uint8_t *>(zero) - data) : n;
}

void read_zero_filled(const record_reader &read, uint32_t addr, uint16_t len, void *dst,
                      size_t size)
{
    std::memset(dst, 0, size);
    size_t n = std::min<size_t>(len, size);
    if (n)
        read(addr, uint32_t(n), static_cast<uint8_t *>(dst));
}

void print_fields(const text_sink &out, const uint8_t *rec, uint16_t len,
                  const field_layout &layout)
{
    for (size_t i = 0; i < layout.count; i++) {
        const named_field &f = layout.fields[i];
        if (i >= layout.always_shown && len <= f.offset)
            continue;
        out.printf("%s=%#x", f.name, field_value(rec, f));
        if (i + 1 < layout.count)
            out.put(',');
    }
}

} // namespace imgforge
