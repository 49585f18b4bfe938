#include "output.h"

#include "fatal.h"
#include "files.h"
#include "image.h"
#include "nvds.h"
#include "platform.h"

#include <cerrno>
#include <cstring>
#include <vector>

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

// The bytes as stored on the medium: complemented in inverted mode.
std::vector<uint8_t> medium_bytes(uint32_t length)
{
    std::vector<uint8_t> out(nvds_buf, nvds_buf + length);
    if (nvds_inverted)
        for (uint8_t &b : out)
            b = uint8_t(~b);
    return out;
}

void write_text(const std::vector<uint8_t> &bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::vector<char> text(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); i++) {
        text[3 * i] = hex[bytes[i] >> 4];
        text[3 * i + 1] = hex[bytes[i] & 0xF];
        text[3 * i + 2] = '\n';
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void write_binary_file(const std::vector<uint8_t> &bytes, const char *path)
{
    FILE *file = open_output(path);
    if (!file)
        die(EXIT_FILE);
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int error = errno;
    if (written != bytes.size()) {
        std::fprintf(stderr, "Failed to write file '%s': %s\n", path, std::strerror(error));
        std::fclose(file);
        die(EXIT_FILE);
    }
    if (!close_output(file, path))
        die(EXIT_FILE);
}

} // namespace

void write_image(bool binary, bool full, const char *location)
{
    std::vector<uint8_t> bytes = medium_bytes(output_length(full));
    if (!binary) {
        write_text(bytes);
        return;
    }
    if (location) {
        write_binary_file(bytes, location);
        return;
    }
    if (!set_stdout_binary()) {
        std::fprintf(stderr, "Failed to change stdout mode to binary: %s\n", std::strerror(errno));
        std::fprintf(stderr, "Failed to output bits\n");
        die(EXIT_FILE);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace imgforge
