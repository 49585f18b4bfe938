// Record contents described as values: the tags and value kinds that
// manifests and batch tables share.
#ifndef IMGFORGE_COMPOSE_CONTENT_H
#define IMGFORGE_COMPOSE_CONTENT_H

#include "common/platform.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

using bytes = std::vector<uint8_t>;

// The kinds of value a record's content may be given as.
enum class content_kind : uint8_t { hex, text, u8, u16, u32, bd_address, file };

// The kind of a name ("hex", "text", "u8", ...), or none.
std::optional<content_kind> content_kind_named(std::string_view name);

// Each function below returns an empty text on success, else the reason.

// A tag as text: hex digits with an optional 0x prefix, 01 to fe, or a name
// as --tags lists it, in any letter case.
std::string parse_tag_text(std::string_view text, uint8_t &tag);

// The files that contents name, each read once however many records name it.
// Every file read is added to `inputs`, when given.
class file_cache {
  public:
    explicit file_cache(std::vector<file_id> *inputs = nullptr) : inputs(inputs) {}
    // The bytes of the file, or nullptr with the reason it cannot be read.
    const bytes *read(const std::string &path, std::string &error);

  private:
    std::vector<file_id> *inputs;
    struct entry {
        bytes data;
        std::string error;
    };
    std::map<std::string, entry> files;
};

// The bytes a value given as text stands for. Relative file paths start at
// `dir`.
std::string content_from_text(content_kind kind, std::string_view text, const std::string &dir,
                              file_cache &files, bytes &out);

// The little-endian bytes of a number for u8, u16 or u32.
std::string content_from_number(content_kind kind, uint64_t value, bytes &out);

// Whether `length` bytes may be the record of `tag`: at most a record's
// length, and within the tag's length rule.
std::string check_content_length(uint8_t tag, size_t length);

// The kind a tag's value is given as when none is named: BD_ADDRESS an
// address, DEVICE_NAME text, a tag that holds one number the number of its
// width, every other tag hex.
content_kind default_kind(uint8_t tag);

// A setting "TAG=VALUE" or "TAG:TYPE=VALUE" (the value is everything after
// the first '='): the record it stands for, checked against the tag's
// length rule. Relative file paths start at the current folder.
std::string parse_setting(std::string_view text, file_cache &files, uint8_t &tag, bytes &data);

} // namespace imgforge

#endif
