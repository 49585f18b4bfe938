#include "compose/csv.h"

#include "common/format.h"

#include <algorithm>
#include <cstring>

namespace imgforge {

namespace {

struct csv_reader {
    std::string_view text;
    size_t at = 0;
    unsigned line = 1;

    bool done() const { return at >= text.size(); }
    char peek() const { return text[at]; }
    bool crlf_at(size_t i) const
    {
        return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
    }

    // At a line end: steps over it (LF or CRLF) and returns true.
    bool line_end()
    {
        if (!done() && peek() == '\n') {
            at++;
            line++;
            return true;
        }
        if (crlf_at(at)) {
            at += 2;
            line++;
            return true;
        }
        return done();
    }

    void skip_line()
    {
        while (!done() && !line_end())
            at++;
    }

    // One cell, appended to `out`; false with `error` set on a malformed one.
    bool cell(std::string &out, std::string &error)
    {
        if (done() || peek() != '"') {
            size_t end = text.find_first_of(std::string_view(",\n\r\"", 4), at);
            end = end == std::string_view::npos ? text.size() : end;
            out.append(text.substr(at, end - at));
            at = end;
            if (!done() && peek() == '"') {
                error = format("line %u: a quote inside a cell that does not start with one", line);
                return false;
            }
            if (!done() && peek() == '\r' && !crlf_at(at)) {
                error = format("line %u: a carriage return without a line feed", line);
                return false;
            }
            return true;
        }
        unsigned start = line;
        for (at++;; at++) {
            if (done()) {
                error = format("line %u: a quoted cell that does not end", start);
                return false;
            }
            if (peek() == '"') {
                if (at + 1 < text.size() && text[at + 1] == '"') {
                    out += '"';
                    at++;
                    continue;
                }
                at++;
                break;
            }
            if (peek() == '\n')
                line++;
            out += peek();
        }
        if (!done() && peek() != ',' && peek() != '\n' && peek() != '\r') {
            error = format("line %u: text after a quoted cell", line);
            return false;
        }
        return true;
    }
};

} // namespace

bool parse_csv(std::string_view text, csv_table &table, std::string &error)
{
    table = csv_table();
    if (const void *nul = std::memchr(text.data(), 0, text.size())) {
        size_t at = size_t(static_cast<const char *>(nul) - text.data());
        error = format("line %zu: a NUL byte",
                       1 + size_t(std::count(text.begin(), text.begin() + long(at), '\n')));
        return false;
    }
    csv_reader r{text};
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        r.at = 3;
    while (!r.done()) {
        if (r.peek() == '#') {
            r.skip_line();
            continue;
        }
        if (r.line_end())
            continue; // an empty line
        csv_table::row row{r.line, table.ends.size(), 0};
        for (;;) {
            if (!r.cell(table.cells, error))
                return false;
            table.ends.push_back(table.cells.size());
            row.count++;
            if (!r.done() && r.peek() == ',') {
                r.at++;
                continue;
            }
            r.line_end();
            break;
        }
        table.row_list.push_back(row);
    }
    return true;
}

} // namespace imgforge
