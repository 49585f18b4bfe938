#include "report/json_writer.h"

#include "report/text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cinttypes>

namespace imgforge {

namespace {

// Without an early exit, so that the compiler checks many bytes at once.
bool needs_no_escape(std::string_view text)
{
    unsigned char escape = 0;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        escape |= static_cast<unsigned char>(c - 0x20) > 0x5E; // not printable ASCII
        escape |= c == '"';
        escape |= c == '\\';
    }
    return !escape;
}

} // namespace

void json_writer::indent()
{
    out.put('\n');
    for (size_t level = 0; level < empty.size(); level++)
        put("  ");
}

void json_writer::next_item()
{
    if (keyed) {
        keyed = false;
        return;
    }
    if (empty.empty())
        return;
    if (!empty.back())
        out.put(',');
    empty.back() = false;
    indent();
}

void json_writer::open(char bracket)
{
    next_item();
    out.put(bracket);
    empty.push_back(true);
}

void json_writer::close(char bracket)
{
    bool was_empty = empty.back();
    empty.pop_back();
    if (!was_empty)
        indent();
    out.put(bracket);
}

void json_writer::key(std::string_view name)
{
    string(name);
    put(": ");
    keyed = true;
}

void json_writer::string(std::string_view text)
{
    next_item();
    if (needs_no_escape(text)) {
        out.put('"');
        put(text);
        out.put('"');
        return;
    }
    // Valid UTF-8 by now; replacing is only a safety net.
    put(nlohmann::json(valid_utf8(text))
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void json_writer::hex_string(const uint8_t *data, size_t n)
{
    next_item();
    out.put('"');
    char digits[4096];
    for (size_t at = 0; at < n; at += sizeof digits / 2) {
        size_t chunk = std::min(n - at, sizeof digits / 2);
        hex_digits(data + at, chunk, digits);
        put(std::string_view(digits, 2 * chunk));
    }
    out.put('"');
}

void json_writer::number(int64_t value)
{
    next_item();
    out.printf("%" PRId64, value);
}

void json_writer::boolean(bool value)
{
    next_item();
    put(value ? "true" : "false");
}

void json_writer::null()
{
    next_item();
    put("null");
}

} // namespace imgforge
