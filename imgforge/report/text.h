// Texts of the reports.
#ifndef IMGFORGE_REPORT_TEXT_H
#define IMGFORGE_REPORT_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace imgforge {

// The text with every byte that is not part of valid UTF-8 written as
// "\xNN" (a backslash, x and two lowercase hex digits), as the decoded dump
// writes control bytes: a JSON string can then hold any image bytes.
std::string valid_utf8(std::string_view text);

// Bytes as lowercase hex digits without separators: 2n characters at
// `digits`.
void hex_digits(const uint8_t *data, size_t n, char *digits);

} // namespace imgforge

#endif
