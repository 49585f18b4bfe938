// Comparing two images (--diff), and the files of flash programmers: Intel
// HEX and S-records at a base address, and a region inside a larger dump.
#include "cli_harness.h"

using namespace cli;
namespace fs = std::filesystem;

namespace {

class Diff : public Sandbox {};

TEST_F(Diff, ContentNotLayout)
{
    const bytes addr{1, 2, 3, 4, 5, 6};
    write(
        "a",
        image({{0x01, addr}, {0x02, {'o', 'n', 'e'}}, {0x08, {1, 2}, 0x04}, {0xFC, bytes(8, 1)}}));
    // The same records in another order, with a deleted one between.
    write("order", image({{0x08, {1, 2}, 0x04},
                          {0x02, {'x'}, 0x02},
                          {0xFC, bytes(8, 1)},
                          {0x02, {'o', 'n', 'e'}},
                          {0x01, addr}}));
    write("b", image({{0x02, {'t', 'w', 'o'}},
                      {0x01, addr},
                      {0x08, {1, 2}},
                      {0xFC, bytes(8, 1)},
                      {0xFC, bytes(8, 2)},
                      {0x1C, {9}}}));
    write("otp1", otp_image(image({{0x01, addr}}), 0x10000001));
    write("otp2", otp_image(image({{0x01, addr}}), 0x10000003));
    const std::string same = "the images hold the same records\n";
    // clang-format off
    expect_cases({
        {{"-r", "a", "--diff", "a"}, 0, same, ""},
        {{"-r", "a", "--diff", "order"}, 0, same + "the images differ in layout only\n", ""},
        {{"-r", "a", "--diff", "b"}, 6,
         "- 02 DEVICE_NAME 'one'\n+ 02 DEVICE_NAME 'two'\n"
         "- 08 LPCLK_JITTER  01 02 (locked)\n+ 08 LPCLK_JITTER  01 02\n"
         "+ 1c  09\n"
         "+ fc PMU_W block=0x2,addr=0x2,data=0x2020202\n"
         "4 records differ\n", ""},
        {{"-r", "b", "--diff", "a"}, 6,
         "- 02 DEVICE_NAME 'two'\n+ 02 DEVICE_NAME 'one'\n"
         "- 08 LPCLK_JITTER  01 02\n+ 08 LPCLK_JITTER  01 02 (locked)\n"
         "- 1c  09\n"
         "- fc PMU_W block=0x2,addr=0x2,data=0x2020202\n"
         "4 records differ\n", ""},
        // An empty image against one: every record on one side.
        {{"--diff", "a"}, 6, "+ 01 BD_ADDRESS 06:05:04:03:02:01\n+ 02 DEVICE_NAME 'one'\n"
         "+ 08 LPCLK_JITTER  01 02 (locked)\n+ fc PMU_W block=0x1,addr=0x1,data=0x1010101\n"
         "4 records differ\n", ""},
        {{"-r", "a", "--diff", "/dev/null"}, 6, "- 01 BD_ADDRESS 06:05:04:03:02:01\n- 02 DEVICE_NAME 'one'\n"
         "- 08 LPCLK_JITTER  01 02 (locked)\n- fc PMU_W block=0x1,addr=0x1,data=0x1010101\n"
         "4 records differ\n", "", {}, {}, "/dev/null"},
        {{"-i", "-r", "otp1", "--diff", "otp2"}, 6, "- HW configuration: 0x10000001\n+ HW configuration: 0x10000003\n" + same, ""},
        {{"-i", "-r", "otp1", "--diff", "otp1"}, 0, same, ""},
        // The right side is read as -r reads it, in the left's form.
        {{"-r", "a", "--diff", "otp1"}, 2, "", "ERROR: 'otp1' is not an NVDS image\nhint: it is an OTP image; give -i before -r\n"},
        {{"-r", "a", "--diff", "none"}, 2, "", "ERROR: open(none) failed: No such file or directory\n"},
        // --check comes first in the final phase.
        {{"-r", "a", "--diff", "b", "--check"}, 0, "4 live records (1 locked), 0 deleted, 0 incomplete; 35 bytes used, 65501 free, 0 reclaimable\n", ""},
    });
    // clang-format on
    // Multi-line records show their later lines as -p does.
    bytes cal(144, 0);
    write("cal", image({{0xBC, cal}}));
    result r = run({"--diff", "cal"});
    EXPECT_EQ(r.status, 6);
    std::string listing = run({"-r", "cal", "-p"}).out;
    EXPECT_EQ(r.out, "+ bc " + listing.substr(6) + "1 records differ\n");
}

TEST_F(Diff, AsJson)
{
    write("a", image({{0x01, {1, 2, 3, 4, 5, 6}}}));
    write("b", image({{0x3F, {7}, 0x04}}));
    write("otp1", otp_image(image({}), 1));
    write("otp2", otp_image(image({}), 3));
    // clang-format off
    expect_cases({
        {{"-r", "a", "--diff", "b", "--json"}, 6,
         "{\n  \"same\": false,\n  \"layout_only\": false,\n  \"differences\": [\n"
         "    {\n      \"tag\": 1,\n      \"name\": \"BD_ADDRESS\",\n      \"left\": {\n"
         "        \"offset\": 7,\n        \"tag\": 1,\n        \"name\": \"BD_ADDRESS\",\n"
         "        \"length\": 6,\n        \"locked\": false,\n        \"data\": \"010203040506\",\n"
         "        \"decoded\": \"06:05:04:03:02:01\"\n      },\n      \"right\": null\n    },\n"
         "    {\n      \"tag\": 63,\n      \"name\": \"PAIRING\",\n      \"left\": null,\n"
         "      \"right\": {\n        \"offset\": 7,\n        \"tag\": 63,\n        \"name\": \"PAIRING\",\n"
         "        \"length\": 1,\n        \"locked\": true,\n        \"data\": \"07\",\n"
         "        \"decoded\": \" 07\"\n      }\n    }\n  ]\n}\n", ""},
        {{"-r", "a", "--json", "--diff", "a"}, 0, "{\n  \"same\": true,\n  \"layout_only\": false,\n  \"differences\": []\n}\n", ""},
        {{"-i", "-r", "otp1", "--diff", "otp2", "--json"}, 6,
         "{\n  \"same\": false,\n  \"layout_only\": false,\n  \"differences\": [],\n"
         "  \"hw_config\": {\n    \"left\": 1,\n    \"right\": 3\n  }\n}\n", ""},
        {{"-r", "a", "--diff", "b", "--json", "-o", "d.json"}, 6, "", "", {}, {{"d.json", as_bytes(run({"-r", "a", "--diff", "b", "--json"}).out)}}},
    });
    // clang-format on
}

class RecordFiles : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("img", image({{0x0A, {1, 2, 3}}}));
    }
};

