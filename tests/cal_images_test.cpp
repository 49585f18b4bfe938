// The calibration register images at their length boundaries, which the
// reviewed listings do not show: empty, short and partial last words, and
// contents longer than the register file, read at most to its end.
#include "decoder_harness.h"
#include "dump/cal/mdm.h"
#include "dump/cal/rif.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

struct image_kind {
    imgforge::content_decoder decoder;
    size_t run_bytes; // the registers before the identification register
    std::string first;
    std::string id_line_start;
};

const image_kind kinds[] = {
    {imgforge::pretty_MDM_CAL_content, 220, "AGCMEAS = [", "CORE_ID = [core_id=(0x"},
    {imgforge::pretty_RIF_CAL_content, 180, "BIAS = [", "ID = [id=(0x"},
};

size_t lines(const std::string &s)
{
    return size_t(std::count(s.begin(), s.end(), '\n'));
}

// Content bytes 0, 1, 2, ... (mod 251, so words differ from register to
// register); the content is read in one call, at most its first 4096 bytes.
std::string decode(const image_kind &k, size_t len)
{
    bytes data(len);
    for (size_t i = 0; i < len; i++)
        data[i] = uint8_t(i % 251);
    harness::decoded d = harness::run_decoder(k.decoder, data);
    EXPECT_EQ(d.err, "");
    EXPECT_EQ(d.extent, std::min<size_t>(len, 4096)) << len;
    EXPECT_EQ(d.reads, len ? 1 : 0) << len;
    return d.out;
}

TEST(CalImages, LengthBoundaries)
{
    const std::string indent(14, ' ');
    for (const image_kind &k : kinds) {
        SCOPED_TRACE(k.first);
        EXPECT_EQ(decode(k, 0), "");
        for (size_t len = 1; len <= 4; len++) {
            std::string out = decode(k, len);
            EXPECT_EQ(lines(out), 1u);
            EXPECT_EQ(out.rfind(k.first, 0), 0u);
        }
        EXPECT_EQ(lines(decode(k, 5)), 2u);

        std::string run = decode(k, k.run_bytes);
        EXPECT_EQ(lines(run), k.run_bytes / 4);
        EXPECT_EQ(lines(decode(k, k.run_bytes - 3)), k.run_bytes / 4);
        EXPECT_EQ(lines(decode(k, k.run_bytes - 4)), k.run_bytes / 4 - 1);
        for (size_t len : {k.run_bytes + 1, size_t(4092)})
            EXPECT_EQ(decode(k, len), run) << len;

        // Bytes 0xFFC..0xFFF of the pattern: 4092 % 251 = 76, so 4c 4d 4e 4f;
        // 4093 bytes reach into the identification word, the rest reads as zero.
        std::string full = decode(k, 4096);
        EXPECT_EQ(full, run + indent + k.id_line_start + "4f4e4d4c)]\n");
        EXPECT_EQ(decode(k, 4093), run + indent + k.id_line_start + "0000004c)]\n");
        for (size_t len : {5000, 32767})
            EXPECT_EQ(decode(k, len), full) << len;
    }
    // Bytes missing from a short last word show as zero.
    EXPECT_EQ(harness::run_decoder(imgforge::pretty_RIF_CAL_content, {0xFF}).out,
              "BIAS = [rbias=(0x3f)]\n");
    EXPECT_EQ(harness::run_decoder(imgforge::pretty_MDM_CAL_content, {0xFF, 0xFF}).out,
              "AGCMEAS = [twomeg_det_min=(0x00), twomeg_rssi_offset=(0x01), det_min=(0x7f), "
              "rssi_offset=(0xff)]\n");
}

} // namespace
