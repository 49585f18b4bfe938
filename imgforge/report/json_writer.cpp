#include "report/json_writer.h"

#include "common/platform.h"
#include "report/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cinttypes>
#include <cstdio>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace imgforge {

namespace {

// A byte that a JSON string cannot hold as it is, or that must be checked to
// belong to valid UTF-8.
bool special(unsigned char c, bool repaired)
{
    return c < 0x20 || c == '"' || c == '\\' || (c >= 0x80 && !repaired);
}

// The next special byte from `i` on (or the end). Most text has none:
// sixteen bytes are checked at once where the processor can, else blocks of
// 32 without an early exit, which the compiler checks at once.
size_t next_special(std::string_view text, size_t i, bool repaired)
{
#ifdef __SSE2__
    const __m128i flip = _mm_set1_epi8(char(0x80));
    const __m128i below_space = _mm_set1_epi8(char(0x20 ^ 0x80));
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
    for (; i + 16 <= text.size(); i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + i));
        // Unsigned c < 0x20 as a signed comparison of c ^ 0x80.
        __m128i found = _mm_cmplt_epi8(_mm_xor_si128(bytes, flip), below_space);
        found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, quote));
        found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, backslash));
        unsigned mask = unsigned(_mm_movemask_epi8(found));
        if (!repaired)
            mask |= unsigned(_mm_movemask_epi8(bytes)); // the high bit of each byte
        if (mask)
            return i + size_t(std::countr_zero(mask));
    }
#else
    constexpr size_t block = 32;
    for (; i + block <= text.size(); i += block) {
        unsigned char escapes = 0, high = 0;
        for (size_t k = 0; k < block; k++) {
            auto c = static_cast<unsigned char>(text[i + k]);
            escapes |= (c < 0x20) | (c == '"') | (c == '\\');
            high |= c;
        }
        if (escapes || (high >= 0x80 && !repaired))
            break;
    }
#endif
    for (; i < text.size(); i++)
        if (special(static_cast<unsigned char>(text[i]), repaired))
            return i;
    return text.size();
}

} // namespace

void json_writer::put_large(std::string_view text)
{
    flush();
    if (text.size() >= capacity)
        out.write(text);
    else
        buffer.append(text);
}

// A string's content: quote, backslash and control bytes escaped (the short
// forms where JSON has them, else \u00xx), bytes that are not valid UTF-8
// as "\xNN", every other byte as it is. One pass over plain text.
void json_writer::content(std::string_view text, bool repaired)
{
    static constexpr char hex[] = "0123456789abcdef";
    static constexpr char short_forms[] = "btn?fr";
    for (size_t from = 0;;) {
        size_t i = next_special(text, from, repaired);
        put(text.substr(from, i - from));
        if (i == text.size())
            return;
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            content(valid_utf8(text.substr(i)), true);
            return;
        }
        from = i + 1;
        char escape[6] = {'\\', char(c), 0, 0, 0, 0};
        size_t n = 2;
        if (c >= '\b' && c <= '\r' && c != '\v') {
            escape[1] = short_forms[c - '\b'];
        } else if (c < 0x20) {
            escape[1] = 'u';
            escape[2] = escape[3] = '0';
            escape[4] = hex[c >> 4];
            escape[5] = hex[c & 0xF];
            n = 6;
        }
        put(std::string_view(escape, n));
    }
}

void json_writer::flush()
{
    out.write(buffer);
    buffer.clear();
}

void json_writer::indent()
{
    put('\n');
    buffer.append(2 * empty.size(), ' ');
}

void json_writer::next_item()
{
    if (keyed) {
        keyed = false;
        return;
    }
    if (empty.empty())
        return;
    if (!empty.back())
        put(',');
    empty.back() = false;
    indent();
}

void json_writer::open(char bracket)
{
    next_item();
    put(bracket);
    empty.push_back(true);
}

void json_writer::close(char bracket)
{
    bool was_empty = empty.back();
    empty.pop_back();
    if (!was_empty)
        indent();
    put(bracket);
}

void json_writer::key(std::string_view name)
{
    string(name);
    put(": ");
    keyed = true;
}

void json_writer::string(std::string_view text)
{
    next_item();
    put('"');
    content(text);
    put('"');
}

void json_writer::begin_string()
{
    next_item();
    put('"');
}

json_writer::~json_writer()
{
    if (pieces)
        std::fclose(pieces);
    flush();
}

void json_writer::end_string()
{
    if (pieces)
        std::fflush(pieces);
    content(pending);
    pending.clear();
    put('"');
}

// Printers format straight into a stream when the system has one that ends
// in a function: their text then arrives in large pieces.
text_sink json_writer::string_sink()
{
    if (!pieces)
        pieces = open_taker_stream(
            [](void *writer, const char *data, size_t n) {
                static_cast<json_writer *>(writer)->string_piece(std::string_view(data, n));
            },
            this);
    if (pieces)
        return text_sink(pieces);
    return text_sink(
        [](void *writer, std::string_view piece) {
            static_cast<json_writer *>(writer)->string_piece(piece);
        },
        this);
}

// A piece may end inside a UTF-8 sequence: its start waits for the next
// piece, so that the string reads as if written whole. Only the last lead
// byte can start such a sequence; one before it would need that byte to
// continue it.
void json_writer::string_piece(std::string_view piece)
{
    if (!pending.empty()) {
        std::string joined = std::move(pending);
        pending.clear();
        joined.append(piece);
        string_piece(joined);
        return;
    }
    size_t cut = piece.size();
    for (size_t back = 1; back <= 3 && back <= piece.size(); back++) {
        auto c = static_cast<unsigned char>(piece[piece.size() - back]);
        if (c < 0xC0)
            continue;
        size_t needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (needed > back)
            cut = piece.size() - back;
        break;
    }
    content(piece.substr(0, cut));
    pending.assign(piece.substr(cut));
}

void json_writer::hex_string(const uint8_t *data, size_t n)
{
    next_item();
    put('"');
    char digits[4096];
    for (size_t at = 0; at < n; at += sizeof digits / 2) {
        size_t chunk = std::min(n - at, sizeof digits / 2);
        hex_digits(data + at, chunk, digits);
        put(std::string_view(digits, 2 * chunk));
    }
    put('"');
}

void json_writer::number(int64_t value)
{
    next_item();
    char text[24];
    put(std::string_view(text, size_t(std::snprintf(text, sizeof text, "%" PRId64, value))));
}

void json_writer::boolean(bool value)
{
    next_item();
    put(value ? "true" : "false");
}

void json_writer::null()
{
    next_item();
    put("null");
}

} // namespace imgforge