TEST_F(RecordFiles, WrittenAndReadAtTheBase)
{
    write("crlf.hex", ":020000040001F9\r\n:08FFF8004E5644530A060301B2\r\n:020000040002F8\r\n:"
                      "060000000203FFFFFFFFF9\r\n:00000001FF\r\n");
    write("bad.hex", ":020000040001F9\n:08FFF8004E5644530A060301B3\n:00000001FF\n");
    write("gap.srec", "S00B0000696D67666F726765A4\nS30D000010004E5644530A06020194\nS30900001009FFFF"
                      "FFFFE1\nS70500000000FA\n");
    write("noend.hex", ":020000040001F9\n:08FFF8004E5644530A060301B2\n");
    const std::string listing = "@0007 0a  01 02 03\n";
    // The 14 bytes -b writes: "NVDS", 0a 06 03 01 02 03, ff ff ff ff.
    // clang-format off
    expect_cases({
        {{"-r", "img", "--ihex"}, 0, ":020000040000FA\n:0E0000004E5644530A0603010203FFFFFFFFA2\n:00000001FF\n", ""},
        {{"-r", "img", "--srec", "-b"}, 0, "S00B0000696D67666F726765A4\nS313000000004E5644530A0603010203FFFFFFFF9C\nS70500000000FA\n", ""},
        // Across a 64 KiB boundary: the record splits and the upper bits follow.
        {{"-r", "img", "--ihex", "--base", "0x1FFF8", "-o", "img.hex"}, 0, "", "", {},
         {{"img.hex", as_bytes(":020000040001F9\n:08FFF8004E5644530A060301B2\n:020000040002F8\n:060000000203FFFFFFFFF9\n:00000001FF\n")}}},
        {{"-r", "img", "--base=4294967282", "--ihex"}, 0,
         ":02000004FFFFFC\n:0EFFF2004E5644530A0603010203FFFFFFFFB1\n:00000001FF\n", ""},
        // Sixteen bytes a line.
        {{"-f", "20", "-F", "--ihex"}, 0, ":020000040000FA\n:100000004E564453FFFFFFFFFFFFFFFFFFFFFFFFC1\n:04001000FFFFFFFFF0\n:00000001FF\n", ""},
        {{"-f", "20", "-F", "--srec", "--base", "0x12345"}, 0, "S00B0000696D67666F726765A4\nS315000123454E564453FFFFFFFFFFFFFFFFFFFFFFFF52\nS30900012355FFFFFFFF81\nS70500000000FA\n", ""},
        {{"-r", "img", "--ihex", "--base", "0xFFFFFFF3"}, 1, "", "ERROR: the image does not fit below 4 GiB\n"},
        {{"-r", "img", "--srec", "-F", "--base", "0xFFFF0001"}, 1, "", "ERROR: the image does not fit below 4 GiB\n"},
        {{"--ihex", "--base", "0x100000000"}, 1, "", "ERROR: invalid --base argument '0x100000000'\n"},
        {{"--ihex", "--base", "-1"}, 1, "", "ERROR: invalid --base argument '-1'\n"},
        {{"--ihex", "--base", "1k"}, 1, "", "ERROR: invalid --base argument '1k'\n"},
        // Read back: the image starts at the base; bytes before it are
        // refused, bytes no record gives read as erased.
        {{"--base", "0x1FFF8", "-r", "img.hex", "-v"}, 0, listing, ""},
        {{"-r", "crlf.hex", "-v", "--base=131064"}, 0, listing, ""},
        {{"-r", "img.hex", "--base", "0x1FFF9", "-v"}, 2, "", "ERROR: 'img.hex' line 2: data below the base address\n"},
        {{"-r", "gap.srec", "--base", "0x1000", "-v"}, 0, "@0007 0a  01 ff\n", ""},
        {{"-r", "bad.hex", "--base", "0x1FFF8"}, 2, "", "ERROR: 'bad.hex' line 2: a bad checksum\n"},
        {{"-r", "noend.hex", "--base", "0x1FFF8"}, 2, "", "ERROR: 'noend.hex' line 3: no end record\n"},
        {{"-i", "-r", "img.hex", "--base", "0x1FFF8", "-v"}, 2, "", "ERROR: 'img.hex' is not an NVDS image\nhint: it is a flash image; leave out -i\n"},
    });
    // clang-format on
    // OTP images go out as the medium holds them: complemented.
    EXPECT_EQ(run({"-i", "--srec"}).out.substr(27, 44),
              "S31500000000B1A9BBAC000000000000000000000000");
}

