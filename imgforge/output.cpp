#include "output.h"

#include "fatal.h"
#include "files.h"
#include "image.h"
#include "nvds.h"
#include "platform.h"

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
uint32_t output_length(bool full)
{
    if (full || nvds_inverted)
        return buf_size;
    nvds_init(nvds_buf, buf_size);
    nvds_walk(get_buf_used_cb, nullptr);
    return buf_used + 4;
}

// Writes the first `length` bytes as stored on the medium (complemented in
// inverted mode), a chunk at a time: as raw bytes, or as one "%02x" line per
// byte. Returns false when the stream fails.
bool write_medium(FILE *out, uint32_t length, bool text)
{
    static const char hex[] = "0123456789abcdef";
    constexpr uint32_t CHUNK = 4096;
    uint8_t bytes[CHUNK];
    char lines[3 * CHUNK];
    for (uint32_t at = 0; at < length; at += CHUNK) {
        uint32_t n = std::min(CHUNK, length - at);
        const uint8_t *chunk = nvds_buf + at;
        if (nvds_inverted) {
            for (uint32_t i = 0; i < n; i++)
                bytes[i] = uint8_t(~chunk[i]);
            chunk = bytes;
        }
        if (!text) {
            if (std::fwrite(chunk, 1, n, out) != n)
                return false;
            continue;
        }
        for (uint32_t i = 0; i < n; i++) {
            lines[3 * i] = hex[chunk[i] >> 4];
            lines[3 * i + 1] = hex[chunk[i] & 0xF];
            lines[3 * i + 2] = '\n';
        }
        if (std::fwrite(lines, 1, 3 * size_t(n), out) != 3 * size_t(n))
            return false;
    }
    return true;
}

void write_binary_file(uint32_t length, const char *path)
{
    FILE *file = open_output(path);
    if (!file)
        die(EXIT_FILE);
    if (!write_medium(file, length, false)) {
        std::fprintf(stderr, "Failed to write file '%s': %s\n", path, std::strerror(errno));
        std::fclose(file);
        die(EXIT_FILE);
    }
    if (!close_output(file, path))
        die(EXIT_FILE);
}

} // namespace

void write_image(bool binary, bool full, const char *location)
{
    uint32_t length = output_length(full);
    if (!binary) {
        write_medium(stdout, length, true); // stream errors end the run in run()
        return;
    }
    if (location) {
        write_binary_file(length, location);
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
