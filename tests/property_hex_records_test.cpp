// Laws of Intel HEX and S-record text: other tools read what is written, and
// what they write reads back. Write then read is a law of the whole tool
// (property_compose_test.cpp).
#include "cli_harness.h"
#include "image/hex_records.h"
#include "property.h"
#include "random_image.h"

#include <iostream>

using imgforge::record_format;
using namespace cli;

namespace {

constexpr record_format ihex = record_format::intel_hex;
constexpr record_format srec = record_format::srecord;

// One command of another tool, with {in}, {out} and {base} to fill in.
struct tool_use {
    const char *probe; // succeeds when the tool is here
    record_format f;
    const char *command;
};

constexpr const char *srec_cat = "command -v srec_cat";
constexpr const char *objcopy = "command -v objcopy";
constexpr const char *intelhex = "/usr/bin/python3 -c 'import intelhex'";

class HexRecordsProperty : public Sandbox {
  protected:
    // Random bytes at a random base through every tool that is here: {in}
    // holds what `input` makes of them, `check` is given what the tool wrote.
    template <class Input, class Check>
    void through_tools(const std::vector<tool_use> &uses, Input input, Check check)
    {
        std::vector<tool_use> here;
        for (const tool_use &u : uses)
            if (std::system((std::string(u.probe) + " >/dev/null 2>&1").c_str()) == 0)
                here.push_back(u);
            else
                std::cout << "skipped, its tool is missing: " << u.command << "\n";
        if (here.empty())
            GTEST_SKIP() << "none of the tools is here";
        check_property(20, [&] {
            bytes b = *rc::gen::nonEmpty(rc::gen::container<bytes>(rc::gen::arbitrary<uint8_t>()));
            uint32_t base = random_image::base_address(b.size());
            for (const tool_use &use : here) {
                write("in", input(use, b, base));
                std::string command = use.command;
                const std::pair<std::string, std::string> fields[] = {
                    {"{in}", path("in")}, {"{out}", path("out")}, {"{base}", std::to_string(base)}};
                for (const auto &[field, value] : fields)
                    for (size_t at; (at = command.find(field)) != std::string::npos;)
                        command.replace(at, field.size(), value);
                RC_LOG() << command;
                RC_ASSERT(std::system((command + " 2>" + path("err")).c_str()) == 0);
                RC_ASSERT(read("err").empty());
                check(use, b, base, as_string(read("out")));
            }
        });
    }
};

std::string written(record_format f, const bytes &b, uint32_t base)
{
    std::string text;
    imgforge::write_hex_records(f, b.data(), b.size(), base, imgforge::text_sink(text));
    return text;
}

TEST_F(HexRecordsProperty, ToolsReadTheTextWritten)
{
    const char *python = "/usr/bin/python3 -c 'import sys, intelhex\n"
                         "h = intelhex.IntelHex(sys.argv[1]); b = int(sys.argv[3])\n"
                         "assert h.minaddr() == b, h.minaddr()\n"
                         "open(sys.argv[2], \"wb\").write(h.tobinstr(start=b))' {in} {out} {base}";
    through_tools(
        {{srec_cat, ihex, "srec_cat {in} -Intel -offset -{base} -o {out} -Binary"},
         {srec_cat, srec, "srec_cat {in} -Motorola -offset -{base} -o {out} -Binary"},
         {objcopy, ihex, "objcopy -I ihex -O binary {in} {out}"},
         {objcopy, srec, "objcopy -I srec -O binary {in} {out}"},
         {intelhex, ihex, python}},
        [](const tool_use &use, const bytes &b, uint32_t base) { return written(use.f, b, base); },
        [](const tool_use &, const bytes &b, uint32_t, const std::string &out) {
            RC_ASSERT(as_bytes(out) == b);
        });
}

TEST_F(HexRecordsProperty, TextOfToolsReads)
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
        [](const tool_use &, const bytes &b, uint32_t) { return b; },
        [](const tool_use &use, const bytes &b, uint32_t base, const std::string &text) {
            // Fed in random pieces; the count of bytes read is the extent.
            RC_ASSERT(imgforge::hex_records_format(text) == use.f);
            bytes out(text.size() / 2);
            imgforge::hex_records_decoder d(use.f, base, out.data(), out.size());
            for (size_t i = 0; i < text.size();) {
                size_t piece = *rc::gen::inRange<size_t>(1, text.size() - i + 1);
                RC_ASSERT(d.feed(text.data() + i, piece));
                i += piece;
            }
            RC_ASSERT(d.finish());
            RC_ASSERT(d.extent() == b.size());
            out.resize(b.size());
            RC_ASSERT(out == b);
        });
}

} // namespace
