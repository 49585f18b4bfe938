// Reading, merging and editing images; record listing and split output.
#include "cli_harness.h"

using namespace cli;

namespace {

class Records : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("a", bytes{0xAA});
        write("img", image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}}));
    }

    // Image of a run's binary output.
    bytes out_image(const std::vector<std::string> &args)
    {
        std::vector<std::string> all = args;
        all.push_back("-b");
        result r = run(all);
        EXPECT_EQ(r.status, 0) << r.err;
        return as_bytes(r.out);
    }
};

TEST_F(Records, FirstReadReplacesTheImage)
{
    EXPECT_EQ(out_image({"-t", "05", "-d", "a", "-r", "img"}), read("img"));
    EXPECT_EQ(out_image({"-r", "img", "-t", "05", "-d", "a"}),
              image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}, {0x05, {0xAA}}}));
    // Replacing a record of the image, or leaving an equal one untouched.
    EXPECT_EQ(out_image({"-r", "img", "-t", "02", "-d", "a"}),
              image({{0x01, {1, 2}}, {0x02, {3}, 0x02}, {0xFC, {4}}, {0x02, {0xAA}}}));
    write("three", bytes{3});
    bytes full = out_image({"-r", "img", "-t", "02", "-d", "three", "-F"});
    EXPECT_EQ(bytes(full.begin(), full.begin() + long(read("img").size())), read("img"));
}

TEST_F(Records, MergeRecordByRecord)
{
    write("img2", image({{0x02, {7, 7}}, {0x03, {8}}, {0xFC, {9}, 0x04}}));
    EXPECT_EQ(out_image({"-r", "img", "-r", "img2"}),
              image({{0x01, {1, 2}},
                     {0x02, {3}, 0x02},
                     {0xFC, {4}},
                     {0x02, {7, 7}},
                     {0x03, {8}},
                     {0xFC, {9}}})); // merged records are unlocked
    // Merging one file twice doubles its workaround records only.
    EXPECT_EQ(out_image({"-r", "img", "-r", "img"}),
              image({{0x01, {1, 2}}, {0x02, {3}}, {0xFC, {4}}, {0xFC, {4}}}));
    // Deleted records of the merged file are not copied.
    write("img3", image({{0x07, {1}, 0x02}}));
    EXPECT_EQ(out_image({"-r", "img", "-r", "img3"}), read("img"));
}

TEST_F(Records, MergeFailures)
{
    write("locked", image({{0x02, {3}, 0x04}}));
    write("img2", image({{0x02, {5}}}));
    expect_failure({"-r", "locked", "-r", "img2"}, 3,
                   "ERROR: failed to put tag 02 from 'img2': PARAM_LOCKED\n");
    expect_failure({"-r", "img", "-r", "missing"}, 2,
                   "ERROR: open(missing) failed: No such file or directory\n");
    write("full", bytes(60, 0));
    expect_failure({"-f", "64", "-r", "img", "-t", "10", "-d", "full"}, 3,
                   "ERROR: failed to put tag 10 from 'full': NO_SPACE_AVAILABLE\n");
}

