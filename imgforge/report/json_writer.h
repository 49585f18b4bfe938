// A JSON document written to a sink as it is built, indented by two spaces.
#ifndef IMGFORGE_REPORT_JSON_WRITER_H
#define IMGFORGE_REPORT_JSON_WRITER_H

#include "common/sink.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace imgforge {

// Strings that need escaping are escaped by nlohmann/json, after any bytes
// that are not valid UTF-8 have been written as "\xNN". Strings of printable
// ASCII without quote or backslash need neither and are written as they
// are, which keeps the long hex strings of a full image cheap.
class json_writer {
  public:
    explicit json_writer(const text_sink &out) : out(out) {}

    void begin_object() { open('{'); }
    void end_object() { close('}'); }
    void begin_array() { open('['); }
    void end_array() { close(']'); }
    // The key of the next value in an object.
    void key(std::string_view name);

    void string(std::string_view text);
    // Bytes as a string of lowercase hex digits.
    void hex_string(const uint8_t *data, size_t n);
    void number(int64_t value);
    void boolean(bool value);
    void null();

  private:
    const text_sink &out;
    std::vector<bool> empty; // per open object or array: nothing in it yet
    bool keyed = false;      // a key waits for its value

    void open(char bracket);
    void close(char bracket);
    void next_item();
    void indent();
    void put(std::string_view text) { out.write(text); }
};

} // namespace imgforge

#endif
