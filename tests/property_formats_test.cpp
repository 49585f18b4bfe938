// Laws of the file formats of flash programmers, through the tool.
#include "cli_harness.h"
#include "property.h"
#include "random_image.h"

using namespace cli;

namespace {

class FormatsRoundTrip : public Sandbox {};

// A base for n bytes: anywhere, just below a 64 KiB boundary, or at the top
// of the 4 GiB.
uint32_t random_base(size_t n)
{
    uint64_t top = (uint64_t(1) << 32) - n;
    uint64_t back = *rc::gen::inRange<uint64_t>(0, 48);
    uint64_t boundary = uint64_t(*rc::gen::arbitrary<uint16_t>()) << 16;
    const uint64_t picks[] = {*rc::gen::inRange<uint64_t>(0, top + 1),
                              boundary - std::min(back, boundary), top - std::min(back, top)};
    return uint32_t(std::min(picks[*rc::gen::inRange(0, 3)], top));
}

// An image written by --ihex or --srec at a base and read by -r at the same
// base gives the bytes -b writes.
TEST_F(FormatsRoundTrip, RecordsThenReadGiveTheImageBack)
{
    check_property(25, [&] {
        random_image::made m = random_image::generate(*rc::gen::arbitrary<bool>());
        write("x.bin", m.file);
        std::vector<std::string> shape = {"-f", std::to_string(m.size)};
        if (m.otp)
            shape = {"-i"};
        const std::string base = std::to_string(random_base(m.file.size()));
        const char *format = *rc::gen::element("--ihex", "--srec");
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.begin(), shape.begin(), shape.end());
            args.insert(args.end(), {"--base", base});
            if (m.full)
                args.push_back("-F");
            return run(args);
        };
        result text = with({"-r", "x.bin", format});
        RC_LOG() << format << " --base " << base << "\n" << text.err;
        RC_ASSERT(text.status == 0);
        write("x.txt", text.out);
        result back = with({"-r", "x.txt", "-b"});
        RC_LOG() << back.err;
        RC_ASSERT(back.status == 0);
        RC_ASSERT(back.out == with({"-r", "x.bin", "-b"}).out);
    });
}

} // namespace
