// The tag catalogue: every known tag with its group, name, length rule and
// content decoder. No other part of the tool knows tag names.
#ifndef IMGFORGE_DUMP_CATALOGUE_H
#define IMGFORGE_DUMP_CATALOGUE_H

#include "dump/forms.h"

#include <cstdint>
#include <span>

namespace imgforge {

enum class tag_group : uint8_t { param_id, nvds_tag, platform };
// The prefix of a group's names ("" for the platform group).
const char *group_prefix(tag_group group);

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

// The catalogue rows, group by group.
std::span<const tag_info> tag_catalogue();
// The row of a known tag, or nullptr.
const tag_info *find_tag_info(uint8_t tag);
// Name of a known tag without its group prefix, or nullptr.
const char *tag_name(uint8_t tag);

} // namespace imgforge

#endif
