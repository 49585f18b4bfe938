// Command line, image buffers, adding records and image output, end to end.
#include "cli_harness.h"

using namespace cli;

namespace {

const std::string usage_text = golden("usage.txt");
const bytes empty_image = image({});
const bytes record_0a = image({{0x0A, {1, 2, 3}}});

std::string failed(const std::string &message)
{
    return "imgforge: " + message + "\n" + usage_text;
}

// Bytes of a 64 KiB flash holding `image` and erased bytes after it.
std::string full_flash(bytes image, size_t size = 65536)
{
    image.resize(size, 0xFF);
    return as_string(image);
}

class Spine : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        write("f", bytes{1, 2, 3});
        write("g", bytes{9});
    }
};

TEST_F(Spine, ImageOutput)
{
    // Erased OTP reads as zero bytes, the HW configuration word included.
    const bytes otp = otp_image(image({}, 0), 0), otp_record = otp_image(record_0a, 0);
    const std::string warning = "WARNING: -o specified without -p or -b\n";
    // clang-format off
    expect_cases({
        {{}, 0, "4e\n56\n44\n53\nff\nff\nff\nff\n", ""},
        {{"-b"}, 0, as_string(empty_image), ""},
        {{"-bF"}, 0, full_flash(empty_image), ""},
        {{"-t", "0a", "-d", "f", "-b"}, 0, as_string(record_0a), ""},
        {{"-t0x0A", "-df", "-b"}, 0, as_string(record_0a), ""},
        {{"-t", "0a", "-d", "f"}, 0, hex_lines(record_0a), ""},
        // Several -d after one -t replace each other.
        {{"-t", "0a", "-d", "f", "-d", "g", "-b"}, 0, as_string(image({{0x0A, {1, 2, 3}, 0x02}, {0x0A, {9}}})), ""},
        {{"-t", "0a", "-d", "f", "-b", "-o", "out.bin"}, 0, "", "", {}, {{"out.bin", record_0a}}},
        // -v wins over -b; text output and -v leave -o unused.
        {{"-o", "unused", "-b", "-t", "0a", "-d", "f", "-v"}, 0, "@0007 0a  01 02 03\n", ""},
        {{"-o", "unused", "-t", "0a", "-d", "f", "-v"}, 0, "@0007 0a  01 02 03\n", warning},
        {{"-o", "unused"}, 0, hex_lines(empty_image), warning},
        {{"-b", "-o", "nodir/out.bin"}, 2, "", "Failed to open file 'nodir/out.bin': No such file or directory\n"},
        {{"-b", "-F", "-o", "/dev/full"}, 2, "", "ERROR: cannot write '/dev/full': No space left on device\n", {}, {}, "/dev/full"},
        // Inverted: 4096 bytes, complemented; data files are stored as they are.
        {{"-i", "-b"}, 0, as_string(otp), ""},
        {{"-i", "-i"}, 0, hex_lines(otp), ""},
        {{"-t", "0a", "-d", "f", "-i", "-b"}, 0, as_string(otp_record), ""},
        {{"-i", "-t", "0a", "-d", "f", "-v"}, 0, "@0007 0a  01 02 03\n", ""},
    });
    // clang-format on
    EXPECT_FALSE(exists("unused"));
}

