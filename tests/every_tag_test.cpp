// Every tag, known or not, at the lengths where its rule draws a line and in
// two byte patterns, and records chosen for what the patterns do not reach:
// the decoded listing with its complaints and the JSON value, against the
// reviewed text. IMGFORGE_UPDATE_GOLDEN=1 writes the text
// anew for review.
#include "dump/catalogue.h"
#include "dump/dispatch.h"
#include "golden.h"
#include "imgforge.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

namespace {

using bytes = std::vector<uint8_t>;

// The lines of one record: its listing, or where the listing stops.
std::string listing(uint8_t tag, const bytes &data)
{
    imgforge::image img;
    imgforge::put(img, tag, data);
    std::string out, messages;
    imgforge::text_sink to_messages(messages);
    try {
        imgforge::pretty_dump(img.region, nullptr, imgforge::text_sink(out, &to_messages), img.env);
    } catch (const imgforge::error &e) {
        // The diagnostic without the line of the source it names.
        out += "stops: " + e.text.substr(0, e.text.find(".cpp:") + 4) + "\n";
    }
    if (!messages.empty())
        out += "says: " + messages + "\n";
    if (std::optional<int64_t> v = imgforge::record_value(imgforge::records(img).at(0)))
        out += "value " + std::to_string(*v) + "\n";
    return out;
}

// Service data of the Eddystone UUID.
bytes eddystone(const bytes &frame)
{
    bytes b(frame.size() + 4);
    const uint8_t head[] = {uint8_t(frame.size() + 3), 0x16, 0xAA, 0xFE};
    std::copy(std::begin(head), std::end(head), b.begin());
    std::copy(frame.begin(), frame.end(), b.begin() + 4);
    return b;
}

// An activity-create command of zero bytes but one.
bytes create_cmd(size_t offset, uint8_t value)
{
    bytes b(39, 0);
    b[offset] = value;
    return b;
}

// Records whose values the patterns do not reach: names, symbols, units,
// signs, advertising structures and Eddystone frames.
std::vector<std::pair<uint8_t, bytes>> chosen()
{
    std::vector<std::pair<uint8_t, bytes>> records = {
        {0x02, {'d', 'e', 'v', 0, 'x'}},
        {0x02, {'a', 0x1b, '[', 'm', 0x7f, 0xc3, 0xa9}},
        {0x3C, {1, 2, 3, 4, 5, 6, 1, 0xEE}},
        {0x44, {1, 2, 3, 4, 5, 6, 2}},
        {0x0A, le32(3)},
        {0x0A, le32(20000000)},
        {0x0E, {0, 0}},
        {0x12, {2}},
        {0x12, {3}},
        {0x17, {7, 0}},
        {0x2E, {7, 0}},
        {0x85, {0}},
        {0x3A, {1, 0, 2, 0}},
        {0xB7, le32(0)},
        {0xB9, le32(uint32_t(-33))},
        {0xBA, le32(3000000)},
        {0xBB, le32(33)},
        {0xBD, {0, 0, 0, 0, 1, 0, 0, 0, 5, 0xFE}},
        // Advertising structures: framing, service lists, names.
        {0x0B, {0x00, 0x02, 0x01, 0x06}},
        {0x0B, {0x01, 0xFF, 0x02, 0x01, 0x06}},
        {0x0B, {0x02, 0x01, 0x06, 0x03, 0xFF}},
        {0x0B, {0x05, 0x03, 0xAA, 0xFE, 0x0D, 0x18}},
        {0x0B, {0x03, 0x03, 0x0D, 0x18, 0x02, 0x01, 0x06}},
        {0x0B, {0x02, 0x03, 0xAA}},
        {0x0B, {0x01, 0x03}},
        {0x0B, {0x02, 0x16, 0xAA}},
        {0x0B, {0x04, 0x16, 0xAB, 0xCD, 0x10}},
        {0x0B, {0x05, 0x09, 'a', 0x01, 0x1F, 0x7F}},
        {0x0B, {0x03, 0x09, ' ', 0xE9}},
        {0x0B, {0x01, 0x08}},
        // Settings and identities at chosen values.
        {0x0A, le32(uint32_t(-2))},
        {0x0E, {0xDC, 0x05}},
        {0x12, {1, 0}},
        {0x32, {1}},
        {0x3B, {0, 0}},
        {0xA4, {0x20, 0}},
        {0xB2, {1}},
        {0xB3, {1, 2, 3}},
        {0xB4, {1, 0, 0, 0}},
        {0xB5, le32(1000)},
        {0xB6, {1, 2, 3}},
        {0xB7, le32(0x1234)},
        {0xBD, {0, 0, 0, 0, 1, 0, 0, 0, 5}},
        {0x02, bytes(248, 'n')},
        {0x3C, {1, 2, 3, 4, 5, 6}},
        {0xA2, {0xff}},
        {0x36, {0x34, 0x12}},
    };
    bytes key(28), full_length{0xFF, 0x01};
    for (size_t i = 0; i < key.size(); i++)
        key[i] = uint8_t(0xE0 + i);
    full_length.resize(256, 0x5A);
    records.push_back({0xAD, key});
    records.push_back({0x0B, full_length});
    // Eddystone URL frames: every scheme and encoded TLD, literal TLDs,
    // unknown codes and frames too short for their header.
    for (uint8_t code = 0; code < 16; code++)
        records.push_back({0x0B, eddystone({0x10, 0x04, uint8_t(code % 4), 'a', code, 'x'})});
    for (const bytes &frame : std::initializer_list<bytes>{
             {0x10, 0xEC, 0x02, 'a', 0x07, 'b', 0x00, 0x07},
             {0x10, 0xEC, 0x03, 'a', 'b', 'c', 0x01, 'x', 0x07},
             {0x10, 0xEC, 0x03, 'm', 'y', '.', 'e', 'd', 'u', '.', 'e', 'x', 0x00},
             {0x10, 0xEC, 0x03, 'a', 0x0D, 0x0E, 0x1F, 0x7F, 'b'},
             {0x10, 0xEC, 0x03, 'a', 0x7F, 0x07},
             {0x10, 0xEC, 0x04, 'a', 0x07},
             {0x10, 0xEC, 0x00, 'a', 0x0E},
             {0x10, 0xEC, 0x00, 'a', 0x20},
             {0x10, 0xEC, 0x00, 0x80},
             {0x00, 0xEC, 0x03, 'a', 'b', 0x07},
             {0x10, 0x00, 0x03, 'a', 'b', '.', 'c', 'o', 'm'},
             {0x10, 0x00, 0x03, 'a', '.', 'c', 'o', 'm', 0x07},
             {0x10, 0x00, 0x03, 'a', 0x07, '.', 'c', 'o', 'm'},
             {0x10, 0x00, 0x01, 'a', 'b'},
             {0x10, 0x00, 0x02},
             {0x00, 0x00, 0x02, 'a'},
             {0x10, 0xEC},
             {0x10},
             {},
             {0x10, 0xEC, 0x00}})
        records.push_back({0x0B, eddystone(frame)});
    // One field of an activity-create command: names, unnamed values, signs.
    const std::pair<size_t, uint8_t> fields[] = {
        {0, 0x03}, {3, 0x02}, {4, 0x02}, {4, 0x04}, {4, 0x05}, {5, 0x02},  {5, 0x05},
        {6, 0x01}, {7, 0x80}, {7, 0x7F}, {8, 0x01}, {8, 0x03}, {15, 0x02}, {26, 0x01}};
    for (const auto &[offset, value] : fields)
        records.push_back({0x06, create_cmd(offset, value)});
    // Every field of one, the largest intervals, and reserved bytes set in a
    // record longer than the command.
    records.push_back({0x06, {0x02, 0x00, 0x00, 0x01, 0x03, 0x0D, 0x00, 0xF8, 0x02, 0x11,
                              0x22, 0x33, 0x44, 0x55, 0x66, 0x01, 0x00, 0x00, 0x00, 0xA0,
                              0x00, 0x00, 0x00, 0x40, 0x06, 0x00, 0x00, 0x07, 0x03, 0x00,
                              0x00, 0xA5, 0x02, 0x0F, 0x00, 0x50, 0x00, 0x00, 0x01}});
    records.push_back({0x06, bytes(39, 0xFF)});
    bytes pads = create_cmd(1, 0xFF);
    for (size_t offset : {2, 16, 29, 34})
        pads[offset] = 0xFF;
    pads.resize(60, 0xFF);
    records.push_back({0x06, pads});
    // More structures than a byte counts, the last one cut in its header.
    bytes flags;
    while (flags.size() < 900)
        flags.insert(flags.end(), {0x02, 0x01, 0x06});
    flags.push_back(0x07);
    records.push_back({0x0B, flags});
    // Calibration: extreme gain codes, and the trailing fields as the
    // content reaches into them.
    bytes misc = le32(0xFFFFFFFF);
    for (const bytes &field : {le32(0x0001F001), bytes(88), le32(0x12345678), bytes(4),
                               le32(0xABCDEF01), le32(1), bytes{0xFD, 1}})
        misc.insert(misc.end(), field.begin(), field.end());
    for (size_t n : {97, 113, 114})
        records.push_back({0xBC, bytes(misc.begin(), misc.begin() + long(n))});
    return records;
}

std::string every_tag()
{
    std::string text;
    for (const auto &[tag, data] : chosen())
        text += "== " + std::to_string(tag) + " chosen\n" + listing(tag, data);
    for (unsigned tag = 1; tag < 255; tag++) {
        const imgforge::tag_info *info = imgforge::find_tag_info(uint8_t(tag));
        std::set<size_t> lengths = {0, 1, 3};
        if (info && info->rule != imgforge::length_rule::marker) {
            lengths.insert({2, 4, 6, 8, 16, 33});
            if (info->size)
                lengths.insert({info->size - 1u, info->size, info->size + 1u});
        }
        for (size_t n : lengths)
            for (int pattern = 0; pattern < 2; pattern++) {
                bytes data(n);
                for (size_t i = 0; i < n; i++)
                    data[i] = pattern ? uint8_t(0x80 | (i * 13)) : uint8_t(i * 37 + tag);
                char head[48];
                std::snprintf(head, sizeof head, "== %02x, %zu bytes, pattern %d\n", tag, n,
                              pattern);
                text += head + listing(uint8_t(tag), data);
            }
    }
    return text;
}

TEST(EveryTag, ListingsAsReviewed)
{
    std::string text = every_tag();
    if (std::getenv("IMGFORGE_UPDATE_GOLDEN")) {
        std::ofstream(std::string(IMGFORGE_SOURCE_DIR) + "/tests/golden/every_tag.txt",
                      std::ios::binary)
            << text;
        GTEST_SKIP() << "written anew";
    }
    std::string want = golden("every_tag.txt");
    ASSERT_FALSE(want.empty());
    // The first line that differs, rather than two texts of megabytes.
    size_t at =
        std::mismatch(text.begin(), text.end(), want.begin(), want.end()).first - text.begin();
    size_t line = text.rfind("\n== ", at);
    EXPECT_EQ(text.size(), want.size());
    EXPECT_EQ(text.substr(line == std::string::npos ? 0 : line, 400),
              want.substr(line == std::string::npos ? 0 : line, 400));
}

} // namespace
