// Laws of the texts the tool reads and writes: numbers in arguments and
// cells, CSV tables, JSON strings.
#include "common/numbers.h"
#include "compose/content.h"
#include "compose/csv.h"
#include "error.h"
#include "otp/hw_cfg.h"
#include "property.h"
#include "report/json_writer.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <regex.h>

namespace {

using namespace imgforge;

// Texts near the rules: digits, prefixes, hex letters, signs, blanks and
// other bytes, sometimes long enough to pass every limit.
rc::Gen<std::string> number_like()
{
    return rc::gen::map(
        rc::gen::container<std::vector<char>>(rc::gen::weightedElement<char>({{20, '0'},
                                                                              {20, '1'},
                                                                              {10, '9'},
                                                                              {8, 'f'},
                                                                              {6, 'F'},
                                                                              {4, 'x'},
                                                                              {2, 'X'},
                                                                              {4, 'a'},
                                                                              {2, 'g'},
                                                                              {1, ' '},
                                                                              {1, '-'},
                                                                              {1, '+'},
                                                                              {1, '\t'},
                                                                              {1, '.'},
                                                                              {1, '\xff'}})),
        [](std::vector<char> v) {
            std::string s(v.begin(), v.end());
            return s.size() > 2 && s[0] == '1' ? "0x" + s.substr(1) : s;
        });
}

// The value of digits by the C library's reading; none past 2^64.
std::optional<uint64_t> value_of(const std::string &digits, int base)
{
    errno = 0;
    unsigned long long v = std::strtoull(digits.c_str(), nullptr, base);
    return errno == ERANGE ? std::nullopt : std::optional<uint64_t>(v);
}

bool matches(const char *pattern, const std::string &s)
{
    regex_t re;
    regcomp(&re, pattern, REG_EXTENDED | REG_NOSUB);
    bool found = regexec(&re, s.c_str(), 0, nullptr, 0) == 0;
    regfree(&re);
    return found;
}

// What the rule of the README makes of a text: the whole text the digits, 0x
// optional for hex; too big past `max` (or 2^64).
number_status by_rule(const std::string &s, bool hex, uint64_t max, uint64_t &value)
{
    if (s.find('\0') != std::string::npos ||
        !matches(hex ? "^(0[xX])?[0-9a-fA-F]+$" : "^[0-9]+$", s))
        return number_status::invalid;
    bool prefix = hex && s.size() > 1 && (s[1] == 'x' || s[1] == 'X');
    std::optional<uint64_t> v = value_of(s.substr(prefix ? 2 : 0), hex ? 16 : 10);
    value = v.value_or(0);
    return v && *v <= max ? number_status::ok : number_status::too_big;
}

// Every reader of numbers agrees with the rule on `s`: the decimal and hex
// parsers at three maxima, u8/u16/u32 cells and -w raw words.
void agrees_with_rule(const std::string &s)
{
    for (bool hex : {false, true})
        for (uint64_t max : {uint64_t(0xFF), uint64_t(UINT32_MAX), UINT64_MAX >> 1}) {
            uint64_t got = 0, want = 0;
            number_status status =
                hex ? parse_hex(s.c_str(), max, got) : parse_decimal(s.c_str(), max, got);
            RC_ASSERT(status == by_rule(s, hex, max, want));
            RC_ASSERT(status != number_status::ok || got == want);
        }
    // u8, u16, u32 cells: decimal, or 0x and hex digits.
    const content_kind kinds[] = {content_kind::u8, content_kind::u16, content_kind::u32};
    for (size_t k = 0; k < 3; k++) {
        bool hex = s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
        uint64_t want = 0;
        bool ok = by_rule(s, hex, (uint64_t(1) << (8 << k)) - 1, want) == number_status::ok;
        file_cache files;
        bytes out;
        RC_ASSERT(content_from_text(kinds[k], s, "", files, out).empty() == ok);
        uint64_t v = 0;
        for (size_t i = out.size(); i-- > 0;)
            v = v << 8 | out[i];
        RC_ASSERT(!ok || (out.size() == size_t(1) << k && v == want));
    }
    // -w: a raw word is hex digits, 0x optional, at most 32 bits; a text
    // that names no field and is no word blows nothing.
    if (s.find(':') == std::string::npos && find_hw_cfg_by_name(s.c_str()) < 0) {
        uint64_t want = 0;
        bool ok = by_rule(s, true, UINT32_MAX, want) == number_status::ok;
        try {
            RC_ASSERT(ok && hw_bits_to_blow(s.c_str()) == want);
        } catch (const error &e) {
            RC_ASSERT(!ok && e.status == EXIT_USAGE);
        }
    }
}

TEST(NumbersProperty, AcceptedExactlyByTheRule)
{
    check_property(2000, [] { agrees_with_rule(*number_like()); });
}

// Every limit: each type's largest value and one past it, in every form the
// rule allows, and the texts just outside the rule.
TEST(NumbersProperty, Limits)
{
    // clang-format off
    std::vector<std::string> texts = {"", "0x", "-1", "+1", " 1", "1 ", "0x1g", "99999999999999999999x",
                                      "18446744073709551616", "0000000100000001"};
    // clang-format on
    for (uint64_t max :
         {uint64_t(0xFF), uint64_t(0xFFFF), uint64_t(UINT32_MAX), UINT64_MAX >> 1, UINT64_MAX})
        for (uint64_t v : {uint64_t(0), max, max + 1}) // 2^64 wraps to 0: it is in the list
            for (const char *form : {"%llu", "00%llu", "0x%llX", "0X%llx", "%llx", "000%llX"}) {
                char text[32];
                std::snprintf(text, sizeof text, form, static_cast<unsigned long long>(v));
                texts.push_back(text);
            }
    check_property(1, [&] {
        for (const std::string &s : texts) {
            RC_LOG() << "'" << s << "'\n";
            agrees_with_rule(s);
        }
    });
}

// A CSV writer by RFC 4180: a cell in quotes when it holds a quote, comma,
// CR or LF, when it is the first of its row and starts with '#' or a
// byte-order mark, or when it is the only cell and empty.
std::string csv_text(const std::vector<std::vector<std::string>> &rows, const char *eol)
{
    std::string text;
    for (const auto &row : rows) {
        for (size_t i = 0; i < row.size(); i++) {
            const std::string &c = row[i];
            bool quote = c.find_first_of("\",\r\n") != std::string::npos ||
                         (i == 0 && (c.starts_with('#') || c.starts_with("\xEF\xBB\xBF"))) ||
                         (row.size() == 1 && c.empty());
            std::string cell;
            for (char b : c)
                cell += b == '"' ? "\"\"" : std::string(1, b);
            text += (i ? "," : "") + (quote ? "\"" + cell + "\"" : cell);
        }
        text += eol;
    }
    return text;
}

TEST(CsvProperty, WrittenCellsReadBackAndErrorsNameTheirLine)
{
    auto cell = rc::gen::container<std::string>(rc::gen::weightedOneOf<char>(
        {{6, rc::gen::inRange<char>('a', 'e')},
         {3, rc::gen::element<char>(',', '"', '\r', '\n', '#', ' ')},
         {1, rc::gen::suchThat(rc::gen::arbitrary<char>(), [](char c) { return c != 0; })}}));
    check_property(400, [&] {
        std::vector<std::vector<std::string>> rows(*rc::gen::inRange(1, 8));
        for (auto &row : rows)
            row = *rc::gen::container<std::vector<std::string>>(*rc::gen::inRange(1, 6),
                                                                rc::gen::resize(12, cell));
        const char *eol = *rc::gen::element("\n", "\r\n");
        std::string text = csv_text(rows, eol);
        RC_LOG() << text;
        csv_table table;
        std::string error;
        RC_ASSERT(parse_csv(text, table, error));
        RC_ASSERT(table.rows().size() == rows.size());
        for (size_t r = 0; r < rows.size(); r++) {
            const csv_table::row &row = table.rows()[r];
            RC_ASSERT(row.count == rows[r].size());
            for (size_t i = 0; i < row.count; i++)
                RC_ASSERT(table.cell(row, i) == rows[r][i]);
        }
        // A malformed line after the table: its number counts every LF.
        size_t line = 1 + size_t(std::count(text.begin(), text.end(), '\n'));
        RC_ASSERT(!parse_csv(text + "a\"b" + eol, table, error));
        RC_ASSERT(error == "line " + std::to_string(line) +
                               ": a quote inside a cell that does not start with one");
    });
}

// The JSON text of a string value, written whole or in pieces.
std::string json_string(const std::string &s, const std::vector<size_t> &cuts)
{
    std::string out;
    {
        text_sink sink(out);
        json_writer w(sink);
        w.begin_array();
        if (cuts.empty()) {
            w.string(s);
        } else {
            w.begin_string();
            size_t at = 0;
            for (size_t cut : cuts) {
                cut = std::min(std::max(cut % (s.size() + 1), at), s.size());
                w.string_sink().write(std::string_view(s).substr(at, cut - at));
                at = cut;
            }
            w.string_sink().write(std::string_view(s).substr(at));
            w.end_string();
        }
        w.end_array();
        w.flush();
    }
    return out;
}

// Valid UTF-8 of any code point but the surrogates.
rc::Gen<std::string> utf8_text()
{
    auto point = rc::gen::suchThat(rc::gen::oneOf(rc::gen::inRange<uint32_t>(0, 0x80),
                                                  rc::gen::inRange<uint32_t>(0, 0x800),
                                                  rc::gen::inRange<uint32_t>(0, 0x10000),
                                                  rc::gen::inRange<uint32_t>(0, 0x110000)),
                                   [](uint32_t c) { return c < 0xD800 || c > 0xDFFF; });
    return rc::gen::map(rc::gen::container<std::vector<uint32_t>>(point),
                        [](const std::vector<uint32_t> &points) {
                            std::string s;
                            for (uint32_t c : points) {
                                int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
                                const uint8_t lead[] = {0x00, 0xC0, 0xE0, 0xF0};
                                s += char(lead[extra] | (c >> (6 * extra)));
                                for (int k = extra - 1; k >= 0; k--)
                                    s += char(0x80 | ((c >> (6 * k)) & 0x3F));
                            }
                            return s;
                        });
}

TEST(JsonProperty, EveryStringIsStrictJsonAndUtf8ComesBack)
{
    check_property(1000, [] {
        bool valid = *rc::gen::arbitrary<bool>();
        // Plain runs long enough for the wide scan, with the bytes that need
        // an escape among them.
        auto special = rc::gen::weightedOneOf<std::string>(
            {{8, rc::gen::map(rc::gen::inRange(0, 40), [](int n) { return std::string(n, 'a'); })},
             {1, rc::gen::element<std::string>("\"", "\\", "\x01", "\x1f", "\x7f")},
             {1, valid ? utf8_text() : rc::gen::arbitrary<std::string>()}});
        std::string s;
        for (const std::string &piece : *rc::gen::container<std::vector<std::string>>(special))
            s += piece;
        auto cuts = *rc::gen::container<std::vector<size_t>>(rc::gen::arbitrary<size_t>());
        std::string whole = json_string(s, {});
        RC_ASSERT(json_string(s, cuts) == whole);
        nlohmann::json doc;
        try {
            doc = nlohmann::json::parse(whole);
        } catch (const nlohmann::json::exception &e) {
            RC_FAIL(std::string("not JSON: ") + e.what());
        }
        if (valid)
            RC_ASSERT(doc[0].get<std::string>() == s);
    });
}

// The escapes themselves are the contract: byte for byte.
TEST(JsonText, Escapes)
{
    const std::pair<std::string, std::string> rows[] = {
        {std::string("\0\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {"\"\\/\x7f", "\"\\\"\\\\/\x7f\""},
        {"\\\n", R"("\\\n")"},
        {"\xff\xc3", R"("\\xff\\xc3")"},
        {"\xc3\xa9\xf0\x9f\x98\x80", "\"\xc3\xa9\xf0\x9f\x98\x80\""},
        {"\xed\xa0\x80\xc0\x80", R"("\\xed\\xa0\\x80\\xc0\\x80")"},
        // Past U+10FFFF and overlong are not UTF-8; the forms at those edges are.
        {"\xf4\x90\x80\x80\xe0\x80\x80", R"("\\xf4\\x90\\x80\\x80\\xe0\\x80\\x80")"},
        {"\xf4\x8f\xbf\xbf\xed\x9f\xbf\xe0\xa0\x80\xc2\xa0\xdf\xbf",
         "\"\xf4\x8f\xbf\xbf\xed\x9f\xbf\xe0\xa0\x80\xc2\xa0\xdf\xbf\""},
        // Longer than the writer's buffer: after what it holds.
        {std::string(20000, 'a'), "\"" + std::string(20000, 'a') + "\""},
        // Past the sixteen bytes read at once.
        {std::string(17, 'a') + "\"" + std::string(15, 'b') + "\\" + std::string(16, 'c') + "\n",
         "\"" + std::string(17, 'a') + "\\\"" + std::string(15, 'b') + "\\\\" +
             std::string(16, 'c') + "\\n\""},
    };
    for (const auto &[text, json] : rows)
        EXPECT_EQ(json_string(text, {}), "[\n  " + json + "\n]") << json;
}

} // namespace