class Dump : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        bytes dump(20000);
        for (size_t i = 0; i < dump.size(); i++)
            dump[i] = uint8_t(i * 31 + 7);
        bytes region = image({{0x0A, {1, 2, 3}}}, 4096 - 14);
        std::copy(region.begin(), region.end(), dump.begin() + 0x1000);
        write("dump", dump);
    }
};

TEST_F(Dump, RegionAtAnOffset)
{
    bytes before = read("dump");
    bytes after = before;
    bytes region = image({{0x0A, {1, 2, 3}}, {0x0B, {9}}}, 4096 - 18);
    std::copy(region.begin(), region.end(), after.begin() + 0x1000);
    // clang-format off
    expect_cases({
        {{"--at", "0x1000", "-f", "4096", "-r", "dump", "-v"}, 0, "@0007 0a  01 02 03\n", ""},
        {{"-f", "4096", "-r", "dump", "-v", "--at=4096"}, 0, "@0007 0a  01 02 03\n", ""},
        // Without -f the region is the rest of the file.
        {{"--at", "4096", "-r", "dump", "--json"}, 0, run({"-f", "15904", "--at", "4096", "-r", "dump", "--json"}).out, ""},
        {{"--at", "0x1000", "-f", "4096", "-r", "dump", "-t", "0b", "-d", "dump", "-b", "-o", "dump"}, 2, "", "ERROR: way too much data from 'dump'\n"},
        {{"--at", "0x4E1C", "-f", "4096", "-r", "dump"}, 2, "", "ERROR: 'dump' is too small for the region at offset 0x4E1C\n"},
        {{"--at", "19993", "-r", "dump"}, 2, "", "ERROR: 'dump' is too small for the region at offset 19993\n"},
        {{"--at", "9223372036854775807", "-r", "dump"}, 2, "", "ERROR: 'dump' is too small for the region at offset 9223372036854775807\n"},
        {{"--at", "9223372036854775808", "-r", "dump"}, 1, "", "ERROR: invalid --at argument '9223372036854775808'\n"},
        {{"--at", "0x1000", "-b", "-o", "none"}, 2, "", "ERROR: 'none' is too small for the region at offset 0x1000\n"},
        {{"--at", "0x1000", "-b", "-o", "x"}, 2, "", "ERROR: 'x' is too small for the region at offset 0x1000\n", {{"x", bytes{}}}, {{"x", bytes{}}}},
        {{"--at", "0x1000x", "-b", "-o", "x"}, 1, "", "ERROR: invalid --at argument '0x1000x'\n", {{"x", bytes{}}}, {{"x", bytes{}}}},
    });
    // clang-format on
    EXPECT_EQ(read("dump"), before);
    // A region of 4 GiB is larger than any flash (the file is sparse).
    write("huge", bytes{});
    fs::resize_file(path("huge"), 0x1000 + (uint64_t(1) << 32));
    // clang-format off
    expect_cases({{{"--at", "0x1000", "-r", "huge"}, 3, "", "ERROR: the region at offset 0x1000 of 'huge' is 4 GiB or more; give its size with -f\n"}});
    // clang-format on
    // A pipe is read its way to the offset.
    run_env piped;
    std::string data = as_string(before);
    piped.stdin_data = &data;
    if (!windows_tool()) {
        EXPECT_EQ(run({"--at", "0x1000", "-f", "4096", "-r", "/dev/stdin", "-v"}, piped).out,
                  "@0007 0a  01 02 03\n");
        EXPECT_EQ(run({"--at", "19993", "-f", "4096", "-r", "/dev/stdin"}, piped).err,
                  "ERROR: '/dev/stdin' is too small for the region at offset 19993\n");
    }
    write("b", bytes{9});
    EXPECT_EQ(run({"--at", "0x1000", "-f", "4096", "-r", "dump", "-t", "0b", "-d", "b", "-b", "-o",
                   "dump"})
                  .status,
              0);
    EXPECT_EQ(read("dump"), after);
}

} // namespace
