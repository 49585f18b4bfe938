#include "image/hex_records.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>

namespace imgforge {

namespace {

constexpr const char *bad_checksum = "a bad checksum";
constexpr const char *malformed = "a malformed record";
constexpr const char *below_base = "data below the base address";
constexpr const char *no_end = "no end record";

// The data bytes of a record written.
constexpr size_t record_bytes = 16;
// Longer gathered lines are not records: the longest, Intel HEX with 255
// data bytes, takes 521 characters and a CR.
constexpr size_t max_line = 600;

// The byte sum of a whole record, checksum included: the checksum is the
// two's (Intel HEX) or ones' (S-record) complement of the rest.
constexpr uint8_t record_sum(record_format format)
{
    return format == record_format::intel_hex ? 0x00 : 0xFF;
}

// One record: `start`, the hex digits of `head`, of `data` and of the
// checksum, LF.
void put_record(const text_sink &out, record_format format, std::string_view start,
                std::initializer_list<uint8_t> head, const uint8_t *data = nullptr, size_t n = 0)
{
    constexpr char digits[] = "0123456789ABCDEF";
    char line[64];
    size_t k = start.copy(line, 2);
    uint8_t sum = 0;
    auto put = [&](uint8_t b) {
        line[k++] = digits[b >> 4];
        line[k++] = digits[b & 0xF];
        sum = uint8_t(sum + b);
    };
    for (uint8_t b : head)
        put(b);
    for (size_t i = 0; i < n; i++)
        put(data[i]);
    put(uint8_t(record_sum(format) - sum));
    line[k++] = '\n';
    out.write(std::string_view(line, k));
}

void write_intel_hex(const uint8_t *bytes, size_t n, uint32_t base, const text_sink &out)
{
    constexpr record_format f = record_format::intel_hex;
    for (size_t i = 0; i < n;) {
        uint32_t a = uint32_t(base + i);
        size_t len =
            std::min({record_bytes - i % record_bytes, n - i, size_t(0x10000 - (a & 0xFFFF))});
        if (i == 0 || (a & 0xFFFF) == 0)
            put_record(out, f, ":", {2, 0, 0, 4, uint8_t(a >> 24), uint8_t(a >> 16)});
        put_record(out, f, ":", {uint8_t(len), uint8_t(a >> 8), uint8_t(a), 0}, bytes + i, len);
        i += len;
    }
    put_record(out, f, ":", {0, 0, 0, 1});
}

void write_srecord(const uint8_t *bytes, size_t n, uint32_t base, const text_sink &out)
{
    constexpr record_format f = record_format::srecord;
    constexpr std::string_view name = "imgforge";
    put_record(out, f, "S0", {uint8_t(name.size() + 3), 0, 0},
               reinterpret_cast<const uint8_t *>(name.data()), name.size());
    for (size_t i = 0; i < n; i += record_bytes) {
        size_t len = std::min(record_bytes, n - i);
        uint32_t a = uint32_t(base + i);
        put_record(
            out, f, "S3",
            {uint8_t(len + 5), uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)},
            bytes + i, len);
    }
    put_record(out, f, "S7", {5, 0, 0, 0, 0});
}

// What a record read does.
enum class kind : uint8_t { refused, data, segment, linear, end, ignored };

struct record {
    kind what = kind::refused;
    const char *reason = malformed; // when refused
    uint32_t address = 0; // data: where it goes (Intel HEX: the lower 16 bits); else the value
    const uint8_t *data = nullptr;
    size_t n = 0;
};

record refused(const char *reason)
{
    return {kind::refused, reason, 0, nullptr, 0};
}

// Intel HEX types 00 to 05: what they do and their data length.
constexpr uint8_t any_length = 0xFF;
struct intel_type {
    kind what;
    uint8_t length;
};
constexpr intel_type intel_types[] = {{kind::data, any_length}, {kind::end, 0},
                                      {kind::segment, 2},       {kind::ignored, 4},
                                      {kind::linear, 2},        {kind::ignored, 4}};

// S0 to S9: what they do and their address bytes (S4 is not a record; S7
// to S9 end the data).
struct s_type {
    kind what;
    uint8_t address_size;
};
constexpr s_type s_types[] = {
    {kind::ignored, 2}, {kind::data, 2},    {kind::data, 3}, {kind::data, 4}, {kind::refused, 0},
    {kind::ignored, 2}, {kind::ignored, 3}, {kind::end, 4},  {kind::end, 3},  {kind::end, 2}};

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The bytes of hex digit pairs, or none if the digits are odd or not hex.
std::optional<size_t> unhex(std::string_view digits, uint8_t *bytes)
{
    if (digits.size() % 2)
        return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2) {
        int high = hex_digit(digits[i]), low = hex_digit(digits[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i / 2] = uint8_t(high << 4 | low);
    }
    return digits.size() / 2;
}

// Length, address (2), type, data, checksum.
record intel_record(const uint8_t *b)
{
    if (b[3] >= std::size(intel_types))
        return {};
    intel_type t = intel_types[b[3]];
    if (t.length != any_length && t.length != b[0])
        return {};
    bool sets_address = t.what == kind::segment || t.what == kind::linear;
    return {t.what, malformed, uint32_t(sets_address ? b[4] << 8 | b[5] : b[1] << 8 | b[2]), b + 4,
            b[0]};
}

// Count, address, data, checksum.
record s_record(char type, const uint8_t *b, size_t n)
{
    if (type < '0' || type > '9')
        return {};
    s_type t = s_types[type - '0'];
    if (n < t.address_size + 2u)
        return {};
    uint32_t address = 0;
    for (size_t k = 1; k <= t.address_size; k++)
        address = address << 8 | b[k];
    return {t.what, malformed, address, b + 1 + t.address_size, n - 2 - t.address_size};
}

// A line without its line end; `bytes` takes half its length.
record parse(record_format format, std::string_view line, uint8_t *bytes)
{
    bool intel = format == record_format::intel_hex;
    size_t skip = intel ? 1 : 2;
    if (line.size() < skip || line[0] != (intel ? ':' : 'S'))
        return {};
    std::optional<size_t> n = unhex(line.substr(skip), bytes);
    size_t beyond_count = intel ? 5 : 1;
    if (!n || *n < beyond_count || bytes[0] + beyond_count != *n)
        return {};
    uint8_t sum = 0;
    for (size_t i = 0; i < *n; i++)
        sum = uint8_t(sum + bytes[i]);
    if (sum != record_sum(format))
        return refused(bad_checksum);
    return intel ? intel_record(bytes) : s_record(line[1], bytes, *n);
}

// Puts the data at `offset` from the base into out[0, capacity); the extent
// with it.
uint64_t give(const record &r, uint64_t offset, uint8_t *out, size_t capacity, uint64_t end)
{
    if (r.n == 0)
        return end;
    if (offset < capacity)
        std::memcpy(out + offset, r.data, size_t(std::min<uint64_t>(r.n, capacity - offset)));
    return std::max(end, offset + r.n);
}

} // namespace

