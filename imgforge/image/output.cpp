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
#include <vector>

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

namespace {

// Copies `n` bytes of `from` to the output file; false after a read error.
void copy_bytes(input_file &from, uint64_t n, output_file &to, const char *path)
{
    std::vector<uint8_t> chunk(65536);
    while (n > 0) {
        size_t got =
            from.read(chunk.data(), size_t(std::min<uint64_t>(n, chunk.size())), "read_input");
        if (got == 0 || to.write(chunk.data(), got) != got)
            fail(EXIT_FILE, format("ERROR: cannot write '%s': %s\n", path,
                                   got ? std::strerror(errno) : "the file ended early"));
        n -= got;
    }
}

void stdout_binary()
{
    if (!set_stdout_binary())
        fail(EXIT_FILE,
             format("Failed to change stdout mode to binary: %s\nFailed to output bits\n",
                    std::strerror(errno)));
}

// The region written whole into an existing dump at its offset; the rest of
// the dump is copied as it is, and the whole replaces the dump atomically.
void write_into_dump(image &img, const char *path)
{
    uint64_t offset = *img.region_offset;
    output_file file(img.env);
    {
        // Closed before the commit: Windows replaces no open file.
        input_file dump(path);
        if (!dump.is_open() || !dump.regular() || dump.size() < offset ||
            dump.size() - offset < img.size)
            fail(EXIT_FILE, format("ERROR: '%s' is too small for the region at offset %s\n", path,
                                   img.region_offset_text.c_str()));
        file.open(path);
        copy_bytes(dump, offset, file, path);
        if (!write_medium(img, file.stream(), img.size, false))
            fail(EXIT_FILE, format("ERROR: cannot write '%s': %s\n", path, std::strerror(errno)));
        dump.seek(offset + img.size, "read_input");
        copy_bytes(dump, dump.size() - offset - img.size, file, path);
    }
    file.commit(true);
}

} // namespace

void write_image(image &img, bool binary, bool full, const char *location)
{
    uint64_t length = image_output_length(img, full);
    if (!binary) {
        write_medium(img, stdout, length, true); // stream errors end the run in run()
        return;
    }
    if (location && img.region_offset) {
        write_into_dump(img, location);
        return;
    }
    if (location) {
        write_image_file(img, location, length, true);
        return;
    }
    stdout_binary();
    write_medium(img, stdout, length, false);
}

void write_image_records(image &img, record_format format, bool full, const char *location,
                         const text_sink &out)
{
    uint64_t length = image_output_length(img, full);
    if (img.record_base + length > (uint64_t(1) << 32))
        fail(EXIT_USAGE, "ERROR: the image does not fit below 4 GiB\n");
    std::vector<uint8_t> medium;
    const uint8_t *bytes = img.buf.data();
    if (img.otp) {
        medium.assign(bytes, bytes + length);
        for (uint8_t &b : medium)
            b = uint8_t(~b);
        bytes = medium.data();
    }
    if (!location) {
        stdout_binary(); // LF line ends on every system
        write_hex_records(format, bytes, size_t(length), img.record_base, out);
        return;
    }
    check_output_path(location, img.env);
    output_file file(img.env);
    file.open(location);
    write_hex_records(format, bytes, size_t(length), img.record_base, text_sink(file.stream()));
    file.check_written();
    file.commit(true);
}

} // namespace imgforge
