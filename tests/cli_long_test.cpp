// Long options: --help, --version, --tags, the JSON document and the
// integrity check.
#include "cli_harness.h"

using namespace cli;

namespace {

const std::string sample = std::string(IMGFORGE_SOURCE_DIR) + "/examples/sample.bin";

// Files a report must go on after: a field value without a description
// ("spare"), a file cut right after a tag byte ("cut14") and an OTP file
// without its last 4 bytes ("otp4092").
class Reports : public Sandbox {
  protected:
    void write_damaged() const
    {
        write("spare", otp_image(image({}), 1u << 14));
        std::ifstream in(sample, std::ios::binary);
        bytes sample_bytes((std::istreambuf_iterator<char>(in)), {});
        write("cut14", bytes(sample_bytes.begin(), sample_bytes.begin() + 14));
        bytes otp = otp_image(image({}), 1);
        write("otp4092", bytes(otp.begin(), otp.end() - 4));
    }
};

class Long : public Reports {};

TEST_F(Long, ParsingAndHelp)
{
    const std::string usage = golden("usage.txt");
    const std::string long_usage = usage + golden("long_options.txt");
    auto failing = [&](const std::string &message) { return "imgforge: " + message + usage; };
    // clang-format off
    expect_cases({
        {{"--help"}, 0, long_usage, ""},
        {{"-b", "--help", "-x"}, 0, long_usage, ""},
        {{"--version"}, 0, "imgforge " IMGFORGE_VERSION "\n", ""},
        // A mistyped long option gets the nearest one (at most 2 edits; the
        // first in --help order on a tie), not the usage.
        {{"--bogus"}, 1, "", "ERROR: unknown option '--bogus'\n"},
        {{"--bogus=1"}, 1, "", "ERROR: unknown option '--bogus'\n"},
        {{"--hel"}, 1, "", "ERROR: unknown option '--hel'\nhint: did you mean '--help'?\n"},
        {{"--JSON=x"}, 1, "", "ERROR: unknown option '--JSON'\n"},
        {{"--st"}, 1, "", "ERROR: unknown option '--st'\nhint: did you mean '--set'?\n"},
        {{"--chek", "--bogus"}, 1, "", "ERROR: unknown option '--chek'\nhint: did you mean '--check'?\n"},
        {{"--dif=x"}, 1, "", "ERROR: unknown option '--dif'\nhint: did you mean '--diff'?\n"},
        {{"--"  + std::string(41, 'x')}, 1, "", "ERROR: unknown option '--" + std::string(40, 'x') + "...'\n"},
        {{"--json=yes"}, 1, "", failing("option '--json' doesn't allow an argument\n")},
        {{"--set"}, 1, "", failing("option '--set' requires an argument\n")},
        // Options end at the first operand or after "--", as for short ones.
        {{"-b", "--", "--bogus"}, 0, as_string(image({})), "WARNING: ignoring '--bogus' and every argument after it\n"},
        {{"-X", "--json"}, 0, run({"--json"}).out, ""},
        {{"-X", "--check"}, 1, "", "ERROR: -X specified without -N or -Hw\n"},
        // The list of tags is a reviewed text; it acts in the final phase.
        {{"--tags"}, 0, golden("tags.txt"), ""},
        {{"-v", "-o", "x", "--tags", "--check"}, 0, golden("tags.txt"), ""},
        {{"--tags", "-H", "b"}, 0, "No help message for opt -b\n", ""},
    });
    // clang-format on
}

// JSON documents compared byte for byte with reviewed ones: a record without
// decoding has no "decoded", one of a wrong length a "problem" instead; bytes
// that are not UTF-8 are \xNN, control bytes as the dump writes them; no
// USER_APP file is written. An OTP image's hardware fields, a value without a
// description as null; a check's problems and summary.
TEST_F(Long, JsonDocumentsAsReviewed)
{
    write("img", image({{0x0A, {0xFE, 0xFF, 0xFF, 0xFF}, 0x04},
                        {0x1C, {1, 2}},
                        {0x90, {}},
                        {0x01, {1, 2, 3, 4, 5}},
                        {0x02, {'a', 0xFF, 0xC3, 0xA9, 0x01}},
                        {0xB6, {7}}}));
    write("otp", otp_image(image({{0x11, {2}}}), 0x10000001));
    write("short", image({{0x01, {1, 2, 3, 4, 5}}}));
    write_damaged();
    // clang-format off
    expect_cases({
        {{"-r", "img", "--json", "-p", "-o", "out.json"}, 0, "", "", {}, {{"out.json", as_bytes(golden("json_records.json"))}}},
        {{"-i", "-r", "otp", "--json", "-X"}, 0, golden("json_otp.json"), ""},
        {{"-i", "-r", "spare", "--json"}, 0, golden("json_otp_spare.json"), ""},
        {{"-r", "short", "--check", "--json"}, 5, golden("json_check.json"), ""},
    });
    // clang-format on
    EXPECT_EQ(names_in("."), (std::vector<std::string>{"cut14", "img", "otp", "otp4092", "out.json",
                                                       "short", "spare"}));
}

// The summary line of a check without locked, deleted or incomplete records.
std::string summary(int live, int used, int free)
{
    return std::to_string(live) + " live records (0 locked), 0 deleted, 0 incomplete; " +
           std::to_string(used) + " bytes used, " + std::to_string(free) + " free, 0 reclaimable\n";
}

class Check : public Reports {};

TEST_F(Check, SoundImagesAndEachProblemKind)
{
    write("notes", image({{0x01, {1, 2, 3, 4, 5, 6}, 0x04},
                          {0x02, {'a'}, 0x02},
                          {0x02, {'b', 'c'}, 0x07},
                          {0xFC, bytes(8)},
                          {0xFC, bytes(8)}}));
    write("zeros", bytes(4096, 0));
    write("text", "hello\n");
    bytes overrun = image({{0x01, {1, 2}}});
    overrun[6] = 0x7F;
    overrun.resize(64, 0xFF);
    write("overrun", overrun);
    write("short", image({{0x01, {1, 2, 3, 4, 5}}}));
    write("twice", image({{0x01, {1, 2, 3, 4, 5, 6}}, {0x01, {6, 5, 4, 3, 2, 1}}}));
    bytes dirty = image({{0x0A, {1, 2, 3, 4}}}, 40);
    dirty[30] = 0x7E;
    write("dirty", dirty);
    bytes whole = image({{0x07, {1, 2}}, {0x08, {1, 2, 3, 4, 5, 6}}}, 0);
    write("cut", bytes(whole.begin(), whole.begin() + 15));
    write_damaged();
    const std::string shorter =
        "'otp4092' is shorter than an OTP image; its missing bytes read as unprogrammed\n";
    // clang-format off
    expect_cases({
        {{"-r", sample, "--check"}, 0, summary(61, 1271, 64265), ""},
        // Deleted and incomplete records are notes, counted in the summary.
        {{"--check", "-r", "notes"}, 0, "3 live records (1 locked), 1 deleted, 1 incomplete; 44 bytes used, 65492 free, 9 reclaimable\n", ""},
        {{"-i", "--check", "-r", "zeros"}, 0, summary(0, 4, 4088), ""},
        {{"--check"}, 0, summary(0, 4, 65532), ""},
        {{"--check", "-r", "text"}, 5, "'text' has no NVDS magic and is not erased; it reads as an empty image\n" + summary(0, 4, 65532), ""},
        {{"-f", "64", "-r", "overrun", "--check"}, 5, "@0007 the record runs past the end of the region (64 bytes)\n" + summary(0, 64, 0), ""},
        {{"-r", "short", "--check"}, 5, "@0007 BD_ADDRESS: length 5, expected 6 bytes\n" + summary(1, 12, 65524), ""},
        {{"-r", "twice", "--check"}, 5, "@0010 BD_ADDRESS: a second live record; the first is at @0007\n" + summary(2, 22, 65514), ""},
        {{"-r", "dirty", "--check"}, 5, "@001e bytes after the end of the chain are not erased\n" + summary(1, 11, 65525), ""},
        {{"--check", "-r", "cut"}, 5, "@000c 'cut' ends inside this record; its missing bytes read as erased\n" + summary(2, 18, 65518), ""},
        {{"-i", "-r", "spare", "--check"}, 5, "hardware field SPARE: value 2 has no description\n" + summary(0, 4, 4088), ""},
        {{"-r", "cut14", "--check"}, 5, "@0011 'cut14' ends inside this record; its missing bytes read as erased\n1 live records (0 locked), 0 deleted, 1 incomplete; 32784 bytes used, 32752 free, 32771 reclaimable\n", ""},
        {{"-r", "cut14", "-v"}, 0, "@0007 01  a1 b2 c3 d4 e5 f6\n", "WARNING: 'cut14' ends inside the record at @0011; its missing bytes read as erased\n"},
        {{"-i", "-r", "otp4092", "--check"}, 5, shorter + summary(0, 4, 4088), ""},
        {{"-i", "-r", "otp4092", "-v", "-N"}, 0, "HW configuration: 0x00000000\n", "WARNING: " + shorter},
    });
    // clang-format on
}

} // namespace
