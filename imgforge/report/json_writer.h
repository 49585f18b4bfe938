// A JSON document written to a sink as it is built, indented by two spaces.
#ifndef IMGFORGE_REPORT_JSON_WRITER_H
#define IMGFORGE_REPORT_JSON_WRITER_H

#include "common/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

// Bytes that are not valid UTF-8 are written as "\xNN"; quotes, backslashes
// and control bytes are escaped as JSON escapes them. The text is gathered
// in a buffer of its own, of one fixed size, and handed to the sink in large
// pieces: a document of a full flash touches little memory.
class json_writer {
  public:
    explicit json_writer(const text_sink &out) : out(out) { buffer.reserve(capacity); }
    ~json_writer();
    json_writer(const json_writer &) = delete;
    json_writer &operator=(const json_writer &) = delete;

    void begin_object() { open('{'); }
    void end_object() { close('}'); }
    void begin_array() { open('['); }
    void end_array() { close(']'); }
    // The key of the next value in an object.
    void key(std::string_view name);

    void string(std::string_view text);
    // A string value written in pieces through string_sink() between these
    // two calls; the same JSON as string() of the pieces joined.
    void begin_string();
    void end_string();
    text_sink string_sink();
    // Bytes as a string of lowercase hex digits.
    void hex_string(const uint8_t *data, size_t n);
    void number(int64_t value);
    void boolean(bool value);
    void null();
    // Hands what was written so far to the sink.
    void flush();

  private:
    static constexpr size_t capacity = size_t(1) << 14;
    const text_sink &out;
    std::string buffer;
    std::vector<bool> empty; // per open object or array: nothing in it yet
    bool keyed = false;      // a key waits for its value
    std::string pending;     // the start of a UTF-8 sequence the next piece ends
    FILE *pieces = nullptr;  // a stream into string_piece(), where the system has one

    void open(char bracket);
    void close(char bracket);
    void next_item();
    void indent();
    void put(std::string_view text)
    {
        if (buffer.size() + text.size() <= capacity)
            buffer.append(text);
        else
            put_large(text);
    }
    void put(char c)
    {
        if (buffer.size() == capacity)
            flush();
        buffer.push_back(c);
    }
    void put_large(std::string_view text);
    // `repaired`: the text is valid UTF-8 already.
    void content(std::string_view text, bool repaired = false);
    void string_piece(std::string_view piece);
};

} // namespace imgforge

#endif
