// Text forms shared by the content decoders.
#include "dump/forms.h"

#include "common/bytes.h"

#include <algorithm>
#include <cstring>

namespace imgforge {

namespace {

// Record data read through the engine: at most 0x7FFF bytes.
uint8_t record_buf[NVDS_MAX_LENGTH];

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

uint32_t print_hex_nvds(nvds_read_fn read, uint32_t addr, uint16_t len, void *)
{
    static const char hex[] = "0123456789abcdef";
    constexpr uint32_t CHUNK = 1024;
    char text[3 * CHUNK];
    read(addr, len, record_buf);
    for (uint32_t at = 0; at < len; at += CHUNK) {
        uint32_t n = std::min<uint32_t>(CHUNK, len - at);
        for (uint32_t i = 0; i < n; i++) {
            uint8_t b = record_buf[at + i];
            text[3 * i] = ' ';
            text[3 * i + 1] = hex[b >> 4];
            text[3 * i + 2] = hex[b & 0xF];
        }
        std::fwrite(text, 1, 3 * size_t(n), stdout);
    }
    return 0;
}

void print_spaced_hex(FILE *out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++)
        std::fprintf(out, i ? " %02x" : "%02x", data[i]);
}

void show_bd_addr(FILE *out, const uint8_t *addr)
{
    std::fprintf(out, "%02X:%02X:%02X:%02X:%02X:%02X", addr[5], addr[4], addr[3], addr[2], addr[1],
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

void print_text(FILE *out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        uint8_t c = data[i];
        if ((c >= 0x01 && c <= 0x1F) || c == 0x7F)
            std::fprintf(out, "\\x%02x", c);
        else
            std::fputc(c, out);
    }
}

size_t text_length(const uint8_t *data, size_t n)
{
    const void *zero = std::memchr(data, 0, n);
    return zero ? size_t(static_cast<const uint8_t *>(zero) - data) : n;
}

void read_zero_filled(nvds_read_fn read, uint32_t addr, uint16_t len, void *dst, size_t size)
{
    std::memset(dst, 0, size);
    size_t n = std::min<size_t>(len, size);
    if (n)
        read(addr, uint32_t(n), static_cast<uint8_t *>(dst));
}

void print_fields(const uint8_t *rec, uint16_t len, const field_layout &layout)
{
    for (size_t i = 0; i < layout.count; i++) {
        const named_field &f = layout.fields[i];
        if (i >= layout.always_shown && len <= f.offset)
            continue;
        std::printf("%s=%#x", f.name, field_value(rec, f));
        if (i + 1 < layout.count)
            std::printf("%c", ',');
    }
}

} // namespace imgforge
