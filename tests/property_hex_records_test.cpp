// Laws of Intel HEX and S-record text: reading gives back what was written,
// and other tools agree with both.
#include "image/hex_records.h"
#include "property.h"
#include "random_image.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using imgforge::record_format;

namespace {

constexpr record_format ihex = record_format::intel_hex;
constexpr record_format srec = record_format::srecord;

using bytes = std::vector<uint8_t>;

std::string written(record_format f, const bytes &b, uint32_t base)
{
    std::string text;
    imgforge::write_hex_records(f, b.data(), b.size(), base, imgforge::text_sink(text));
    return text;
}

// The bytes of `text` read at `base`, fed in random pieces; their count is
// the extent.
bytes read(record_format f, const std::string &text, uint32_t base)
{
    bytes out(text.size() / 2);
    imgforge::hex_records_decoder d(f, base, out.data(), out.size());
    for (size_t i = 0; i < text.size();) {
        size_t piece = *rc::gen::inRange<size_t>(1, text.size() - i + 1);
        RC_ASSERT(d.feed(text.data() + i, piece));
        i += piece;
    }
    RC_ASSERT(d.finish());
    RC_ASSERT(d.extent() <= out.size());
    out.resize(size_t(d.extent()));
    return out;
}

TEST(HexRecordsProperty, ReadGivesBackWhatWasWritten)
{
    check_property(300, [] {
        record_format f = *rc::gen::element(ihex, srec);
        bytes b = *rc::gen::container<bytes>(rc::gen::arbitrary<uint8_t>());
        uint32_t base = random_image::base_address(b.size());
        std::string text = written(f, b, base);
        RC_ASSERT(imgforge::hex_records_format(text) == f);
        RC_ASSERT(read(f, text, base) == b);
    });
}

// A temporary folder with the files a tool reads and writes.
struct scratch {
    std::filesystem::path dir;
    scratch()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "hex_records_XXXXXX").string();
        dir = mkdtemp(tmpl.data()) ? tmpl : "";
    }
    ~scratch() { std::filesystem::remove_all(dir); }
    std::string operator/(const char *name) const { return (dir / name).string(); }
};

// At most 64 KiB, more than any case writes (a tool that is wrong may
// write gigabytes).
std::string file_text(const std::string &path)
{
    std::string text(size_t(1) << 16, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    return text;
}

// Runs a tool's command with {in}, {out} and {base} replaced; its standard
// error, or why it failed.
std::string run(std::string command, const scratch &s, uint32_t base)
{
    const std::pair<std::string, std::string> fields[] = {
        {"{in}", s / "in"}, {"{out}", s / "out"}, {"{base}", std::to_string(base)}};
    for (const auto &[field, value] : fields)
        for (size_t at; (at = command.find(field)) != std::string::npos;)
            command.replace(at, field.size(), value);
    command += " 2>" + s / "err";
    int status = std::system(command.c_str());
    return status ? command + ": status " + std::to_string(status) : file_text(s / "err");
}

struct tool_use {
    const char *probe; // succeeds when the tool is here
    record_format f;
    const char *command;
};

constexpr const char *srec_cat = "command -v srec_cat";
constexpr const char *objcopy = "command -v objcopy";
constexpr const char *intelhex = "/usr/bin/python3 -c 'import intelhex'";

// The uses whose tool is here; the others are named as skipped.
std::vector<tool_use> present(const std::vector<tool_use> &uses)
{
    std::vector<tool_use> here;
    for (const tool_use &u : uses) {
        if (std::system((std::string(u.probe) + " >/dev/null 2>&1").c_str()) == 0)
            here.push_back(u);
        else
            std::cout << "skipped, its tool is missing: " << u.command << "\n";
    }
    return here;
}

// Random bytes at a random base, through every tool that is here with the
// bytes or their text in {in}; what `check` says of {out}.
template <class Check> void through_tools(const std::vector<tool_use> &uses, Check check)
{
    std::vector<tool_use> here = present(uses);
    if (here.empty())
        GTEST_SKIP() << "none of the tools is here";
    scratch s;
    ASSERT_FALSE(s.dir.empty());
    check_property(20, [&] {
        bytes b = *rc::gen::nonEmpty(rc::gen::container<bytes>(rc::gen::arbitrary<uint8_t>()));
        uint32_t base = random_image::base_address(b.size());
        for (const tool_use &use : here)
            check(use, b, base, s);
    });
}

TEST(HexRecordsProperty, ToolsReadTheTextWritten)
{
    const char *python = "/usr/bin/python3 -c 'import sys, intelhex\n"
                         "h = intelhex.IntelHex(sys.argv[1]); b = int(sys.argv[3])\n"
                         "assert h.minaddr() == b, h.minaddr()\n"
                         "open(sys.argv[2], \"wb\").write(h.tobinstr(start=b))' {in} {out} {base}";
    through_tools({{srec_cat, ihex, "srec_cat {in} -Intel -offset -{base} -o {out} -Binary"},
                   {srec_cat, srec, "srec_cat {in} -Motorola -offset -{base} -o {out} -Binary"},
                   {objcopy, ihex, "objcopy -I ihex -O binary {in} {out}"},
                   {objcopy, srec, "objcopy -I srec -O binary {in} {out}"},
                   {intelhex, ihex, python}},
                  [](const tool_use &use, const bytes &b, uint32_t base, const scratch &s) {
                      std::ofstream(s / "in", std::ios::binary) << written(use.f, b, base);
                      RC_ASSERT(run(use.command, s, base) == "");
                      std::string out = file_text(s / "out");
                      RC_ASSERT(bytes(out.begin(), out.end()) == b);
                  });
}

TEST(HexRecordsProperty, TextOfToolsReads)
{
    const char *python = "/usr/bin/python3 -c 'import sys, intelhex\n"
                         "h = intelhex.IntelHex()\n"
                         "h.frombytes(open(sys.argv[1], \"rb\").read(), offset=int(sys.argv[3]))\n"
                         "h.write_hex_file(sys.argv[2])' {in} {out} {base}";
    through_tools(
        {{srec_cat, ihex, "srec_cat {in} -Binary -offset {base} -o {out} -Intel"},
         {srec_cat, srec, "srec_cat {in} -Binary -offset {base} -o {out} -Motorola"},
         {objcopy, ihex, "objcopy -I binary -O ihex --change-addresses {base} {in} {out}"},
         {objcopy, srec, "objcopy -I binary -O srec --change-addresses {base} {in} {out}"},
         {intelhex, ihex, python}},
        [](const tool_use &use, const bytes &b, uint32_t base, const scratch &s) {
            std::ofstream(s / "in", std::ios::binary) << std::string(b.begin(), b.end());
            RC_ASSERT(run(use.command, s, base) == "");
            std::string text = file_text(s / "out");
            RC_ASSERT(imgforge::hex_records_format(text) == use.f);
            RC_ASSERT(read(use.f, text, base) == b);
        });
}

} // namespace
