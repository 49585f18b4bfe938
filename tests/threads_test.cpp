// The core as a library: two images decoded, checked and edited in two
// threads at once give what one thread gives (nothing of an image lives
// outside it), and a run leaves the process as it found it.
#include "imgforge.h"
#include "run.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

bytes sample()
{
    std::ifstream in(std::string(IMGFORGE_SOURCE_DIR) + "/examples/sample.bin", std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

// Everything one image gives: its document with the check, every record's
// decoded text, and its bytes after a round of edits.
std::string work(const bytes &file, bool otp)
{
    imgforge::image img;
    if (otp)
        imgforge::make_otp(img);
    imgforge::load_bytes(img, file, "image");
    std::string out = imgforge::json_document(img, true);
    for (const imgforge::record &r : imgforge::records(img))
        out += imgforge::decoded_text(img, r).value_or("-") + "\n";
    for (uint8_t tag = 0x40; tag < 0x48; tag++)
        imgforge::put(img, tag, bytes(tag, tag));
    imgforge::erase(img, 0x41);
    imgforge::lock(img, 0x42);
    bytes edited = imgforge::image_bytes(img, false);
    return out + std::string(edited.begin(), edited.end());
}

TEST(Threads, TwoImagesAtOnceGiveWhatOneThreadGives)
{
    bytes flash = sample();
    imgforge::image otp_start;
    imgforge::make_otp(otp_start);
    imgforge::put(otp_start, 0x01, bytes{1, 2, 3, 4, 5, 6});
    imgforge::blow_bits(otp_start, 0x10000001);
    bytes otp = imgforge::image_bytes(otp_start, true);

    const std::string alone[2] = {work(flash, false), work(otp, true)};
    std::string together[2][20];
    std::thread first([&] {
        for (std::string &out : together[0])
            out = work(flash, false);
    });
    std::thread second([&] {
        for (std::string &out : together[1])
            out = work(otp, true);
    });
    first.join();
    second.join();
    for (int i = 0; i < 2; i++)
        for (const std::string &out : together[i])
            EXPECT_EQ(out, alone[i]);
    EXPECT_NE(alone[0].find("\"format\": \"flash\""), std::string::npos);
    EXPECT_NE(alone[1].find("\"word\": 268435457"), std::string::npos);
}

} // namespace

namespace {

void mark(int) {}

// The whole tool as a call leaves the process as it found it: the handlers
// that remove temporary files on an interrupt are its own for the run only.
TEST(Run, LeavesTheSignalHandlersAsItFoundThem)
{
    for (int sig : {SIGINT, SIGTERM}) {
        auto before = std::signal(sig, mark);
        char name[] = "imgforge", version[] = "--version";
        char *argv[] = {name, version, nullptr};
        EXPECT_EQ(imgforge::run(2, argv), 0);
        EXPECT_EQ(std::signal(sig, before), &mark) << sig;
    }
}

} // namespace
