#include "compose/content.h"

#include "common/files.h"
#include "common/format.h"
#include "common/numbers.h"
#include "dump/catalogue.h"
#include "nvds.h"

#include <cstring>
#include <iterator>

namespace imgforge {

namespace {

constexpr const char *kind_names[] = {"hex", "text", "u8", "u16", "u32", "bd_address", "file"};

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Byte pairs of hex digits, separated by nothing, single spaces or colons.
std::string hex_bytes(std::string_view text, bytes &out)
{
    for (size_t i = 0; i < text.size();) {
        if (i > 0 && (text[i] == ' ' || text[i] == ':') && i + 1 < text.size())
            i++;
        int high = hex_value(text[i]);
        int low = i + 1 < text.size() ? hex_value(text[i + 1]) : -1;
        if (high < 0 || low < 0)
            return format("bad hex data '%s': byte pairs of hex digits are expected, "
                          "separated by nothing, spaces or colons",
                          excerpt(text).c_str());
        out.push_back(uint8_t(high << 4 | low));
        i += 2;
    }
    return {};
}

// "AA:BB:CC:DD:EE:FF" as the decoded dump prints it: the last byte first.
std::string bd_address_bytes(std::string_view text, bytes &out)
{
    bytes address;
    bool ok = text.size() == 17 && hex_bytes(text, address).empty() && address.size() == 6;
    for (size_t i = 2; ok && i < 17; i += 3)
        ok = text[i] == ':';
    if (!ok)
        return format("bad bd_address '%s': six hex byte pairs joined by ':' are expected",
                      excerpt(text).c_str());
    out.assign(address.rbegin(), address.rend());
    return {};
}

std::string number_text(content_kind kind, std::string_view text, bytes &out)
{
    std::string s(text);
    uint64_t value = 0;
    number_status status = s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')
                               ? parse_hex(s.c_str(), UINT64_MAX >> 1, value)
                               : parse_decimal(s.c_str(), UINT64_MAX >> 1, value);
    if (status == number_status::invalid)
        return format("bad number '%s': decimal digits or 0x and hex digits are expected",
                      excerpt(s).c_str());
    if (status == number_status::too_big || !content_from_number(kind, value, out).empty())
        return format("%s does not fit in %s", excerpt(s).c_str(), kind_names[size_t(kind)]);
    return {};
}

std::string file_bytes(std::string_view text, const std::string &dir, file_cache &files, bytes &out)
{
    std::string path(text);
    if (path.empty())
        return "empty file name";
    if (path[0] != '/' && !dir.empty())
        path = dir + "/" + path;
    std::string error;
    const bytes *data = files.read(path, error);
    if (!data)
        return error;
    out = *data;
    return {};
}

} // namespace

const bytes *file_cache::read(const std::string &path, std::string &error)
{
    auto [it, added] = files.try_emplace(path);
    entry &e = it->second;
    if (added) {
        int code = 0;
        if (!read_whole_file(path.c_str(), NVDS_MAX_LENGTH, e.data, code, inputs))
            e.error = format("cannot read '%s': %s", path.c_str(), std::strerror(code));
        e.data.shrink_to_fit();
    }
    error = e.error;
    return e.error.empty() ? &e.data : nullptr;
}

std::optional<content_kind> content_kind_named(std::string_view name)
{
    for (size_t i = 0; i < std::size(kind_names); i++)
        if (name == kind_names[i])
            return content_kind(i);
    return std::nullopt;
}

std::string parse_tag_text(std::string_view text, uint8_t &tag)
{
    std::string s(text);
    uint64_t value = 0;
    if (parse_hex(s.c_str(), 0xFF, value) == number_status::ok) {
        if (value == 0 || value == 0xFF)
            return format("tag %s is not 01 to fe", excerpt(s).c_str());
        tag = uint8_t(value);
        return {};
    }
    if (const tag_info *info = find_tag_named(text)) {
        tag = info->tag;
        return {};
    }
    return format("unknown tag name '%s'", excerpt(s).c_str());
}

std::string content_from_text(content_kind kind, std::string_view text, const std::string &dir,
                              file_cache &files, bytes &out)
{
    out.clear();
    switch (kind) {
    case content_kind::hex:
        return hex_bytes(text, out);
    case content_kind::text:
        out.assign(text.begin(), text.end());
        return {};
    case content_kind::bd_address:
        return bd_address_bytes(text, out);
    case content_kind::file:
        return file_bytes(text, dir, files, out);
    default:
        return number_text(kind, text, out);
    }
}

std::string content_from_number(content_kind kind, uint64_t value, bytes &out)
{
    unsigned width = kind == content_kind::u8 ? 1 : kind == content_kind::u16 ? 2 : 4;
    if (width < 8 && value >> (8 * width))
        return format("%llu does not fit in %s", static_cast<unsigned long long>(value),
                      kind_names[size_t(kind)]);
    out.clear();
    for (unsigned i = 0; i < width; i++)
        out.push_back(uint8_t(value >> (8 * i)));
    return {};
}

std::string check_content_length(uint8_t tag, size_t length)
{
    if (length > NVDS_MAX_LENGTH)
        return format("more than %u bytes, the most a record holds", unsigned(NVDS_MAX_LENGTH));
    const tag_info *info = find_tag_info(tag);
    if (info && !length_allowed(*info, uint16_t(length)))
        return format("%zu bytes, but %s holds %s", length, info->name,
                      length_rule_text(*info).c_str());
    return {};
}

} // namespace imgforge

namespace imgforge {

content_kind default_kind(uint8_t tag)
{
    constexpr uint8_t tag_BD_ADDRESS = 0x01, tag_DEVICE_NAME = 0x02;
    if (tag == tag_BD_ADDRESS)
        return content_kind::bd_address;
    if (tag == tag_DEVICE_NAME)
        return content_kind::text;
    switch (value_width(number_type(tag))) {
    case 1:
        return content_kind::u8;
    case 2:
        return content_kind::u16;
    case 4:
        return content_kind::u32;
    default:
        return content_kind::hex;
    }
}

std::string parse_setting(std::string_view text, file_cache &files, uint8_t &tag, bytes &data)
{
    size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return "TAG=VALUE or TAG:TYPE=VALUE is expected";
    std::string_view name = text.substr(0, equals), value = text.substr(equals + 1);
    size_t colon = name.find(':');
    std::string error = parse_tag_text(name.substr(0, colon), tag);
    if (!error.empty())
        return error;
    content_kind kind = default_kind(tag);
    if (colon != std::string_view::npos) {
        std::optional<content_kind> named = content_kind_named(name.substr(colon + 1));
        if (!named)
            return format("unknown type '%s'", excerpt(name.substr(colon + 1)).c_str());
        kind = *named;
    }
    error = content_from_text(kind, value, "", files, data);
    return error.empty() ? check_content_length(tag, data.size()) : error;
}

} // namespace imgforge