TEST_F(Spine, TagDataAndSizes)
{
    const std::string length = "ERROR: failed to put tag 01 from 'big': LENGTH_OUT_OF_RANGE\n";
    std::filesystem::create_directory(path("dir"));
    // clang-format off
    expect_cases({
        {{"-d", "f"}, 1, "", "ERROR: must specify a -t before -d 'f'\n"},
        {{"-t", "01", "-d", "missing"}, 2, "", "ERROR: stat(missing) failed: No such file or directory\n"},
        {{"-t", "ff", "-d", "f"}, 3, "", "ERROR: failed to put tag ff from 'f': FAIL\n"},
        {{"-t", "01", "-d", "dir"}, 2, "", "add_tag_data: Is a directory\n", {}, {}, "a folder cannot be opened as a file"},
        // The data must be smaller than the region and fit a record.
        {{"-t", "01", "-d", "big"}, 2, "", "ERROR: way too much data from 'big'\n", {{"big", bytes(65536, 0)}}},
        {{"-t", "01", "-d", "big"}, 3, "", length, {{"big", bytes(32768, 0)}}},
        {{"-f", "80000", "-t", "01", "-d", "big"}, 3, "", length, {{"big", bytes(70000, 0)}}},
        {{"-t", "01", "-d", "big", "-b"}, 0, as_string(image({{0x01, bytes(32767, 0x5A)}})), "", {{"big", bytes(32767, 0x5A)}}},
        // 4 + 3 + 89 + 4 = 100: the last byte of the reserve fits, one more does not.
        {{"-f", "100", "-t", "01", "-d", "big", "-b"}, 0, as_string(image({{0x01, bytes(89, 0)}})), "", {{"big", bytes(89, 0)}}},
        {{"-f", "100", "-t", "01", "-d", "big"}, 3, "", "ERROR: failed to put tag 01 from 'big': NO_SPACE_AVAILABLE\n", {{"big", bytes(90, 0)}}},
        {{"-f", "100", "-F", "-b"}, 0, full_flash(empty_image, 100), ""},
        {{"-f", "8", "-b"}, 0, as_string(empty_image), ""},
        {{"-t", "01", "-d", "f", "-f", "1000", "-f", "14", "-b"}, 0, as_string(image({{0x01, {1, 2, 3}}})), ""},
        {{"-t", "01", "-d", "f", "-f", "13"}, 3, "", "ERROR: a region of 13 bytes cannot hold the records, which end at 10\n"},
        {{"-t", "01", "-d", "big", "-i"}, 3, "", "ERROR: a region of 4092 bytes cannot hold the records, which end at 4098\n", {{"big", bytes(4090, 0)}}},
        // A record that only fits the flash region needs compaction: an erase.
        {{"-i", "-t", "01", "-d", "big"}, 3, "", "ERROR: cannot erase NVM/OTP/efuse data\n", {{"big", bytes(4084, 0)}}},
        {{"-f", "0"}, 3, "", "ERROR: Flash size must be larger than 0\n"},
        {{"-f", "7"}, 3, "", "ERROR: Flash size must be at least 8\n"},
        {{"-f", "100", "-i"}, 3, "", "ERROR: '-i' and '-f' flags are mutually exlusive\n"},
    });
    // clang-format on
}

TEST_F(Spine, HelpAndParsing)
{
    auto ignoring = [](const std::string &arg) {
        return "WARNING: ignoring '" + arg + "' and every argument after it\n";
    };
    // clang-format off
    expect_cases({
        {{"-h"}, 0, usage_text, ""},
        {{"-t", "zz", "-h"}, 1, "", "ERROR: invalid -t argument 'zz'\n"},
        // options act in order
        {{"-b", "-x"}, 1, "", failed("unknown option -- x")},
        {{"-bx"}, 1, "", failed("unknown option -- x")},
        {{"-t"}, 1, "", failed("option requires an argument -- t")},
        {{"-:"}, 1, "", failed("unknown option -- :")},
        {{"-t", "-b"}, 1, "", "ERROR: invalid -t argument '-b'\n"},
        // an argument may start with -; options end at the first operand
        {{"-t", "01", "x", "-b"}, 0, hex_lines(empty_image), ignoring("x")},
        {{"x", "-p"}, 0, hex_lines(empty_image), ignoring("x")},
        {{"-b", "--", "-p", "x"}, 0, as_string(empty_image), ignoring("-p")},
        {{"-b", "-", "-p"}, 0, as_string(empty_image), ignoring("-")},
        {{"-b", "--"}, 0, as_string(empty_image), ""},
        {{"-b", std::string(40, 'x') + "\x1b"}, 0, as_string(empty_image), ignoring(std::string(40, 'x') + "...")},
        {{"-b", "\x1b[2J\\"}, 0, as_string(empty_image), ignoring("\\x1b[2J\\")},
        {{"-H", "E"}, 0, "<arg> can be\n  - all\n    Alias for \"-E fc -E fd -E fe\"\n  - <workaround-tag>\n" "    where <workaround-tag> is a tag value >= 0xfc\n", ""},
        {{"-H", "h", "-b"}, 0, "No help message for opt -h\n", ""},
        {{"-H", "q", "-H", "b"}, 0, "No help message for opt -b\n", ""},
        // the last -H wins
        {{"-H", "ab"}, 1, "", "ERROR: -H argument too long: ab\n"},
        {{"-H", "q"}, 1, "", "ERROR: bad opt given for -H: q\n"},
        {{"-H", ""}, 1, "", "ERROR: bad opt given for -H: \n"},
        {{"-t", "01", "-d", "missing", "-H", "b"}, 2, "", "ERROR: stat(missing) failed: No such file or directory\n"},
        {{"-X"}, 1, "", "ERROR: -X specified without -N or -Hw\n"},
        {{"-X", "-H", "e"}, 1, "", "ERROR: -X specified without -N or -Hw\n"},
        {{"-X", "-v"}, 1, "", "ERROR: -X specified without -N or -Hw\n"},
    });
    // clang-format on
}

} // namespace
