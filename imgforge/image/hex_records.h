// Intel HEX and Motorola S-record: the text forms flash programmers and
// production lines take, with the image's bytes at an address.
#ifndef IMGFORGE_IMAGE_HEX_RECORDS_H
#define IMGFORGE_IMAGE_HEX_RECORDS_H

#include "common/sink.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace imgforge {

enum class record_format { intel_hex, srecord };

// The records of `n` bytes at addresses base, base + 1, ...: upper-case hex
// digits, LF line ends. The caller checks that base + n fits below 4 GiB.
// - Intel HEX: an extended linear address record (type 04) before the first
//   data record (also for upper bits 0000) and wherever the upper 16 bits of
//   the address change; data records of 16 bytes counted from the base,
//   shorter at the end and where they would cross a 64 KiB boundary;
//   ":00000001FF" last.
// - S-record: S0 with address 0000 and the data "imgforge", S3 records of 16
//   bytes counted from the base, "S70500000000FA" last.
void write_hex_records(record_format format, const uint8_t *bytes, size_t n, uint32_t base,
                       const text_sink &out);

// The format of a text that starts as one of them (':', or 'S' and a digit),
// or none.
std::optional<record_format> hex_records_format(std::string_view start);

// Why a text is refused: its line (from 1) and the reason ("a bad
// checksum", "a malformed record", "data below the base address", "no end
// record", on the line after the last).
struct hex_records_error {
    unsigned line = 0;
    std::string reason;
};

// Reads records fed in pieces of any size: the data of address a goes to
// out[a - base] while that is below `capacity` (later bytes are only
// counted); bytes no record gives are left as they are. Takes Intel HEX
// types 00 to 05 (02 and 04 set the address, 03 and 05 are ignored, 01
// ends the data) and S0 to S3 and S5 to S9 of any length (S7 to S9 end the
// data), as other tools write them; LF or CRLF line ends, a last line
// without one. Only blank lines may follow an end record; Intel HEX must
// have one.
class hex_records_decoder {
  public:
    hex_records_decoder(record_format format, uint32_t base, uint8_t *out, size_t capacity);
    // False once the text is refused (see error()).
    bool feed(const char *text, size_t n);
    // The end of the text: its last line, if it has no line end.
    bool finish();
    const hex_records_error &error() const { return failure; }
    // One past the highest byte given, counted from the base (0: none).
    uint64_t extent() const { return end; }

  private:
    record_format format;
    uint32_t base;
    uint8_t *out;
    size_t capacity;
    uint64_t end = 0;
    std::string line; // the line being gathered
    unsigned line_number = 0;
    uint32_t upper = 0; // Intel HEX: the address set by type 02 or 04
    bool ended = false; // the end record was read
    hex_records_error failure;
    void take_line();
};

} // namespace imgforge

#endif
