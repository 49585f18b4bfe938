// One record of a fuzzed tag, content and length through the decoded dump.
#include "common/sink.h"
#include "dump/dispatch.h"
#include "error.h"
#include "fuzz_common.h"
#include "nvds.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    return 0;
}

// Input: the tag, then the record content (at most a record's length).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size - 1 > NVDS_MAX_LENGTH)
        return 0;
    uint8_t tag = data[0];
    if (tag == NVDS_END_TAG)
        return 0;
    size_t len = size - 1;
    std::vector<uint8_t> region(4 + 4 + len + 4, 0xFF);
    std::memcpy(region.data(), nvds_magic_number, 4);
    nvds_region r{};
    if (nvds_open(&r, region.data(), uint32_t(region.size()), nullptr, nullptr) != NVDS_OK ||
        nvds_put(&r, tag, uint16_t(len), data + 1) != NVDS_OK)
        std::abort();
    // USER_APP content goes to a file when the tag asks for one; the listing
    // to standard output, and to a string as --json takes it.
    static const std::string app = fuzz::scratch_dir() + "/user_app.bin";
    imgforge::text_sink err(stderr);
    imgforge::text_sink out(stdout, &err);
    imgforge::output_env env;
    try {
        imgforge::pretty_dump(r, len % 2 ? app.c_str() : nullptr, out, env);
    } catch (const imgforge::error &e) {
        if (e.status != imgforge::EXIT_ASSERT)
            std::abort();
    }
    std::string text;
    imgforge::print_content(r, tag, len < 128 ? 7 : 8, uint16_t(len), imgforge::text_sink(text));
    return 0;
}
