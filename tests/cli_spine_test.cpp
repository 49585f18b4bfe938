// Command line, image buffers, adding records and image output, end to end.
#include "cli_harness.h"

using namespace cli;

namespace {

const std::string usage_text = golden("usage.txt");

const bytes empty_image = image({});

class Spine : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("f", bytes{1, 2, 3});
    }
};

TEST_F(Spine, EmptyImageAsTextAndBinary)
{
    result r = run({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4e\n56\n44\n53\nff\nff\nff\nff\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run({"-b"}).out, as_string(empty_image));

    bytes full(65536, 0xFF);
    std::copy(empty_image.begin(), empty_image.begin() + 4, full.begin());
    EXPECT_EQ(run({"-b", "-F"}).out, as_string(full));
    EXPECT_EQ(run({"-bF"}).out, as_string(full));
}

TEST_F(Spine, AddingTagData)
{
    bytes expected = image({{0x0A, {1, 2, 3}}});
    EXPECT_EQ(run({"-t", "0a", "-d", "f", "-b"}).out, as_string(expected));
    EXPECT_EQ(run({"-t0x0A", "-df", "-b"}).out, as_string(expected));
    EXPECT_EQ(run({"-t", "0a", "-d", "f"}).out, hex_lines(expected));
    // Several -d after one -t replace each other.
    write("g", bytes{9});
    EXPECT_EQ(run({"-t", "0a", "-d", "f", "-d", "g", "-b"}).out,
              as_string(image({{0x0A, {1, 2, 3}, 0x02}, {0x0A, {9}}})));
}

TEST_F(Spine, TagDataFailures)
{
    expect_failure({"-d", "f"}, 1, "ERROR: must specify a -t before -d 'f'\n");
    expect_failure({"-t", "01", "-d", "missing"}, 2,
                   "ERROR: stat(missing) failed: No such file or directory\n");
    expect_failure({"-t", "ff", "-d", "f"}, 3, "ERROR: failed to put tag ff from 'f': FAIL\n");
    std::filesystem::create_directory(path("dir"));
    expect_failure({"-t", "01", "-d", "dir"}, 2, "add_tag_data: Is a directory\n");
}

TEST_F(Spine, DataSizeBoundaries)
{
    write("big", bytes(65536, 0));
    expect_failure({"-t", "01", "-d", "big"}, 2, "ERROR: way too much data from 'big'\n");
    // Passes the size test but is longer than a record can be.
    write("big", bytes(65535, 0));
    expect_failure({"-t", "01", "-d", "big"}, 3,
                   "ERROR: failed to put tag 01 from 'big': LENGTH_OUT_OF_RANGE\n");
    write("big", bytes(32768, 0));
    expect_failure({"-t", "01", "-d", "big"}, 3,
                   "ERROR: failed to put tag 01 from 'big': LENGTH_OUT_OF_RANGE\n");
    write("big", bytes(70000, 0));
    expect_failure({"-f", "80000", "-t", "01", "-d", "big"}, 3,
                   "ERROR: failed to put tag 01 from 'big': LENGTH_OUT_OF_RANGE\n");
    write("big", bytes(32767, 0x5A));
    result r = run({"-t", "01", "-d", "big", "-b"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.size(), 4 + 4 + 32767 + 4u);
    write("big", bytes(89, 0)); // 4 + 3 + 89 + 4 = 100
    EXPECT_EQ(run({"-f", "100", "-t", "01", "-d", "big", "-b"}).status, 0);
    write("big", bytes(90, 0));
    expect_failure({"-f", "100", "-t", "01", "-d", "big"}, 3,
                   "ERROR: failed to put tag 01 from 'big': NO_SPACE_AVAILABLE\n");
}

TEST_F(Spine, ShortReadKeepsOnlyTheBytesRead)
{
    // Kernel attribute files report a page as their size but hold less.
    const char *attr = "/sys/kernel/mm/transparent_hugepage/enabled";
    uint64_t size = std::filesystem::exists(attr) ? std::filesystem::file_size(attr) : 0;
    if (size == 0 || size >= 65536)
        GTEST_SKIP() << "no kernel attribute file to read";
    std::ifstream f(attr, std::ios::binary);
    bytes content(std::istreambuf_iterator<char>(f), {});
    ASSERT_LT(content.size(), size);
    result r = run({"-t", "01", "-d", attr, "-v"});
    EXPECT_EQ(r.status, 0);
    std::string expected = "@0007 01 ";
    for (uint8_t c : content) {
        char b[4];
        std::snprintf(b, sizeof b, " %02x", c);
        expected += b;
    }
    EXPECT_EQ(r.out, expected + "\n");
}

TEST_F(Spine, ParsingStopsAtFirstNonOption)
{
    EXPECT_EQ(run({"-t", "01", "x", "-b"}).out, hex_lines(empty_image));
    EXPECT_EQ(run({"--", "-b"}).out, hex_lines(empty_image));
    EXPECT_EQ(run({"-", "-b"}).out, hex_lines(empty_image));
}

TEST_F(Spine, HelpAndParserErrors)
{
    result r = run({"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, usage_text);
    // Options before -h act first.
    expect_failure({"-t", "zz", "-h"}, 1, "ERROR: invalid -t argument 'zz'\n");

    expect_failure({"-b", "-x"}, 1, "imgforge: unknown option -- x\n" + usage_text);
    expect_failure({"-bx"}, 1, "imgforge: unknown option -- x\n" + usage_text);
    expect_failure({"-t"}, 1, "imgforge: option requires an argument -- t\n" + usage_text);
    expect_failure({"-:"}, 1, "imgforge: unknown option -- :\n" + usage_text);
    // An argument may start with a dash.
    expect_failure({"-t", "-b"}, 1, "ERROR: invalid -t argument '-b'\n");
}

TEST_F(Spine, OptionHelp)
{
    result r = run({"-H", "E"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "<arg> can be\n"
                     "  - all\n"
                     "    Alias for \"-E fc -E fd -E fe\"\n"
                     "  - <workaround-tag>\n"
                     "    where <workaround-tag> is a tag value >= 0xfc\n");
    r = run({"-H", "h", "-b"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "No help message for opt -h\n");
    expect_failure({"-H", "ab"}, 1, "ERROR: -H argument too long: ab\n");
    expect_failure({"-H", "q"}, 1, "ERROR: bad opt given for -H: q\n");
    expect_failure({"-H", ""}, 1, "ERROR: bad opt given for -H: \n");
    // The last -H wins; earlier edits still act.
    EXPECT_EQ(run({"-H", "q", "-H", "b"}).out, "No help message for opt -b\n");
    expect_failure({"-t", "01", "-d", "missing", "-H", "b"}, 2,
                   "ERROR: stat(missing) failed: No such file or directory\n");
}

TEST_F(Spine, HideRule)
{
    expect_failure({"-X"}, 1, "ERROR: -X specified without -N or -Hw\n");
    expect_failure({"-X", "-H", "e"}, 1, "ERROR: -X specified without -N or -Hw\n");
    expect_failure({"-X", "-v"}, 1, "ERROR: -X specified without -N or -Hw\n");
}

TEST_F(Spine, OutputChoices)
{
    result r = run({"-o", "out.bin", "-t", "0a", "-d", "f", "-v"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "WARNING: -o specified without -p or -b\n");
    EXPECT_EQ(r.out, "@0007 0a  01 02 03\n");
    EXPECT_FALSE(exists("out.bin"));

    EXPECT_EQ(run({"-b", "-t", "0a", "-d", "f", "-v"}).out, "@0007 0a  01 02 03\n");

    r = run({"-t", "0a", "-d", "f", "-b", "-o", "out.bin"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read("out.bin"), image({{0x0A, {1, 2, 3}}}));
    // Text output ignores -o.
    r = run({"-o", "out2.bin"});
    EXPECT_EQ(r.out, hex_lines(empty_image));
    EXPECT_EQ(r.err, "WARNING: -o specified without -p or -b\n");
}

TEST_F(Spine, OutputFailures)
{
    expect_failure({"-b", "-o", "nodir/out.bin"}, 2,
                   "Failed to open file 'nodir/out.bin': No such file or directory\n");
    result r = run({"-b", "-F"}, "/dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ERROR: failed to write to standard output\n");
    r = run({"-b", "-F", "-o", "/dev/full"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
}

TEST_F(Spine, InvertedOutput)
{
    bytes otp(4096, 0x00);
    otp[0] = 0xB1, otp[1] = 0xA9, otp[2] = 0xBB, otp[3] = 0xAC;
    EXPECT_EQ(run({"-i", "-b"}).out, as_string(otp));
    EXPECT_EQ(run({"-i", "-i", "-b"}).out, as_string(otp));
    EXPECT_EQ(run({"-i"}).out, hex_lines(otp));
    // The record built before -i stays, complemented like the rest.
    bytes with_record = image({{0x0A, {1, 2, 3}}}, 4096 - 10);
    for (uint8_t &b : with_record)
        b = uint8_t(~b);
    EXPECT_EQ(run({"-t", "0a", "-d", "f", "-i", "-b"}).out, as_string(with_record));
    // Data files are stored as they are: the listing shows them unchanged.
    EXPECT_EQ(run({"-i", "-t", "0a", "-d", "f", "-v"}).out, "@0007 0a  01 02 03\n");
    // A record that only fits the flash region needs compaction: an erase.
    write("big", bytes(4084, 0));
    expect_failure({"-i", "-t", "01", "-d", "big"}, 3, "ERROR: cannot erase NVM/OTP/efuse data\n");
}

TEST_F(Spine, FlashSize)
{
    bytes small = image({}, 96);
    EXPECT_EQ(run({"-f", "100", "-F", "-b"}).out, as_string(small));
    EXPECT_EQ(run({"-f", "8", "-b"}).out, as_string(image({})));
    EXPECT_EQ(run({"-t", "01", "-d", "f", "-f", "1000", "-f", "20", "-b"}).out,
              as_string(image({{0x01, {1, 2, 3}}})));
    expect_failure({"-f", "0"}, 3, "ERROR: Flash size must be larger than 0\n");
    expect_failure({"-f", "x"}, 1, "ERROR: invalid -f argument 'x'\n");
    expect_failure({"-f", "-1"}, 1, "ERROR: invalid -f argument '-1'\n");
    expect_failure({"-f", "4294967296"}, 1, "ERROR: invalid -f argument '4294967296'\n");
    for (const char *n : {"1", "7"})
        expect_failure({"-f", n}, 3, "ERROR: Flash size must be at least 8\n");
    expect_failure({"-i", "-f", "100"}, 3, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
    expect_failure({"-f", "100", "-i"}, 3, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
}

TEST_F(Spine, ResizeNeverCutsTheChain)
{
    // Chain end 10, plus the 4-byte reserve: 14 bytes are the least.
    EXPECT_EQ(run({"-t", "01", "-d", "f", "-f", "14", "-b"}).status, 0);
    expect_failure({"-t", "01", "-d", "f", "-f", "13"}, 3,
                   "ERROR: a region of 13 bytes cannot hold the records, which end at 10\n");
    write("big", bytes(4090, 0));
    expect_failure({"-t", "01", "-d", "big", "-i"}, 3,
                   "ERROR: a region of 4092 bytes cannot hold the records, which end at 4098\n");
}

} // namespace
