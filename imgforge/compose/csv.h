// Tables in CSV (RFC 4180): a header row, cells separated by commas, cells
// in double quotes that may hold commas, doubled quotes and line ends; LF or
// CRLF line ends; a UTF-8 byte-order mark and lines that start with '#' are
// skipped, and so are empty lines. A NUL byte anywhere is an error.
#ifndef IMGFORGE_COMPOSE_CSV_H
#define IMGFORGE_COMPOSE_CSV_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

// The cells of every row, held in one string: memory grows with the text,
// not with the count of cells.
class csv_table {
  public:
    struct row {
        unsigned line; // where the row starts in the text, from 1
        size_t first;  // index of its first cell
        size_t count;  // of cells
    };

    const std::vector<row> &rows() const { return row_list; }
    std::string_view cell(const row &r, size_t i) const
    {
        size_t at = r.first + i;
        size_t begin = at ? ends[at - 1] : 0;
        return std::string_view(cells).substr(begin, ends[at] - begin);
    }

  private:
    friend bool parse_csv(std::string_view, csv_table &, std::string &);
    std::string cells;        // every cell's text, one after the other
    std::vector<size_t> ends; // where each cell ends in `cells`
    std::vector<row> row_list;
};

// Splits the text into rows; on malformed text returns false and sets
// `error` to the reason with its line.
bool parse_csv(std::string_view text, csv_table &table, std::string &error);

} // namespace imgforge

#endif