TEST_F(Records, ReadingOddFiles)
{
    write("empty", bytes{});
    EXPECT_EQ(out_image({"-r", "empty"}), image({}));
    expect_failure({"-i", "-r", "empty"}, 3, "ERROR: cannot erase NVM/OTP/efuse data\n");

    // An erased file reads as an empty image without a word.
    write("erased", bytes(100, 0xFF));
    result r = run({"-r", "erased", "-b"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(as_bytes(r.out), image({}));

    bytes longer = image({{0x01, {1}}}, 65536);
    write("long", longer);
    r = run({"-r", "long", "-v"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "@0007 01  01\n");
    EXPECT_EQ(r.err, "WARNING: 'long' is longer than the flash size of 65536 bytes; the rest is "
                     "ignored\n");
}

TEST_F(Records, CorruptInputEndsWithTheAssertion)
{
    bytes bad = image({{0x01, {1, 2}}});
    bad[6] = 0x7F; // the record now runs past a 64-byte region
    bad.resize(64, 0xFF);
    write("bad", bad);
    result r = run({"-f", "64", "-r", "bad", "-v"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("ASSERT ERR(0) at modules/nvds/src/nvds.cpp:", 0), 0u) << r.err;
}

TEST_F(Records, DeleteAndLock)
{
    EXPECT_EQ(out_image({"-r", "img", "-e", "02"}),
              image({{0x01, {1, 2}}, {0x02, {3}, 0x02}, {0xFC, {4}}}));
    EXPECT_EQ(out_image({"-r", "img", "-l", "0x2", "-l", "02"}),
              image({{0x01, {1, 2}}, {0x02, {3}, 0x04}, {0xFC, {4}}}));
    expect_failure({"-r", "img", "-e", "05"}, 3,
                   "ERROR: failed to erase tag 05: TAG_NOT_DEFINED\n");
    expect_failure({"-r", "img", "-l", "05", "-e", "05"}, 3,
                   "ERROR: failed to lock tag 05: TAG_NOT_DEFINED\n");
    expect_failure({"-r", "img", "-l", "01", "-e", "01"}, 3,
                   "ERROR: failed to erase tag 01: PARAM_LOCKED\n");
    expect_failure({"-e", "zz"}, 1, "ERROR: invalid -e argument 'zz'\n");
    expect_failure({"-l", "100"}, 1, "ERROR: invalid -l argument '100'\n");
}

TEST_F(Records, DeleteWorkarounds)
{
    write("wa", image({{0xFC, {1}}, {0xFC, {2}, 0x04}, {0xFD, {3}}, {0xFE, {4}}, {0x01, {5}}}));
    EXPECT_EQ(out_image({"-r", "wa", "-E", "fc"}),
              image({{0xFC, {1}, 0x02}, {0xFC, {2}, 0x04}, {0xFD, {3}}, {0xFE, {4}}, {0x01, {5}}}));
    EXPECT_EQ(out_image({"-r", "wa", "-E", "all"}), image({{0xFC, {1}, 0x02},
                                                           {0xFC, {2}, 0x04},
                                                           {0xFD, {3}, 0x02},
                                                           {0xFE, {4}, 0x02},
                                                           {0x01, {5}}}));
    EXPECT_EQ(out_image({"-E", "all"}), image({}));
    expect_failure({"-E", "10"}, 3, "ERROR: failed to erase tag 10: FAIL\n");
    expect_failure({"-E", "zz"}, 1, "ERROR: invalid -E argument 'zz'\n");
}

TEST_F(Records, VerboseListing)
{
    bytes big(200);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = uint8_t(i);
    write("list", image({{0x0A, {1, 2, 3}}, {0x0B, {}}, {0x0C, {9}, 0x02}, {0x0D, big}}));
    result r = run({"-r", "list", "-v"});
    EXPECT_EQ(r.status, 0);
    std::string long_line = "@0015 0d ";
    for (int i = 0; i < 200; i++) {
        char b[4];
        std::snprintf(b, sizeof b, " %02x", i);
        long_line += b;
    }
    EXPECT_EQ(r.out, "@0007 0a  01 02 03\n@000d 0b \n" + long_line + "\n");
    EXPECT_EQ(run({"-v"}).out, "");
}

TEST_F(Records, InvertedReadAndMerge)
{
    // OTP files hold the complement; the listing shows logical bytes.
    auto otp = otp_image;
    write("o1", otp(image({{0x0A, {1}}}), 0x00000101));
    write("o2", otp(image({{0x0B, {2}}}), 0x80000001));
    EXPECT_EQ(run({"-i", "-r", "o1", "-v"}).out, "@0007 0a  01\n");
    EXPECT_EQ(out_image({"-i", "-r", "o1", "-r", "o2"}),
              otp(image({{0x0A, {1}}, {0x0B, {2}}}), 0x80000101));
}

TEST_F(Records, SplitOutput)
{
    write("wa", image({{0x0A, {1, 2}}, {0xFC, {3}}, {0xFC, {4, 5}}}));
    result r = run({"-r", "wa", "-S"});
    EXPECT_EQ(r.status, 0);
    // Further records of a tag get numbered names: none is lost.
    EXPECT_EQ(r.out, "Writing split ./0a.bin\nWriting split ./fc.bin\nWriting split ./fc-2.bin\n");
    EXPECT_EQ(read("0a.bin"), (bytes{1, 2}));
    EXPECT_EQ(read("fc.bin"), (bytes{3}));
    EXPECT_EQ(read("fc-2.bin"), (bytes{4, 5}));

    std::filesystem::create_directory(path("out"));
    r = run({"-r", "wa", "-S", "-O", "out"});
    EXPECT_EQ(r.out, "Writing split out/0a.bin\nWriting split out/fc.bin\n"
                     "Writing split out/fc-2.bin\n");
    EXPECT_EQ(read("out/0a.bin"), (bytes{1, 2}));

    // -v and -p take precedence; nothing is written for an empty image.
    EXPECT_EQ(run({"-S", "-O", "none"}).out, "");
    r = run({"-r", "wa", "-S", "-O", "none"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "Writing split none/0a.bin\n");
    EXPECT_EQ(r.err, "Failed to open file 'none/0a.bin': No such file or directory\n");
}

} // namespace
