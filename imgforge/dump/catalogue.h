// The tag catalogue: every known tag with its group, name, length rule and
// content decoder. No other part of the tool knows tag names.
#ifndef IMGFORGE_DUMP_CATALOGUE_H
#define IMGFORGE_DUMP_CATALOGUE_H

#include "dump/forms.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace imgforge {

enum class tag_group : uint8_t { param_id, nvds_tag, platform };
// The prefix of a group's names ("" for the platform group).
const char *group_prefix(tag_group group);
// The group's name as --tags lists it ("PARAM_ID", "NVDS_TAG", "platform").
const char *group_name(tag_group group);

// How the record length is checked before the content is decoded.
enum class length_rule : uint8_t {
    any,       // every length
    exact,     // must equal `size`, else fatal
    at_most,   // must not exceed `size`, else fatal
    structure, // the decoder reads at most `size` bytes into a zero-filled structure
    marker,    // range marker: no line of its own
};

struct tag_info {
    uint8_t tag;
    tag_group group;
    const char *name; // without the group prefix
    length_rule rule;
    uint16_t size;
    const char *condition; // text of a failed exact or at-most check
    content_decoder decoder;
    const char *format; // value format for pretty_value_content
};

// Tags whose content is one little-endian number, and its type.
enum class value_type : uint8_t { none, u8, u16, u32, i32 };
value_type number_type(uint8_t tag);
// Bytes of a number of that type (0 for none).
unsigned value_width(value_type type);

// Whether a record of `len` bytes keeps the tag's length rule (the decoded
// dump stops on one that does not).
bool length_allowed(const tag_info &info, uint16_t len);
// The rule as text: "%u bytes", "at most %u bytes" or "any length".
std::string length_rule_text(const tag_info &info);

// The catalogue rows, group by group.
std::span<const tag_info> tag_catalogue();
// The row of a known tag, or nullptr.
const tag_info *find_tag_info(uint8_t tag);
// Name of a known tag without its group prefix, or nullptr.
const char *tag_name(uint8_t tag);
// The tag of a name as --tags lists it, in any letter case, or nullptr.
const tag_info *find_tag_named(std::string_view name);

} // namespace imgforge

#endif
