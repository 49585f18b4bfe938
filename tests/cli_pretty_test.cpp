// The decoded dump end to end: where a length check stops it, wide offsets
// and the USER_APP file. Every tag's lines are in the listing of every tag
// (every_tag_test.cpp).
#include "cli_harness.h"

using namespace cli;

namespace {

class Pretty : public Sandbox {
  protected:
    // A record whose length check fails ends the dump with the diagnostic.
    void expect_fatal(uint8_t tag, const bytes &data, const std::string &name,
                      const std::string &condition)
    {
        std::string listing = write_listed(
            "img", {{0x36, {1, 0}, "RECENT_BOND 1"}, {tag, data, name + " "}, {0x36, {2, 0}, "-"}});
        result r = run({"-r", "img", "-p"});
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.out, listing.substr(0, listing.find('\n', listing.find('\n') + 1)));
        std::string prefix = "ASSERT ERR(" + condition + ") at imgforge/dump/dispatch.cpp:";
        EXPECT_EQ(r.err.substr(0, prefix.size()), prefix) << r.err;
    }
};

TEST_F(Pretty, OffsetsGrowPastFourDigits)
{
    write("big", bytes(32000, 0));
    write("d", bytes{30, 0});
    result r = run({"-f", "100000", "-t", "b8", "-d", "big", "-t", "be", "-d", "big", "-t", "a7",
                    "-d", "big", "-t", "07", "-d", "d", "-p"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(r.out.rfind("@")), "@17713 LPCLK_DRIFT 30 ppm\n");
}

TEST_F(Pretty, LengthChecksAreFatal)
{
    // Every tag's conditions are in the reviewed listing of every tag.
    expect_fatal(0x07, {30, 0, 0}, "LPCLK_DRIFT", "len == sizeof(local_drift)");
    expect_fatal(0x02, bytes(249, 'x'), "DEVICE_NAME", "len <= PARAM_LEN_DEVICE_NAME");
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
