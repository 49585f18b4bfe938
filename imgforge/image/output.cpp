#include "image/output.h"

#include "common/files.h"
#include "common/platform.h"
#include "fatal.h"
#include "image/buffers.h"
#include "nvds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace imgforge {

namespace {

uint32_t get_buf_used_cb(uint8_t, uint32_t addr, uint16_t len, nvds_read_fn, void *)
{
    buf_used = addr + len;
    return 0;
}

// Bytes to output: the whole buffer, or up to 4 bytes past the last live
// record.

// Writes the first `length` bytes as stored on the medium (complemented in
// inverted mode), a chunk at a time: as raw bytes, or as one "%02x" line per
// byte. Returns false when the stream fails.
bool write_medium(FILE *out, uint64_t length, bool text)
{
    static const char hex[] = "0123456789abcdef";
    constexpr uint64_t CHUNK = 4096;
    uint8_t bytes[CHUNK];
    char lines[3 * CHUNK];
    for (uint64_t at = 0; at < length; at += CHUNK) {
        size_t n = size_t(std::min(CHUNK, length - at));
        const uint8_t *chunk = nvds_buf + at;
        if (nvds_inverted) {
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

} // namespace

uint64_t image_output_length(bool full)
{
    if (full || nvds_inverted)
        return buf_size;
    nvds_init(nvds_buf, buf_size);
    buf_used = NVDS_FIRST_RECORD; // a batch asks once per image
    nvds_walk(get_buf_used_cb, nullptr);
    return uint64_t(buf_used) + 4;
}

bool write_image_file(const char *path, uint64_t length, bool sync)
{
    output_file file;
    if (!file.open(path))
        return false;
    if (!write_medium(file.stream(), length, false)) {
        std::fprintf(stderr, "ERROR: cannot write '%s': %s\n", path, std::strerror(errno));
        return false;
    }
    return file.commit(sync);
}

void write_image(bool binary, bool full, const char *location)
{
    uint64_t length = image_output_length(full);
    if (!binary) {
        write_medium(stdout, length, true); // stream errors end the run in run()
        return;
    }
    if (location) {
        if (!write_image_file(location, length, true))
            die(EXIT_FILE);
        return;
    }
    if (!set_stdout_binary()) {
        std::fprintf(stderr, "Failed to change stdout mode to binary: %s\n", std::strerror(errno));
        std::fprintf(stderr, "Failed to output bits\n");
        die(EXIT_FILE);
    }
    write_medium(stdout, length, false);
}

} // namespace imgforge
