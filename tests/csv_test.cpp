// The CSV reader of device tables: what the written tables of the property
// (property_text_test.cpp) never hold, and each refusal.
#include "compose/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

TEST(Csv, Rows)
{
    struct row {
        std::string text;
        std::vector<std::vector<std::string>> cells; // or the error
        std::string error;
    };
    // clang-format off
    const std::vector<row> rows = {
        {"a\0"s, {}, "line 1: a NUL byte"},
        {"\xEF\xBB\xBF" "a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}, ""},
        {"# note\na\n\n# more, \"x\nb\n", {{"a"}, {"b"}}, ""},
        {"a,\"b\n", {}, "line 1: a quoted cell that does not end"},
        {"a\n\"b\"c\n", {}, "line 2: text after a quoted cell"},
        {"a\nb\"c\n", {}, "line 2: a quote inside a cell that does not start with one"},
        {"a\rb\n", {}, "line 1: a carriage return without a line feed"},
        {"a\r\nb\r\nc\0d\n"s, {}, "line 3: a NUL byte"},
        {"a\n\"b\n\0\"\n"s, {}, "line 3: a NUL byte"},
        {"# \0\na\n"s, {}, "line 1: a NUL byte"},
    };
    // clang-format on
    for (const row &r : rows) {
        imgforge::csv_table parsed;
        std::string error;
        bool ok = imgforge::parse_csv(r.text, parsed, error);
        EXPECT_EQ(ok, r.error.empty()) << r.text;
        EXPECT_EQ(error, r.error) << r.text;
        std::vector<std::vector<std::string>> cells;
        for (const imgforge::csv_table::row &p : parsed.rows()) {
            cells.emplace_back();
            for (size_t i = 0; i < p.count; i++)
                cells.back().emplace_back(parsed.cell(p, i));
        }
        if (ok) {
            EXPECT_EQ(cells, r.cells) << r.text;
        }
    }
}

} // namespace
