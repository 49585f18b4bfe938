// The JSON "value" of every tag that holds one number, against the decoded
// listing of the same bytes, at the edges of the number's width.
#include "dump/catalogue.h"
#include "imgforge.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

// The listing's leading number, when the text starts with one that stands
// alone (before a space, a parenthesis or the end): "50 ppm", "0xc0ffee",
// "-33 (...)"; none for "625us" or "RETAIN".
std::optional<int64_t> leading_number(const std::string &text)
{
    size_t end = text.find_first_of(" (");
    std::string token = text.substr(0, end);
    if (token.empty())
        return std::nullopt;
    char *stop = nullptr;
    long long v = std::strtoll(token.c_str(), &stop, token.starts_with("0x") ? 16 : 10);
    return *stop == '\0' ? std::optional<int64_t>(v) : std::nullopt;
}

TEST(Values, JsonValueAgreesWithTheListingForEveryTag)
{
    unsigned with_value = 0;
    for (const imgforge::tag_info &info : imgforge::tag_catalogue()) {
        // The value and the listing of one record of the tag.
        auto shown = [&](const bytes &data) {
            imgforge::image img;
            imgforge::put(img, info.tag, data);
            imgforge::record r = imgforge::records(img).at(0);
            return std::pair{imgforge::record_value(r), imgforge::decoded_text(img, r)};
        };
        // Its width: the one length of 1, 2 or 4 bytes that gives a value.
        size_t w = 1;
        while (w <= 4 && !shown(bytes(w, 0)).first)
            w *= 2;
        if (w > 4)
            continue;
        with_value++;
        uint64_t top = uint64_t(1) << (8 * w - 1);
        bytes all_ones(w, 0xFF), top_bit(w, 0), one(w, 0);
        top_bit.back() = 0x80;
        one[0] = 1;
        // The sign shows in the listing of the largest pattern.
        bool is_signed = shown(all_ones).second.value_or("").starts_with('-');
        const std::pair<bytes, int64_t> rows[] = {
            {bytes(w, 0), 0},
            {one, 1},
            {all_ones, is_signed ? -1 : int64_t(2 * top - 1)},
            {top_bit, is_signed ? -int64_t(top) : int64_t(top)},
        };
        for (const auto &[data, want] : rows) {
            auto [value, text] = shown(data);
            EXPECT_EQ(value, want) << info.name;
            ASSERT_TRUE(text) << info.name;
            if (std::optional<int64_t> number = leading_number(*text)) {
                EXPECT_EQ(*number, want) << info.name << ": " << *text;
            }
        }
        // A record of another length holds no number.
        for (size_t other : {w - 1, w + 1, 2 * w})
            EXPECT_FALSE(shown(bytes(other, 0)).first) << info.name << " of " << other;
    }
    EXPECT_EQ(with_value, 30u);
}

} // namespace
