// One record of a fuzzed tag, content and length through the decoded dump.
#include "dump/dispatch.h"
#include "fatal.h"
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
    if (nvds_init(region.data(), uint32_t(region.size())) != NVDS_OK ||
        nvds_put(tag, uint16_t(len), data + 1) != NVDS_OK)
        std::abort();
    // USER_APP content goes to a file when the tag asks for one.
    static const std::string app = fuzz::scratch_dir() + "/user_app.bin";
    try {
        imgforge::pretty_dump(len % 2 ? app.c_str() : nullptr);
    } catch (const imgforge::fatal &f) {
        if (f.status != imgforge::EXIT_ASSERT)
            std::abort();
    }
    return 0;
}
