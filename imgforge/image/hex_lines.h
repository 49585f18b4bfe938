// Reading back the text form of an image that the tool writes without -b:
// one line of two hexadecimal digits per byte, ended by LF or CRLF.
#ifndef IMGFORGE_IMAGE_HEX_LINES_H
#define IMGFORGE_IMAGE_HEX_LINES_H

#include <cstddef>
#include <cstdint>

namespace imgforge {

class hex_lines_decoder {
  public:
    // Decoded bytes go to out[0, capacity); later ones are only counted.
    hex_lines_decoder(uint8_t *out, size_t capacity) : out(out), capacity(capacity) {}

    // Decodes the next piece of text. Writing never passes the text read,
    // so `text` may be the output buffer itself. False once the text is not
    // hex lines.
    bool feed(const uint8_t *text, size_t n);
    // The text so far ends at a line end or after a line's two digits.
    bool complete() const { return valid && (state == line_start || state == line_end); }

    size_t decoded() const { return count; } // including bytes past the capacity

  private:
    enum state_t : uint8_t { line_start, second_digit, line_end, after_cr };
    uint8_t *out;
    size_t capacity;
    size_t count = 0;
    state_t state = line_start;
    uint8_t high = 0;
    bool valid = true;
};

// Whether `text` starts with four hex lines whose bytes are `magic`.
bool hex_lines_start_with(const uint8_t *text, size_t n, const uint8_t magic[4]);

} // namespace imgforge

#endif
