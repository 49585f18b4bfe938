#include "image/output.h"

#include "common/engine.h"
#include "common/files.h"
#include "common/format.h"
#include "common/platform.h"
#include "error.h"
#include "nvds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace imgforge {

namespace {

uint32_t get_buf_used_cb(nvds_region *, uint8_t, uint32_t addr, uint16_t len, void *arg)
{
    *static_cast<uint32_t *>(arg) = addr + len;
    return 0;
}

} // namespace

bool write_medium(const image &img, FILE *out, uint64_t length, bool text)
{
    static constexpr char hex[] = "0123456789abcdef";
    constexpr uint64_t CHUNK = 4096;
    uint8_t bytes[CHUNK];
    char lines[3 * CHUNK];
    for (uint64_t at = 0; at < length; at += CHUNK) {
        size_t n = size_t(std::min(CHUNK, length - at));
        const uint8_t *chunk = img.buf.data() + at;
        if (img.otp) {
            for (size_t i = 0; i < n; i++)
                bytes[i] = uint8_t(~chunk[i]);
            chunk = bytes;
        }
        if (!text) {
            if (std::fwrite(chunk, 1, n, out) != n)
                return false;
            continue;
        }
        for (size_t i = 0; i < n; i++) {
            lines[3 * i] = hex[chunk[i] >> 4];
            lines[3 * i + 1] = hex[chunk[i] & 0xF];
            lines[3 * i + 2] = '\n';
        }
        if (std::fwrite(lines, 1, 3 * n, out) != 3 * n)
            return false;
    }
    return true;
}

uint64_t image_output_length(image &img, bool full)
{
    if (full || img.otp)
        return img.size;
    rebind(img);
    uint32_t used = NVDS_FIRST_RECORD;
    walk_records(img.region, get_buf_used_cb, &used);
    return uint64_t(used) + 4;
}

void write_image_file(const image &img, const char *path, uint64_t length, bool sync)
{
    output_file file(img.env);
    file.open(path);
    if (!write_medium(img, file.stream(), length, false))
        fail(EXIT_FILE, format("ERROR: cannot write '%s': %s\n", path, std::strerror(errno)));
    file.commit(sync);
}

void write_image(image &img, bool binary, bool full, const char *location)
{
    uint64_t length = image_output_length(img, full);
    if (!binary) {
        write_medium(img, stdout, length, true); // stream errors end the run in run()
        return;
    }
    if (location) {
        write_image_file(img, location, length, true);
        return;
    }
    if (!set_stdout_binary())
        fail(EXIT_FILE,
             format("Failed to change stdout mode to binary: %s\nFailed to output bits\n",
                    std::strerror(errno)));
    write_medium(img, stdout, length, false);
}

} // namespace imgforge
