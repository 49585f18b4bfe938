// Reviewed listings of calibration register images and of register writes in
// every block.
#include "cli_harness.h"

#include <string>
#include <vector>

using namespace cli;

namespace {

class Listing : public Sandbox {
  protected:
    // The image's decoded listing is the reviewed one in tests/golden/.
    void expect_listing(const bytes &img, const std::string &name)
    {
        write("img", img);
        expect_cases({{{"-r", "img", "-p"}, 0, golden(name), ""}});
    }
};

// Word i is a multiplicative hash of i, so every field differs from its
// neighbours; with the complement beside it, a field boundary moved by one
// bit changes a value in one of the two, whatever the bits.
bytes register_image(uint32_t seed, uint32_t flip)
{
    std::vector<uint32_t> w(1024);
    for (uint32_t i = 0; i < w.size(); i++)
        w[i] = (i * 0x9E3779B1u + seed) ^ flip;
    return words(w);
}

TEST_F(Listing, CalibrationRegisterImages)
{
    expect_listing(image({{0xB1, register_image(0x2545F491, 0)},
                          {0xB1, register_image(0x2545F491, ~0u)},
                          {0xB0, register_image(0x6A09E667, 0)},
                          {0xB0, register_image(0x6A09E667, ~0u)}}),
                   "register_images.txt");
}

// Each block's base and the offset of its family's last named register below
// the identification register, in the order of the block table.
struct block_row {
    uint32_t base;
    uint32_t last;
};
constexpr block_row block_rows[] = {
    {0x40007000, 0x01C}, {0x40006000, 0x01C}, {0x70000000, 0x024}, {0x4000A000, 0xFF8},
    {0x50006000, 0x0D8}, {0x40003000, 0xFF8}, {0x50009000, 0x028}, {0x4000C000, 0x038},
    {0x5000B000, 0x018}, {0x50008000, 0x114}, {0x4000E000, 0x034}, {0x5000F000, 0x01C},
    {0x5000E000, 0x170}, {0x5000D000, 0x13C}, {0x40009000, 0x044}, {0x50004000, 0x0B0},
    {0x50002000, 0x04C}, {0x50003000, 0x03C}, {0x50000000, 0x024}, {0x4000F000, 0x038},
    {0x5000A000, 0x01C}, {0x5000C000, 0x010},
};

TEST_F(Listing, RegisterWrites)
{
    bytes img{'N', 'V', 'D', 'S'};
    auto put = [&img](uint8_t tag, const bytes &data) { append_record(img, tag, 0x06, data); };
    // The first and the last named register, the word after it, the
    // identification register and the first word past the window.
    uint32_t data = 0;
    for (const block_row &b : block_rows)
        for (uint32_t offset : {0u, b.last, b.last + 4, 0xFFCu, 0x1000u})
            put(0xFD, words({b.base + offset, ++data}));
    // Names are looked up unmasked; addresses outside every block show as numbers.
    for (uint32_t address : {0x40003FF0u, 0x40007002u, 0x20001000u, 0u, 0xFFFFFFFFu})
        put(0xFD, words({address, ++data}));
    put(0xFD, words({0x50002004, 0})); // zero shows without "0x"
    put(0xFE, words({0x50008000, 0x10, 0xFF}));
    put(0xFE, words({0x5000D13C, 0, 0}));
    put(0xFE, words({0x4000B000, 0xFFFFFFFF, 0x80000001}));
    // Power-management writes show the fields their length reaches.
    const bytes pmu{1, 0x20, 9, 9, 0x34, 0x12, 0x56, 0x78, 0xEE};
    for (size_t n : {8, 0, 1, 2, 4, 5, 6, 9})
        put(0xFC, bytes(pmu.begin(), pmu.begin() + long(n)));
    img.insert(img.end(), 4, 0xFF);
    expect_listing(img, "register_writes.txt");
}

} // namespace
