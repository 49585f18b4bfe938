// The decoded dump end to end: long records, wide offsets and the USER_APP
// file. Every tag's lines, and where a length check stops the dump, are in
// the listing of every tag (every_tag_test.cpp).
#include "cli_harness.h"

using namespace cli;

namespace {

class Pretty : public Sandbox {};

TEST_F(Pretty, LongRecordsAndWideOffsets)
{
    // A linear congruential sequence: no period of 256 or 1024 bytes.
    uint32_t x = 1;
    auto sequence = [&x](size_t n) {
        bytes b(n);
        for (uint8_t &c : b) {
            x = x * 1103515245u + 12345u;
            c = uint8_t(x >> 16);
        }
        return b;
    };
    bytes unknown = sequence(32000), ate = sequence(32000), other = sequence(32000);
    write("img", image({{0x77, unknown}, {0xB8, ate}, {0x78, other}, {0x07, {30, 0}}}));
    // Records far longer than the chunk the hex is written in, each with two
    // length bytes; offsets grow past four digits.
    const std::string first = "@0008 77 " + hex_of(unknown) + "\n",
                      third = "@fa10 78 " + hex_of(other) + "\n";
    // clang-format off
    expect_cases({
        {{"-f", "100000", "-r", "img", "-v"}, 0, first + "@7d0c b8 " + hex_of(ate) + "\n" + third + "@17713 07  1e 00\n", ""},
        {{"-f", "100000", "-r", "img", "-p"}, 0, first + "\n@7d0c ATE " + hex_of(ate) + "\n" + third + "\n@17713 LPCLK_DRIFT 30 ppm\n", ""},
    });
    // clang-format on
}

// The USER_APP file replaces what was there; the dump goes on after a failed
// write, which then fails the run.
TEST_F(Pretty, UserAppOutputFile)
{
    const bytes app = image({{0xB6, {1, 2, 3}}, {0x07, {30, 0}}});
    const std::string drift = "@000d LPCLK_DRIFT 30 ppm\n";
    const std::string full = "No space left on device";
    // clang-format off
    expect_cases({
        {{"-r", "img", "-p", "-o", "app.bin"}, 0, "@0007 USER_APP Successfully wrote 3 bytes to 'app.bin'\n" + drift, "", {{"img", app}, {"app.bin", bytes(10, 9)}}, {{"app.bin", {1, 2, 3}}}},
        {{"-r", "empty", "-p", "-o", "app.bin"}, 0, "@0007 USER_APP Successfully wrote 0 bytes to 'app.bin'\n", "", {{"empty", image({{0xB6, {}}})}}, {{"app.bin", {}}}},
        {{"-r", "img", "-p", "-o", "nodir/app.bin"}, 2, "@0007 USER_APP \n" + drift, "Failed to open file 'nodir/app.bin': No such file or directory\n"},
        {{"-r", "img", "-p", "-o", "/dev/full"}, 2, "@0007 USER_APP \n" + drift, "Failed to close file '/dev/full': " + full, {}, {}, "/dev/full"},
        {{"-r", "big", "-p", "-o", "/dev/full"}, 2, "@0008 USER_APP Attempted to write 32767 bytes to file '/dev/full' but wrote 0: " + full + "\n", "", {{"big", image({{0xB6, bytes(32767, 7)}})}}, {}, "/dev/full"},
    });
    // clang-format on
}

} // namespace
