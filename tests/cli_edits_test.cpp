// Everyday edits: tags by name, --set, -d - and --compact; the image's own
// shape (form, size, hardware word) in a manifest.
#include "cli_harness.h"

using namespace cli;
namespace fs = std::filesystem;

namespace {

class Edits : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("f", bytes{1, 2, 3});
        write("six", bytes{1, 2, 3, 4, 5, 6});
    }
};

TEST_F(Edits, TagsByNameInAnyCase)
{
    write("img", image({{0x01, {1, 2, 3, 4, 5, 6}}, {0xFC, bytes(8)}, {0x3F, {7}}}));
    auto invalid = [](char opt, const std::string &arg) {
        return std::string("ERROR: invalid -") + opt + " argument '" + arg + "'\n";
    };
    // clang-format off
    expect_cases({
        {{"-t", "BD_ADDRESS", "-d", "six", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n", ""},
        {{"-t", "bd_address", "-d", "six", "-t", "Pairing", "-d", "f", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n@0010 3f  01 02 03\n", ""},
        {{"-r", "img", "-e", "pairing", "-l", "BD_address", "-E", "pmu_w", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n", ""},
        {{"-r", "img", "-l", "bd_address", "-e", "BD_ADDRESS"}, 3, "", "ERROR: failed to erase tag 01: PARAM_LOCKED\n"},
        // A whole hexadecimal argument is a number before it is a name.
        {{"-t", "0xfc", "-d", "f", "-v"}, 0, "@0007 fc  01 02 03\n", ""},
        {{"-t", "BD_ADDR", "-d", "six"}, 1, "", invalid('t', "BD_ADDR")},
        {{"-t", "BD_ADDRESS ", "-d", "six"}, 1, "", invalid('t', "BD_ADDRESS ")},
        {{"-r", "img", "-e", "NOPE"}, 1, "", invalid('e', "NOPE")},
        {{"-r", "img", "-l", ""}, 1, "", invalid('l', "")},
        {{"-r", "img", "-E", "ALL"}, 1, "", invalid('E', "ALL")},
        {{"-r", "img", "-E", "MEM_RMW", "-E", "mem_w", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n@0010 fc  00 00 00 00 00 00 00 00\n@001b 3f  07\n", ""},
        {{"-r", "img", "-E", "BD_ADDRESS"}, 3, "", "ERROR: failed to erase tag 01: FAIL\n"},
    });
    // clang-format on
}

TEST_F(Edits, SetStoresTypedValues)
{
    const std::string refused = "ERROR: invalid --set argument ";
    // clang-format off
    expect_cases({
        // Without a type: an address, a name, a number of the tag's width, else hex.
        {{"--set", "BD_ADDRESS=F6:E5:D4:C3:B2:A1", "--set", "device_name=a=b, c", "--set", "0a=4294967295",
          "--set", "LPCLK_DRIFT=65535", "--set", "11=255", "--set", "1c=00ff", "-v"}, 0,
         "@0007 01  a1 b2 c3 d4 e5 f6\n@0010 02  61 3d 62 2c 20 63\n@0019 0a  ff ff ff ff\n"
         "@0020 07  ff ff\n@0025 11  ff\n@0029 1c  00 ff\n", ""},
        {{"--set", "08:u32=0x1", "--set", "1c:text=", "--set", "0b:file=f", "--set", "3f:u8=7", "-v"}, 0,
         "@0007 08  01 00 00 00\n@000e 1c \n@0011 0b  01 02 03\n@0017 3f  07\n", ""},
        // In command-line order with -t/-d.
        {{"-t", "08", "-d", "f", "--set", "08:hex=0102", "-v"}, 0, "@000d 08  01 02\n", ""},
        {{"--set=08:u8=1", "--set", "08=02", "-v"}, 0, "@000b 08  02\n", ""},
        {{"--set", "0a=4294967296"}, 1, "", refused + "'0a=4294967296': 4294967296 does not fit in u32\n"},
        {{"--set", "11=256"}, 1, "", refused + "'11=256': 256 does not fit in u8\n"},
        {{"--set", "11=-1"}, 1, "", refused + "'11=-1': bad number '-1': decimal digits or 0x and hex digits are expected\n"},
        {{"--set", "BD_ADDRESS=F6:E5"}, 1, "", refused + "'BD_ADDRESS=F6:E5': bad bd_address 'F6:E5': six hex byte pairs joined by ':' are expected\n"},
        {{"--set", "01:hex=0102"}, 1, "", refused + "'01:hex=0102': 2 bytes, but BD_ADDRESS holds 6 bytes\n"},
        {{"--set", "DEVICE_NAME=" + std::string(249, 'n')}, 1, "", refused + "'DEVICE_NAME=nnnnnnnnnnnnnnnnnnnnnnnnnnnn...': 249 bytes, but DEVICE_NAME holds at most 248 bytes\n"},
        {{"--set", "0a"}, 1, "", refused + "'0a': TAG=VALUE or TAG:TYPE=VALUE is expected\n"},
        {{"--set", "=1"}, 1, "", refused + "'=1': unknown tag name ''\n"},
        {{"--set", "ff=1"}, 1, "", refused + "'ff=1': tag ff is not 01 to fe\n"},
        {{"--set", "0a:float=1"}, 1, "", refused + "'0a:float=1': unknown type 'float'\n"},
        {{"--set", "0a=1", "-l", "0a", "--set", "0a=2"}, 3, "", "ERROR: failed to put tag 0a from '0a=2': PARAM_LOCKED\n"},
        {{"-f", "16", "--set", "1c=001122334455"}, 3, "", "ERROR: failed to put tag 1c from '1c=001122334455': NO_SPACE_AVAILABLE\n"},
    });
    // clang-format on
}

TEST_F(Edits, StandardInputOnce)
{
    if (windows_tool())
        GTEST_SKIP() << "the harness feeds standard input through a POSIX pipe";
    // clang-format off
    expect_piped({
        {"abc", {"-t", "02", "-d", "-", "-v"}, 0, "@0007 02  61 62 63\n", ""},
        {"", {"-t", "02", "-d", "-", "-v"}, 0, "@0007 02 \n", ""},
        {"abcdefgh", {"-f", "8", "-t", "02", "-d", "-"}, 2, "", "ERROR: way too much data from '-'\n"},
        {"abc", {"-t", "02", "-d", "-", "-t", "03", "-d", "-"}, 1, "", "ERROR: standard input is read only once: a second '-d -'\n"},
        {"abc", {"-t", "02", "-d", "./-"}, 2, "", "ERROR: stat(./-) failed: No such file or directory\n"},
    });
    // clang-format on
}

TEST_F(Edits, CompactKeepsLiveRecordsInOrder)
{
    // Deleted, live, locked, incomplete, live.
    bytes deleted =
        image({{0x1C, {1}, 0x02}, {0x1D, {2}}, {0x1E, {3}, 0x04}, {0x1F, {4}, 0x07}, {0xFC, {5}}});
    write("img", deleted);
    bytes compacted = image({{0x1D, {2}}, {0x1E, {3}, 0x04}, {0xFC, {5}}});
    compacted.resize(64, 0xFF);
    // clang-format off
    expect_cases({
        {{"-f", "64", "-r", "img", "--compact", "-F", "-b"}, 0, as_string(compacted), ""},
        {{"-r", "img", "--compact", "-t", "08", "-d", "f", "-v"}, 0, "@0007 1d  02\n@000b 1e  03\n@000f fc  05\n@0013 08  01 02 03\n", ""},
        {{"-r", "img", "-e", "1d", "--compact", "--check"}, 0, "2 live records (1 locked), 0 deleted, 0 incomplete; 12 bytes used, 65524 free, 0 reclaimable\n", ""},
        {{"--compact", "-b"}, 0, as_string(image({})), ""},
        {{"-i", "--set", "01=01:02:03:04:05:06", "--compact"}, 3, "", "ERROR: cannot erase NVM/OTP/efuse data\n"},
    });
    // clang-format on
    // A batch leaves no deleted record of its template behind.
    write("t.csv", "id,DEVICE_NAME\na,41\nb,\n");
    EXPECT_EQ(run({"--set", "DEVICE_NAME=old", "--set", "0a=1", "--batch", "t.csv"}).status, 0);
    EXPECT_EQ(read("a.bin"), image({{0x0A, {1, 0, 0, 0}}, {0x02, {'A'}}}));
    EXPECT_EQ(read("b.bin"), image({{0x02, {'o', 'l', 'd'}}, {0x0A, {1, 0, 0, 0}}}));
}

TEST_F(Edits, ManifestsCarryTheImagesShape)
{
    auto doc = [](const std::string &shape) {
        return "{" + shape + (shape.empty() ? "" : ", ") +
               "\"records\": [{\"tag\": 1, \"data\": \"010203040506\"}]}";
    };
    write(
        "otp.json",
        doc(R"("format": "otp", "flash_size": 12, "hw_config": {"word": 268435457, "fields": [{"name": "nope"}]})"));
    write(
        "fields.json",
        doc(R"("format": "otp", "hw_config": {"fields": [{"name": "SWD_DISABLE", "value": 1, "text": "x"}, {"name": "OTP_BATT_TYPE", "value": 2}]})"));
    write("small.json", doc(R"("format": "flash", "flash_size": 64)"));
    write("word.json", doc(R"("hw_config": {"word": 1})"));
    write("zero.json", doc(R"("flash_size": 0)"));
    auto error = [](const std::string &file, const std::string &text) {
        return "ERROR: '" + file + "'" + text + "\n";
    };
    bytes small = image({{0x01, {1, 2, 3, 4, 5, 6}}}, 0);
    small.resize(64, 0xFF);
    // clang-format off
    expect_cases({
        {{"--manifest", "otp.json", "-v", "-N"}, 0, "HW configuration: 0x10000001\n", ""},
        {{"--manifest", "fields.json", "-v", "-N"}, 0, "HW configuration: 0x10000001\n", ""},
        {{"--manifest", "small.json", "-F", "-b"}, 0, as_string(small), ""},
        // As -i and -f would at that point, with their refusals.
        {{"-f", "100", "--manifest", "otp.json"}, 3, "", "ERROR: '-i' and '-f' flags are mutually exlusive\n"},
        {{"--manifest", "small.json", "-i"}, 3, "", "ERROR: '-i' and '-f' flags are mutually exlusive\n"},
        {{"-i", "--manifest", "small.json", "-v"}, 0, "@0007 01  01 02 03 04 05 06\n", ""},
        {{"--manifest", "word.json"}, 1, "", "ERROR: 'word.json' hw_config: the image is not in OTP form\n"},
        {{"-f", "0", "--manifest", "small.json"}, 3, "", "ERROR: Flash size must be larger than 0\n"},
        {{"--manifest", "zero.json"}, 3, "", "ERROR: Flash size must be larger than 0\n"},
    });
    // clang-format on
    const std::vector<std::pair<std::string, std::string>> refused = {
        {R"("format": "OTP")", ": \"format\" must be \"flash\" or \"otp\""},
        {R"("flash_size": -1)",
         ": \"flash_size\" -1: a whole number from 0 to 4294967295 is expected"},
        {R"("flash_size": 4294967296)",
         ": \"flash_size\" 4294967296: a whole number from 0 to 4294967295 is expected"},
        {R"("hw_config": [])", ": hw_config: \"hw_config\" must be an object"},
        {R"("hw_config": {"words": 1})", ": hw_config: unknown key 'words'"},
        {R"("hw_config": {"word": 4294967296})",
         ": hw_config: \"word\" 4294967296: a whole number from 0 to 4294967295 is expected"},
        {R"("hw_config": {"fields": [{"name": "PDAC", "value": 8}]})",
         ": hw_config: field 0: 8 does not fit in the 3 bits of PDAC"},
        {R"("hw_config": {"fields": [{"name": "SPARE", "value": 2}]})",
         ": hw_config: field 0: 2 is not a value of SPARE"},
        {R"("hw_config": {"fields": [{"value": 1}]})",
         ": hw_config: field 0: an object with \"name\" and \"value\" is expected"},
        {R"("hw_config": {"fields": [{"name": "swd_disable", "value": 1}]})",
         ": hw_config: field 0: unknown field 'swd_disable'"},
    };
    for (const auto &[shape, text] : refused) {
        write("bad.json", doc(shape));
        // Checked whole: nothing changes before the error.
        expect_cases({{{"-t", "05", "-d", "f", "--manifest", "bad.json", "-b"},
                       2,
                       "",
                       error("bad.json", text)}});
    }
}

} // namespace
