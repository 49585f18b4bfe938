// HW configuration word of the OTP image: the 32-bit word in the last 4 bytes
// of the inverted image, its field table, the start-up self-check, blowing
// bits (-w), showing the word (-N) and the help of -w.
//
// In the buffer the word is stored complemented and little-endian: a blown OTP
// bit is a cleared buffer bit, so bits can only ever be added.
#ifndef IMGFORGE_OTP_HW_CFG_H
#define IMGFORGE_OTP_HW_CFG_H

#include "common/sink.h"
#include "otp/values.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace imgforge {

struct hw_cfg_field {
    const char *name; // case-sensitive, as typed after -w
    uint32_t shift;   // lowest bit of the field
    uint32_t width;
    uint32_t mask;                // ((1 << width) - 1) << shift
    bool has_details;             // values are restricted to the details table
    bool internal;                // hidden by -X
    const hw_cfg_detail *details; // or nullptr
    size_t n_details;
};

// Field types as shown to the user; also the kinds of the help examples.
enum : uint32_t {
    HW_CFG_BOOLEAN = 0, // one bit
    HW_CFG_ENUM = 1,    // several bits, values from the details table
    HW_CFG_GENERAL = 2, // several bits, any value that fits
};

struct hw_cfg_example {
    uint32_t kind;
    const char *name;
};

inline constexpr size_t HW_CFG_ROWS = 18;
extern const hw_cfg_field hw_cfg_tab[HW_CFG_ROWS];
extern const hw_cfg_example hw_cfg_examples[3];

// Row index of the field named by the characters from `name` up to `end`
// (or the whole string when end is nullptr), -1 when there is none.
int find_hw_cfg_by_name(std::span<const hw_cfg_field> tab, const char *name,
                        const char *end = nullptr);
int find_hw_cfg_by_name(const char *name, const char *end = nullptr);

// Empty when every details value fits in the field; otherwise the
// "INTERNAL ERROR: ..." lines naming the offending entry.
std::string check_hw_cfg_vals(const hw_cfg_field &field);

// Start-up self-check of a field table and its help examples: rows ascend
// without overlap, details fit, examples name a field of their kind. A fault
// throws its "INTERNAL ERROR: ..." lines with status 3.
void check_hw_cfg_tab(std::span<const hw_cfg_field> tab, std::span<const hw_cfg_example> examples);
void check_hw_cfg_tab();

// The bits one -w ARG blows: a field name (single-bit fields only), a name
// and a value ("NAME:hex" or "NAME:SYMBOL"), or a raw hexadecimal word. A
// number must be the whole text: optional 0x/0X, hex digits, at most 32 bits.
// Anything else throws the reasons with status 1.
uint32_t hw_bits_to_blow(const char *arg);

// The bits of a field holding `value`, as -w NAME:VALUE blows them; empty
// on success, else why they cannot be ("unknown field ...").
std::string hw_field_bits(std::string_view name, uint64_t value, uint32_t &bits);

// `word` points at the 4 last bytes of the inverted image buffer.
uint32_t get_hw_cfg(const uint8_t *word);
void blow_hw_bits(uint8_t *word, uint32_t bits);

// The value of a field in a word.
uint32_t hw_field_value(const hw_cfg_field &field, uint32_t word);
// What -N -p shows for a value: its description, or "0x%x" for a field
// without a details table; empty when the table has no entry for it.
std::string hw_field_text(const hw_cfg_field &field, uint32_t value);
// Whether -N lists the field: internal fields only with `show_internal`
// (cleared by -X).
bool hw_field_shown(const hw_cfg_field &field, bool show_internal);

// -N output: the whole word (-v), or one line per shown field (-p). A field
// value missing from its details table throws "ERROR: failed to decode ..."
// with status 3, after what was printed of its line.
void print_hw_cfg(uint32_t word, bool pretty, bool show_internal, const text_sink &out);

// Help of -w (-H w); every line begins with `prefix`.
void extra_usage_HW_bits(FILE *out, const char *prefix, bool show_internal);

} // namespace imgforge

#endif
