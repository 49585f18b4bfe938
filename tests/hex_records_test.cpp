// Intel HEX and S-record text: the records read and refused. What is written
// is checked end to end (cli_formats_test.cpp) and by other tools.
#include "image/hex_records.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using imgforge::record_format;

namespace {

constexpr record_format ihex = record_format::intel_hex;
constexpr record_format srec = record_format::srecord;

// A text read at `base` into 64 bytes of 0xEE, fed `piece` characters at a
// time: the bytes to the extent, or the refusal. The 8 bytes past the 64
// stay as they are.
struct reading {
    std::string bytes;
    uint64_t extent;
    std::string error;
    bool operator==(const reading &) const = default;
};
reading read(record_format f, const std::string &text, uint32_t base, size_t piece)
{
    std::vector<uint8_t> out(72, 0xEE);
    imgforge::hex_records_decoder d(f, base, out.data(), 64);
    bool fed = true;
    for (size_t i = 0; i < text.size(); i += piece)
        fed = d.feed(text.data() + i, std::min(piece, text.size() - i));
    EXPECT_EQ(hex_of(std::vector<uint8_t>(out.begin() + 64, out.end()), ""), std::string(16, 'e'));
    if (!d.finish() || !fed)
        return {"", 0, "line " + std::to_string(d.error().line) + ": " + d.error().reason};
    out.resize(size_t(std::min<uint64_t>(d.extent(), 64)));
    return {hex_of(out, ""), d.extent(), ""};
}

TEST(HexRecords, Reads)
{
    struct row {
        record_format f;
        uint32_t base;
        std::string text;
        std::string bytes;
        uint64_t extent;
        std::string error;
    };
    const std::string zeros(510, '0'), gap(124, 'e'), malformed = "line 1: a malformed record";
    // clang-format off
    const std::vector<row> rows = {
        {ihex, 0, ":020000040000fa\r\n:03000000010203f7\r\n:00000001ff\r\n", "010203", 3, ""},
        {ihex, 0, ":20000000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FF0\n"
                  ":00000001FF", hex_of(seq(32), ""), 32, ""},
        {ihex, 0, ":FF000000" + zeros + "01\n:00000001FF\n", std::string(128, '0'), 255, ""},
        {ihex, 0, ":FF000000" + zeros + "0001\n", "", 0, malformed},
        {ihex, 0, ":" + zeros + zeros + zeros + "\n", "", 0, malformed},
        {ihex, 0, ":04003E0001020304B4\n:00000001FF\n", gap + "0102", 66, ""},
        {ihex, 0x10000, ":020000021000EC\n:020000000102FB\n:00000001FF\n", "0102", 2, ""},
        {ihex, 0, ":0400000300001234B3\n:02000400AABB95\n:04000005000000CD2A\n:020000000102FB\n"
                  ":00000001FF\n\n\r\n", "0102eeeeaabb", 6, ""},
        {ihex, 0x100, ":0000000000\n:02010000AABB98\n:00000001FF\n", "aabb", 2, ""},
        {ihex, 0x100, ":02010000AABB98\n:0200FF00AABB9A\n", "", 0,
         "line 2: data below the base address"},
        {srec, 0x10, "S1060010010203E3\nS5030002FA\nS9030000FC\n", "010203", 3, ""},
        {srec, 0x10010, "S2060100130405DC\nS604000002F9\nS804000000FB", "eeeeee0405", 5, ""},
        {srec, 0x11, "S1060010010203E3\n", "", 0, "line 1: data below the base address"},
        {ihex, 0, ":020000040000FA\n:03000000010203F8\n", "", 0, "line 2: a bad checksum"},
        {srec, 0, "S00B0000696D67666F726765A4\nS306000123551071\n", "", 0,
         "line 2: a bad checksum"},
        {srec, 0, "S1060010010203E3\r\n\r\nS1060010010203E4\r\n", "", 0, "line 3: a bad checksum"},
        {ihex, 0, ":00000001FF\r\n\r\n:020000000102FB\r\n", "", 0, "line 3: a malformed record"},
        {ihex, 0, "S1060010010203E3\n", "", 0, malformed},
        {ihex, 0, ":0300000001020F7\n", "", 0, malformed},
        {ihex, 0, ":03000000010G03F7\n", "", 0, malformed},
        {ihex, 0, ":04000000010203F6\n", "", 0, malformed},
        {ihex, 0, ":00000006FA\n", "", 0, malformed},
        {ihex, 0, ":0100000101FD\n", "", 0, malformed},
        {ihex, 0, ":020000040000FA \n", "", 0, malformed},
        {srec, 0, ":00000001FF\n", "", 0, malformed},
        {srec, 0, "S40500000000FA\n", "", 0, malformed},
        {srec, 0, "S10200FD\n", "", 0, malformed},
        // A text cut at a line end, and lines after the end.
        {ihex, 0, ":020000000102FB\n", "", 0, "line 2: no end record"},
        {srec, 0x10, "S1060010010203E3", "010203", 3, ""},
        {ihex, 0, "", "", 0, "line 1: no end record"},
        {srec, 0x10, "S9030000FC\nS1060010010203E3\n", "", 0, "line 2: a malformed record"},
    };
    // clang-format on
    for (const row &r : rows)
        for (size_t piece : {size_t(1), size_t(7), r.text.size() + 1})
            EXPECT_EQ(read(r.f, r.text, r.base, piece), (reading{r.bytes, r.extent, r.error}))
                << r.text << " in pieces of " << piece;
}

TEST(HexRecords, Format)
{
    struct row {
        std::string start;
        std::optional<record_format> f;
    };
    const std::vector<row> rows = {
        {":", ihex},         {"S0", srec},           {"S9", srec},
        {"S", std::nullopt}, {"SX", std::nullopt},   {"s0", std::nullopt},
        {"", std::nullopt},  {"NVDS", std::nullopt}, {" :", std::nullopt}};
    for (const row &r : rows)
        EXPECT_EQ(imgforge::hex_records_format(r.start), r.f) << r.start;
}

} // namespace
