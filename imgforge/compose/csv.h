// Tables in CSV (RFC 4180): a header row, cells separated by commas, cells
// in double quotes that may hold commas, doubled quotes and line ends; LF or
// CRLF line ends; a UTF-8 byte-order mark and lines that start with '#' are
// skipped, and so are empty lines.
#ifndef IMGFORGE_COMPOSE_CSV_H
#define IMGFORGE_COMPOSE_CSV_H

#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

struct csv_row {
    unsigned line; // where the row starts in the text, from 1
    std::vector<std::string> cells;
};

// Splits the text into rows; on malformed text returns false and sets
// `error` to the reason with its line.
bool parse_csv(std::string_view text, std::vector<csv_row> &rows, std::string &error);

} // namespace imgforge

#endif
