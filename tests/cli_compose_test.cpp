// Images from a JSON manifest, and one image per row of a CSV table.
#include "cli_harness.h"

#include <algorithm>

using namespace cli;
namespace fs = std::filesystem;

namespace {

const std::string source_dir = IMGFORGE_SOURCE_DIR;

class Manifest : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        fs::create_directory(path("sub"));
        write("sub/addr.bin", bytes{1, 2, 3, 4, 5, 6});
    }
    // The manifest holding these records, as JSON text.
    void manifest(const std::string &name, const std::string &records)
    {
        write(name, "{\"records\": [" + records + "]}");
    }
};

TEST_F(Manifest, EveryKindOfContent)
{
    manifest("sub/m.json",
             R"({"tag": "BD_ADDRESS", "bd_address": "F6:E5:D4:C3:B2:A1", "locked": true},
        {"tag": "0x02", "text": "caf\u00e9, \"quoted\""},
        {"tag": 10, "u32": 3200},
        {"tag": "11", "u8": "0x2"},
        {"tag": "0d", "u16": 625, "name": "ignored", "offset": 1, "value": 7},
        {"tag": "fc", "data": "01 20:00 00 34 12 00 00"},
        {"tag": "FC", "data": "0120000034120000", "locked": false},
        {"tag": "3f", "file": "addr.bin"},
        {"tag": "1c", "data": ""})");
    result r = run({"--manifest", "sub/m.json", "-p"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, golden("manifest_contents.txt"));
    // The address record is locked, the others are not.
    EXPECT_EQ(run({"--manifest", "sub/m.json", "-e", "01"}).status, 3);
    EXPECT_EQ(run({"--manifest", "sub/m.json", "-e", "02", "-b"}).status, 0);
    // The engine's refusals name the record.
    manifest("m.json", R"({"tag": 8, "data": "01"}, {"tag": 9, "u32": 1, "locked": true})");
    write("locked", image({{0x09, {1, 0, 0, 0}, 0x04}}));
    // clang-format off
    expect_cases({
        {{"-f", "16", "--manifest", "m.json"}, 3, "", "ERROR: failed to put tag 09 from 'm.json' record 1: NO_SPACE_AVAILABLE\n"},
        {{"-r", "locked", "--manifest", "m.json"}, 3, "", "ERROR: failed to put tag 09 from 'm.json' record 1: PARAM_LOCKED\n"},
    });
    // clang-format on
}

TEST_F(Manifest, ErrorsNameTheFileAndTheRecord)
{
    write("bad.json", "{\"records\": [\n  {\"tag\": 1, \"data\": \"01\"\n]}");
    write("list.json", "[]");
    write("norecords.json", "{\"record\": []}");
    write("big", bytes(40000, 1));
    auto error = [](const std::string &file, const std::string &text) {
        return "ERROR: '" + file + "'" + text + "\n";
    };
    struct row {
        std::string records;
        std::string text;
    };
    // clang-format off
    const std::vector<row> rows = {
        {R"("x")", " record 0: not a JSON object"},
        {R"({"tag": 1, "dta": "01"})", " record 0: unknown key 'dta'"},
        {R"({"data": "01"})", " record 0: no \"tag\""},
        {R"({"tag": "BD_ADDR", "data": "01"})", " record 0: unknown tag name 'BD_ADDR'"},
        {R"({"tag": 255, "data": "01"})", " record 0: tag 255 is not 1 to 254"},
        {R"({"tag": 0, "data": "01"})", " record 0: tag 0 is not 1 to 254"},
        {R"({"tag": -3, "data": "01"})", " record 0: tag -3: a whole number from 1 to 254, a hex string or a tag name is expected"},
        {R"({"tag": 1.0, "data": "01"})", " record 0: tag 1.0: a whole number from 1 to 254, a hex string or a tag name is expected"},
        {R"({"tag": 1e2, "data": "01"})", " record 0: tag 100.0: a whole number from 1 to 254, a hex string or a tag name is expected"},
        {R"({"tag": 18446744073709551615, "data": "01"})", " record 0: tag 18446744073709551615 is not 1 to 254"},
        {R"({"tag": 18446744073709551616, "data": "01"})", " record 0: tag 1.8446744073709552e+19: a whole number from 1 to 254, a hex string or a tag name is expected"},
        {R"({"tag": "ff", "data": "01"})", " record 0: tag ff is not 01 to fe"},
        {R"({"tag": true, "data": "01"})", " record 0: \"tag\" must be a number, a hex string or a tag name"},
        {R"({"tag": 1})", " record 0: no content: one of \"data\", \"text\", \"file\", \"u8\", " "\"u16\", \"u32\" or \"bd_address\""},
        {R"({"tag": 7, "data": "01", "text": "a"})", " record 0: more than one content: \"data\" and \"text\""},
        {R"({"tag": 8, "data": "0g"})", " record 0: bad hex data '0g': byte pairs of hex digits " "are expected, separated by nothing, spaces or colons"},
        {R"({"tag": 8, "data": " 01"})", " record 0: bad hex data ' 01': byte pairs of hex " "digits are expected, separated by nothing, spaces or " "colons"},
        {R"({"tag": 8, "data": "01 "})", " record 0: bad hex data '01 ': byte pairs of hex " "digits are expected, separated by nothing, spaces or " "colons"},
        {R"({"tag": 1, "bd_address": "F6:E5:D4:C3:B2"})", " record 0: bad bd_address 'F6:E5:D4:C3:B2': six hex byte pairs joined by ':' are " "expected"},
        {R"({"tag": 17, "u8": 256})", " record 0: 256 does not fit in u8"},
        {R"({"tag": 7, "u16": "0x10000"})", " record 0: 0x10000 does not fit in u16"},
        {R"({"tag": 16, "u32": -1})", " record 0: \"u32\" -1: a whole number from 0 to 4294967295 or a string is expected"},
        {R"({"tag": 16, "u32": 4294967295.5})", " record 0: \"u32\" 4294967295.5: a whole number from 0 to 4294967295 or a string is expected"},
        {R"({"tag": 16, "u32": 4294967296})", " record 0: 4294967296 does not fit in u32"},
        {R"({"tag": 16, "u32": null})", " record 0: \"u32\" must be a number or a string"},
        {R"({"tag": 17, "u8": 255}, {"tag": 17, "u8": -0})", " record 1: \"u8\" 0: a whole number from 0 to 255 or a string is expected"},
        {R"({"tag": 16, "u32": "12a"})", " record 0: bad number '12a': decimal digits or 0x and hex digits are expected"},
        {R"({"tag": 2, "text": 5})", " record 0: \"text\" must be a string"},
        {R"({"tag": 8, "file": "none.bin"})", " record 0: cannot read 'none.bin': No such file or directory"},
        {R"({"tag": 8, "file": "big"})", " record 0: more than 32767 bytes, the most a record holds"},
        {R"({"tag": 1, "data": "0102"})", " record 0: 2 bytes, but BD_ADDRESS holds 6 bytes"},
        {R"({"tag": 2, "text": "a", "locked": 1})", " record 0: \"locked\" must be true or false"},
        {R"({"tag": 8, "data": "01"}, {"tag": 2})", " record 1: no content: one of \"data\", " "\"text\", \"file\", \"u8\", \"u16\", \"u32\" or \"bd_address\""},
    };
    // clang-format on
    for (const row &r : rows) {
        manifest("m.json", r.records);
        // A manifest with an error changes nothing: the run ends before any output.
        expect_cases({{{"-t", "05", "-d", "sub/addr.bin", "--manifest", "m.json", "-b"},
                       2,
                       "",
                       error("m.json", r.text)}});
    }
    // Whole-document errors name the place.
    const std::string long_key(41, 'k');
    const std::vector<std::pair<std::string, std::string>> documents = {
        {"{\"records\":[{\"tag\":1e400,\"data\":\"00\"}]}", ": invalid JSON at line 1, column 24"},
        {"{\"records\":[{\"tag\":1,\n\"u8\":-8E590}]}", ": invalid JSON at line 2, column 11"},
        // The error is the last byte of its line.
        {"{\n\"records\": ]\n}", ": invalid JSON at line 2, column 12"},
        {"{\"records\":[{\"tag\":\"0b\",\"tag\":\"0c\",\"data\":\"\"}]}",
         ": duplicate key 'tag' at line 1, column 25"},
        {"{\"records\":[],\r\n \"records\":[]}", ": duplicate key 'records' at line 2, column 2"},
        {"{\"records\":[{\"a\\\"\":1,\"a\\\"\":2}]}", ": duplicate key 'a\"' at line 1, column 22"},
        {"{\"records\":[{\"" + long_key + "\":1,\"" + long_key + "\":2}]}",
         ": duplicate key '" + long_key.substr(0, 40) + "...' at line 1, column 60"},
        {"{\"records\":[{\"tag\":1,\"data\":\"\\u0000\"}]}\n\n" + std::string(1, '\0'),
         ": a NUL byte at line 3, column 1"},
        {"{\"records\":[{\"tag\":1,\"data\":\"\\u0000\"}]}",
         " record 0: bad hex data '\\x00': byte pairs of hex digits are expected, separated by "
         "nothing, spaces or colons"},
        {"{\"records\":[{\"tag\":1,\"x\\u0001\\\\\":1}]}", " record 0: unknown key 'x\\x01\\'"},
    };
    for (const auto &[text, message] : documents) {
        write("doc.json", text);
        expect_cases({{{"--manifest", "doc.json", "-b"}, 2, "", error("doc.json", message)}});
    }
    write("zero.json", R"({"records":[{"tag":"3f","text":"a\u0000b"}]})");
    // clang-format off
    expect_cases({
        // A NUL inside a string is a record byte.
        {{"--manifest", "zero.json", "-v"}, 0, "@0007 3f  61 00 62\n", ""},
        {{"--manifest", "/dev/zero"}, 2, "", "ERROR: way too much data from '/dev/zero'\n", {}, {}, "/dev/zero"},
        {{"--manifest", "none.json"}, 2, "", error("none.json", ": cannot read it: No such file or directory")},
        {{"--manifest", "sub"}, 2, "", error("sub", ": cannot read it: Is a directory"), {}, {}, "a folder cannot be opened as a file"},
        {{"--manifest", "bad.json"}, 2, "", error("bad.json", ": invalid JSON at line 3, column 1")},
        {{"--manifest", "list.json"}, 2, "", error("list.json", ": a JSON object with a \"records\" array is expected")},
        {{"--manifest", "norecords.json"}, 2, "", error("norecords.json", ": a JSON object with a \"records\" array is expected")},
        {{"--manifest"}, 1, "", "imgforge: option '--manifest' requires an argument\n" + golden("usage.txt")},
    });
    // clang-format on
}

class Batch : public Sandbox {
  protected:
    void SetUp() override
    {
        Sandbox::SetUp();
        fs::create_directory(path("out"));
        write("cal.bin", bytes{0x48, 0x01, 0, 0});
    }
};

TEST_F(Batch, EveryTypeAndQuotedCells)
{
    write("devices.csv",
          "\xEF\xBB\xBF# three devices\r\n"
          "id,BD_ADDRESS:bd_address,DEVICE_NAME:text,0a:u32,UART_BAUDRATE:u32,11:u8,0d:u16,fc,"
          "bb:file,08:hex\r\n"
          "dev-1,F6:E5:D4:C3:B2:01,\"Sensor, hall \"\"A\"\"\",3200,0x1c200,2,625,"
          "01200000:34120000,cal.bin,01 02\r\n"
          "dev-2,F6:E5:D4:C3:B2:02,\"two\nlines\",,,,,,,\r\n");
    write("a", bytes{0xAA});
    result r = run({"-t", "05", "-d", "a", "--batch", "devices.csv", "-O", "out", "-v"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "wrote 2 images to 'out'\n");
    EXPECT_EQ(names_in("out"), (std::vector<std::string>{"dev-1.bin", "dev-2.bin"}));
    EXPECT_EQ(run({"-r", "out/dev-1.bin", "-p"}).out + run({"-r", "out/dev-2.bin", "-p"}).out,
              golden("batch_devices.txt"));
    // -F and -i shape each image as -b would.
    write("one.csv", "id,01:bd_address\nx,11:22:33:44:55:66\n");
    EXPECT_EQ(run({"-f", "64", "--batch", "one.csv", "-F"}).status, 0);
    EXPECT_EQ(read("x.bin").size(), 64u);
    EXPECT_EQ(run({"-i", "--batch", "one.csv", "-O", ""}).status, 0);
    EXPECT_EQ(read("x.bin").size(), 4096u);
    EXPECT_EQ(run({"-i", "-r", "x.bin", "-v"}).out, "@0007 01  66 55 44 33 22 11\n");
}

TEST_F(Batch, ErrorsWriteNothing)
{
    auto error = [](const std::string &text) { return "ERROR: 'd.csv'" + text + "\n"; };
    struct row {
        std::string table;
        std::string text;
    };
    const std::string header = "id,01:bd_address,DEVICE_NAME:text\n";
    // clang-format off
    const std::vector<row> rows = {
        {"", " header: the table is empty"},
        {"name,01\n", " header: the first column must be 'id'"},
        {"id,BD_ADDR\n", " header, column 'BD_ADDR': unknown tag name 'BD_ADDR'"},
        {"id,01:float\n", " header, column '01:float': unknown type 'float'"},
        {"id,\"x\n", ": line 1: a quoted cell that does not end"},
        {header + "a,11:22:33:44:55:66,x\nb,11:22:33:44:55:66\n", " row 2: 2 cells, the header has 3"},
        {header + "a,11:22:33:44:55:66,x\n,11:22:33:44:55:66,y\n", " row 2, column 'id': the id is empty"},
        {header + "a,,\nb,,\na,,\n", " row 3, column 'id': the id 'a' is the id of row 1 too"},
        {header + "..,,\n", " row 1, column 'id': '..' is not an id"},
        {header + ".,,\n", " row 1, column 'id': '.' is not an id"},
        {header + "A,,\nb,,\na,,\n", " row 3, column 'id': the id 'a' is the id of row 1 too, ignoring letter case"},
        {header + std::string(201, 'i') + ",,\n", " row 1, column 'id': the id '" + std::string(40, 'i') + "...' is longer than 200 bytes"},
        {header + "a\tb,,\n", " row 1, column 'id': the id 'a\\x09b' holds a control byte"},
        {header + "a\x7f,,\n", " row 1, column 'id': the id 'a\\x7f' holds a control byte"},
        {header + "a:b,,\n", " row 1, column 'id': the id 'a:b' holds ':', which a file name cannot hold"},
        {header + "\"a\"\"\",,\n", " row 1, column 'id': the id 'a\"' holds '\"', which a file name cannot hold"},
        {header + "a|,,\n", " row 1, column 'id': the id 'a|' holds '|', which a file name cannot hold"},
        {header + "a.,,\n", " row 1, column 'id': the id 'a.' ends in a dot"},
        {header + "a ,,\n", " row 1, column 'id': the id 'a ' ends in a space"},
        {header + "con,,\n", " row 1, column 'id': the id 'con' is a device name on Windows"},
        {header + "Lpt9.tar.gz,,\n", " row 1, column 'id': the id 'Lpt9.tar.gz' is a device name on Windows"},
        {header + "NUL.,,\n", " row 1, column 'id': the id 'NUL.' ends in a dot"},
        {header + "a,," + std::string(1, '\0') + "\n", ": line 2: a NUL byte"},
        {"id,DEVICE_NAME,02:text\n", " header, column '02:text': tag 02 is the tag of column 'DEVICE_NAME' too"},
        {"id," + std::string(41, 'c') + "\n", " header, column '" + std::string(40, 'c') + "...': unknown tag name '" + std::string(40, 'c') + "...'"},
        {"id,08:hex\na,\"0\n1\"\n", " row 1, column '08:hex': bad hex data '0\\x0a1': byte pairs of hex digits are expected, separated by nothing, spaces or colons"},
        {header + "a/b,,\n", " row 1, column 'id': the id 'a/b' holds a path separator"},
        {header + "a\\b,,\n", " row 1, column 'id': the id 'a\\b' holds a path separator"},
        {header + "a,," + std::string(249, 'n') + "\n", " row 1, column 'DEVICE_NAME:text': 249 bytes, but DEVICE_NAME holds at most 248 bytes"},
    };
    // clang-format on
    for (const row &r : rows) {
        write("d.csv", r.table);
        expect_cases({{{"--batch", "d.csv", "-O", "out"}, 2, "", error(r.text)}});
        EXPECT_TRUE(names_in("out").empty()) << r.table;
    }
    // clang-format off
    expect_cases({
        {{"--batch", "none.csv"}, 2, "", "ERROR: 'none.csv': cannot read it: No such file or directory\n"},
        {{"--batch", "/dev/zero"}, 2, "", "ERROR: way too much data from '/dev/zero'\n", {}, {}, "/dev/zero"},
    });
    // clang-format on
    // Names that are files on every system, and columns of the register-write
    // tags, which may hold several records.
    write("d.csv", "id,fc,fc\nlpt0," + std::string(16, '0') + ",\ncom10.bin,,\n" +
                       std::string(200, 'i') + ",,\n");
    expect_cases({{{"--batch", "d.csv", "-O", "out"}, 0, "", "wrote 3 images to 'out'\n"}});
    EXPECT_EQ(names_in("out"), (std::vector<std::string>{
                                   "com10.bin.bin", std::string(200, 'i') + ".bin", "lpt0.bin"}));
}

TEST_F(Batch, OutputsAreCheckedBeforeTheFirstImage)
{
    write("d.csv", "id,08:hex\na,01\nb,02\n");
    write("file", bytes{1});
    fs::create_directory(path("out/b.bin"));
    const std::string not_dir = "Not a directory";
    // clang-format off
    expect_cases({
        {{"--batch", "d.csv", "-O", "file"}, 2, "", "ERROR: cannot create the folder 'file': " + not_dir + "\n"},
        {{"--batch", "d.csv", "-O", "file/sub"}, 2, "", "ERROR: cannot create the folder 'file/sub': " + not_dir + "\n"},
        {{"--batch", "d.csv", "-O", "out"}, 2, "", "ERROR: cannot write 'out" + std::string(1, tool_separator()) + "b.bin': Is a directory\n"},
    });
    // clang-format on
    EXPECT_EQ(names_in("out"), (std::vector<std::string>{"b.bin"}));
    // A missing folder is made, with its parents.
    expect_cases(
        {{{"--batch", "d.csv", "-O", "new/deep"}, 0, "", "wrote 2 images to 'new/deep'\n"}});
    EXPECT_EQ(names_in("new/deep"), (std::vector<std::string>{"a.bin", "b.bin"}));
}

TEST_F(Batch, RefusalsAndInputs)
{
    // The engine refuses the third row: the first two images stay.
    write("d.csv", "id,08:hex\na,01\nb,0102\nc," + std::string(200, 'f') + "\n");
    result r = run({"-f", "64", "--batch", "d.csv", "-O", "out"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "ERROR: 'd.csv' row 3, column '08:hex': failed to put tag 08: "
                     "NO_SPACE_AVAILABLE\n");
    EXPECT_EQ(names_in("out"), (std::vector<std::string>{"a.bin", "b.bin"}));
    // An image never replaces a file the run read.
    write("in.csv", "id,08:hex\nd,01\ncal,02\n");
    write("d.bin", image({}));
    expect_cases({{{"-r", "d.bin", "--batch", "in.csv"},
                   2,
                   "",
                   "ERROR: refusing to overwrite input file '." + std::string(1, tool_separator()) +
                       "d.bin'\n"}});
    EXPECT_FALSE(exists("cal.bin.bin"));
    EXPECT_EQ(read("d.bin"), image({}));
}

} // namespace