void write_hex_records(record_format format, const uint8_t *bytes, size_t n, uint32_t base,
                       const text_sink &out)
{
    (format == record_format::intel_hex ? write_intel_hex : write_srecord)(bytes, n, base, out);
}

std::optional<record_format> hex_records_format(std::string_view start)
{
    if (start.starts_with(':'))
        return record_format::intel_hex;
    if (start.size() >= 2 && start[0] == 'S' && start[1] >= '0' && start[1] <= '9')
        return record_format::srecord;
    return std::nullopt;
}

hex_records_decoder::hex_records_decoder(record_format format, uint32_t base, uint8_t *out,
                                         size_t capacity)
    : format(format), base(base), out(out), capacity(capacity)
{
    line.reserve(max_line);
}

bool hex_records_decoder::feed(const char *text, size_t n)
{
    while (n > 0 && failure.line == 0) {
        const char *lf = static_cast<const char *>(std::memchr(text, '\n', n));
        size_t piece = lf ? size_t(lf - text) : n;
        if (line.size() + piece > max_line) {
            failure = {line_number + 1, malformed};
            break;
        }
        line.append(text, piece);
        if (!lf)
            break;
        take_line();
        line.clear();
        text += piece + 1;
        n -= piece + 1;
    }
    return failure.line == 0;
}

bool hex_records_decoder::finish()
{
    if (failure.line == 0 && !line.empty()) {
        take_line();
        line.clear();
    }
    // An Intel HEX text cut at a line end still parses: only its end record
    // tells. S-record files often have none (the S5 count is their last).
    if (failure.line == 0 && !ended && format == record_format::intel_hex)
        failure = {line_number + 1, no_end};
    return failure.line == 0;
}

// The gathered line: blank lines are skipped anywhere, other lines after
// the end record are refused.
void hex_records_decoder::take_line()
{
    line_number++;
    if (line.ends_with('\r'))
        line.pop_back();
    if (line.empty())
        return;
    uint8_t bytes[max_line / 2];
    record r = ended ? record{} : parse(format, line, bytes);
    uint64_t address = uint64_t(upper) + r.address;
    if (r.what == kind::data && r.n > 0 && address < base)
        r = refused(below_base);
    switch (r.what) {
    case kind::refused:
        failure = {line_number, r.reason};
        return;
    case kind::data:
        end = give(r, address - base, out, capacity, end);
        break;
    case kind::segment:
        upper = r.address << 4;
        break;
    case kind::linear:
        upper = r.address << 16;
        break;
    case kind::end:
        ended = true;
        break;
    case kind::ignored:
        break;
    }
}

} // namespace imgforge
