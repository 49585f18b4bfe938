// Reading, merging and editing images; record listing and split output.
#include "cli_harness.h"

using namespace cli;

namespace {

class Records : public Sandbox {};

const bytes img = image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}});

std::string out(const bytes &image)
{
    return as_string(image);
}

TEST_F(Records, ReadMergeEdit)
{
    bytes wa = image({{0xFC, {1}}, {0xFC, {2}, 0x04}, {0xFD, {3}}, {0xFE, {4}}, {0x01, {5}}});
    bytes img2 = image({{0x02, {7, 7}}, {0x03, {8}}, {0xFC, {9}, 0x04}});
    bytes bad = image({{0x01, {1, 2}}});
    bad[6] = 0x7F; // the record now runs past a 64-byte region
    bad.resize(64, 0xFF);
    bytes full = img;
    full.resize(65536, 0xFF);
    // clang-format off
    expect_cases({
        // The first -r replaces the image; later edits act on it.
        {{"-t", "05", "-d", "a", "-r", "img", "-b"}, 0, out(img), "", {{"img", img}, {"a", {0xAA}}}},
        {{"-r", "img", "-t", "05", "-d", "a", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}, {0x05, {0xAA}}})), ""},
        {{"-r", "img", "-t", "02", "-d", "a", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}, 0x02}, {0xFC, {4}}, {0x02, {0xAA}}})), ""},
        {{"-r", "img", "-t", "02", "-d", "three", "-F", "-b"}, 0, out(full), "", {{"three", {3}}}},
        // Later -r merge: same tags replaced, workaround records added,
        // deleted ones dropped, locks not carried over.
        {{"-r", "img", "-r", "img2", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}, 0x02}, {0xFC, {4}}, {0x02, {7, 7}}, {0x03, {8}}, {0xFC, {9}}})), "", {{"img2", img2}}},
        {{"-r", "img", "-r", "img", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}, {0xFC, {4}}})), ""},
        {{"-r", "img", "-r", "dead", "-b"}, 0, out(img), "", {{"dead", image({{0x07, {1}, 0x02}})}}},
        {{"-r", "locked", "-r", "img"}, 3, "", "ERROR: failed to put tag 02 from 'img': PARAM_LOCKED\n", {{"locked", image({{0x02, {3}, 0x04}})}}},
        {{"-r", "img", "-r", "missing"}, 2, "", "ERROR: open(missing) failed: No such file or directory\n"},
        {{"-f", "64", "-r", "img", "-t", "10", "-d", "60"}, 3, "", "ERROR: failed to put tag 10 from '60': NO_SPACE_AVAILABLE\n", {{"60", bytes(60, 0)}}},
        {{"-r", "empty", "-b"}, 0, out(image({})), "", {{"empty", {}}}},
        {{"-i", "-r", "empty"}, 3, "", "ERROR: cannot erase NVM/OTP/efuse data\n"},
        {{"-r", "long", "-v"}, 0, "@0007 01  01\n", "WARNING: 'long' is longer than the flash size of 65536 bytes; the rest is ignored\n", {{"long", image({{0x01, {1}}}, 65536)}}},
        // OTP files hold the complement; a merge adds the words' bits.
        {{"-i", "-r", "o1", "-v"}, 0, "@0007 0a  01\n", "", {{"o1", otp_image(image({{0x0A, {1}}}), 0x00000101)}, {"o2", otp_image(image({{0x0B, {2}}}), 0x80000001)}}},
        {{"-i", "-r", "o1", "-r", "o2", "-b"}, 0, out(otp_image(image({{0x0A, {1}}, {0x0B, {2}}}), 0x80000101)), ""},
        // Deleting and locking.
        {{"-r", "img", "-e", "02", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}, 0x02}, {0xFC, {4}}})), ""},
        {{"-r", "img", "-l", "0x2", "-l", "02", "-b"}, 0, out(image({{0x01, {1, 2}}, {0x02, {3}, 0x04}, {0xFC, {4}}})), ""},
        {{"-r", "img", "-e", "05"}, 3, "", "ERROR: failed to erase tag 05: TAG_NOT_DEFINED\n"},
        {{"-r", "img", "-l", "05"}, 3, "", "ERROR: failed to lock tag 05: TAG_NOT_DEFINED\n"},
        {{"-r", "img", "-l", "01", "-e", "01"}, 3, "", "ERROR: failed to erase tag 01: PARAM_LOCKED\n"},
        {{"-r", "wa", "-E", "fc", "-b"}, 0, out(image({{0xFC, {1}, 0x02}, {0xFC, {2}, 0x04}, {0xFD, {3}}, {0xFE, {4}}, {0x01, {5}}})), "", {{"wa", wa}}},
        {{"-r", "wa", "-E", "all", "-b"}, 0, out(image({{0xFC, {1}, 0x02}, {0xFC, {2}, 0x04}, {0xFD, {3}, 0x02}, {0xFE, {4}, 0x02}, {0x01, {5}}})), ""},
        {{"-E", "all", "-b"}, 0, out(image({})), ""},
        {{"-E", "10"}, 3, "", "ERROR: failed to erase tag 10: FAIL\n"},
    });
    // clang-format on
    // A chain that runs past the region ends the run with the assertion.
    write("bad", bad);
    result r = run({"-f", "64", "-r", "bad", "-v"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("ASSERT ERR(0) at modules/nvds/src/nvds.cpp:", 0), 0u) << r.err;
}

TEST_F(Records, ListingAndSplit)
{
    bytes big = seq(200);
    std::string long_line = "@0015 0d " + hex_of(big);
    std::string sep(1, tool_separator());
    bytes wa = image({{0x0A, {1, 2}}, {0xFC, {3}}, {0xFC, {4, 5}}, {0xFC, {6}}});
    std::filesystem::create_directory(path("out"));
    // clang-format off
    expect_cases({
        {{"-r", "list", "-v"}, 0, "@0007 0a  01 02 03\n@000d 0b \n" + long_line + "\n", "", {{"list", image({{0x0A, {1, 2, 3}}, {0x0B, {}}, {0x0C, {9}, 0x02}, {0x0D, big}})}}},
        {{"-v"}, 0, "", ""},
        // Further records of a tag get numbered names: none is lost.
        // An empty -O is the current folder.
        {{"-r", "wa", "-S", "-O", ""}, 0, "Writing split ." + sep + "0a.bin\nWriting split ." + sep + "fc.bin\nWriting split ." + sep + "fc-2.bin\nWriting split ." + sep + "fc-3.bin\n", "", {{"wa", wa}}, {{"0a.bin", {1, 2}}, {"fc.bin", {3}}, {"fc-2.bin", {4, 5}}, {"fc-3.bin", {6}}}},
        {{"-r", "wa", "-S", "-O", "out"}, 0, "Writing split out" + sep + "0a.bin\nWriting split out" + sep + "fc.bin\nWriting split out" + sep + "fc-2.bin\nWriting split out" + sep + "fc-3.bin\n", "", {}, {{"out/0a.bin", {1, 2}}, {"out/fc-3.bin", {6}}}},
        {{"-S", "-O", "none"}, 0, "", ""},
        {{"-r", "wa", "-S", "-O", "none"}, 2, "Writing split none" + sep + "0a.bin\n", "Failed to open file 'none" + sep + "0a.bin': No such file or directory\n"},
    });
    // clang-format on
}

} // namespace
