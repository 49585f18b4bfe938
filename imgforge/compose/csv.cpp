#include "compose/csv.h"

#include "common/format.h"

namespace imgforge {

namespace {

struct csv_reader {
    std::string_view text;
    size_t at = 0;
    unsigned line = 1;

    bool done() const { return at >= text.size(); }
    char peek() const { return text[at]; }

    // At a line end: steps over it (LF or CRLF) and returns true.
    bool line_end()
    {
        if (!done() && peek() == '\n') {
            at++;
            line++;
            return true;
        }
        if (at + 1 < text.size() && peek() == '\r' && text[at + 1] == '\n') {
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

    // One cell; false with `error` set on a malformed one.
    bool cell(std::string &out, std::string &error)
    {
        out.clear();
        if (done() || peek() != '"') {
            while (!done() && peek() != ',' && peek() != '\n' && peek() != '\r') {
                if (peek() == '"') {
                    error =
                        format("line %u: a quote inside a cell that does not start with one", line);
                    return false;
                }
                out += text[at++];
            }
            if (!done() && peek() == '\r' && !(at + 1 < text.size() && text[at + 1] == '\n')) {
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

bool parse_csv(std::string_view text, std::vector<csv_row> &rows, std::string &error)
{
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
        csv_row row{r.line, {}};
        for (;;) {
            std::string cell;
            if (!r.cell(cell, error))
                return false;
            row.cells.push_back(std::move(cell));
            if (!r.done() && r.peek() == ',') {
                r.at++;
                continue;
            }
            r.line_end();
            break;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

} // namespace imgforge
