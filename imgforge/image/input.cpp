#include "image/input.h"

#include "common/files.h"
#include "common/format.h"
#include "fatal.h"
#include "image/buffers.h"
#include "image/chain.h"
#include "image/hex_lines.h"
#include "nvds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace imgforge {

bool keep_damaged_inputs;

namespace {

std::vector<input_problem> problems;

uint32_t merge_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn, void *arg)
{
    bind_engine(nvds_buf);
    uint8_t status = nvds_put(tag, len, nvds_merge_buf + addr);
    if (status != NVDS_OK)
        refuse_put(tag, static_cast<const char *>(arg), status);
    bind_engine(nvds_merge_buf);
    return 0;
}

bool starts_with(const uint8_t *bytes, size_t n, const uint8_t (&magic)[4])
{
    return n >= sizeof magic && std::memcmp(bytes, magic, sizeof magic) == 0;
}

// The magic as an OTP image stores it: complemented.
constexpr uint8_t otp_magic[4] = {uint8_t(~'N'), uint8_t(~'V'), uint8_t(~'D'), uint8_t(~'S')};

// The file's content, read into `target` as stored: its bytes, or the bytes
// its hex lines give. Returns the count (at most buf_size) and sets `more`
// when the file holds further bytes.
size_t read_stored(input_file &file, uint8_t *target, bool &more)
{
    size_t got = file.read(target, buf_size, "read_input");
    bool binary_image =
        starts_with(target, got, nvds_magic_number) || starts_with(target, got, otp_magic);
    if (binary_image || !(hex_lines_start_with(target, got, nvds_magic_number) ||
                          hex_lines_start_with(target, got, otp_magic))) {
        more = got == buf_size && file.has_more();
        return got;
    }
    hex_lines_decoder decoder(target, buf_size);
    bool valid = decoder.feed(target, got);
    uint8_t chunk[65536];
    for (size_t n; valid && decoder.decoded() <= buf_size &&
                   (n = file.read(chunk, sizeof chunk, "read_input")) > 0;)
        valid = decoder.feed(chunk, n);
    if (!valid || !decoder.complete()) {
        // Not hex lines after all: the file is refused as it is.
        std::memset(target, 0, 4);
        more = false;
        return got;
    }
    size_t count = std::min<size_t>(decoder.decoded(), buf_size);
    std::memset(target + count, nvds_inverted ? 0x00 : 0xFF, buf_size - count);
    more = decoder.decoded() > buf_size;
    return count;
}

[[noreturn]] void refuse_not_an_image(const char *path, const uint8_t *stored, size_t n)
{
    std::fprintf(stderr, "ERROR: '%s' is not an NVDS image\n", path);
    if (!nvds_inverted && starts_with(stored, n, otp_magic))
        std::fprintf(stderr, "hint: it is an OTP image; give -i before -r\n");
    if (nvds_inverted && starts_with(stored, n, nvds_magic_number))
        std::fprintf(stderr, "hint: it is a flash image; leave out -i\n");
    die(EXIT_FILE);
}

// Notes a damaged input: a warning, or with --check a problem for the
// report. `at` is the offset in the image, none when the problem is the
// merged file's (its offsets are not the image's).
void note_problem(std::optional<uint32_t> at, const std::string &warning,
                  const std::string &problem)
{
    if (!keep_damaged_inputs)
        std::fprintf(stderr, "WARNING: %s\n", warning.c_str());
    else
        problems.push_back({at, problem});
}

// A record whose header or data runs past the bytes the file held reads its
// missing bytes as erased (a cut right after a tag byte reads as a record of
// 32767 bytes).
void note_if_truncated(const char *path, const uint8_t *image, size_t got, bool merged)
{
    auto note = [&](uint32_t data) {
        const char *missing = "its missing bytes read as erased";
        std::string warning =
            format("'%s' ends inside the record at @%04x; %s", path, unsigned(data), missing);
        if (merged)
            note_problem(std::nullopt, warning,
                         format("'%s' ends inside its record at @%04x; %s", path,
                                unsigned(data), missing));
        else
            note_problem(data, warning, format("'%s' ends inside this record; %s", path, missing));
    };
    bool noted = false;
    chain_end end = walk_stored(image, region_size(), [&](const stored_record &r) {
        noted = uint64_t(r.data) + r.length > got;
        if (noted)
            note(r.data);
        return !noted;
    });
    // A header cut by the end of the file that reads as a record running
    // past the region.
    if (!noted && end.overrun && end.at < got && uint64_t(end.at) + 4 > got)
        note(uint64_t(end.at) + 4 <= region_size() ? end.at + nvds_header_length(image + end.at)
                                                    : end.at);
}

// The hardware word of an OTP file that ends early reads as unprogrammed.
void note_if_short_otp(const char *path, size_t got)
{
    if (!nvds_inverted || got >= buf_size)
        return;
    std::string text =
        format("'%s' is shorter than an OTP image; its missing bytes read as unprogrammed", path);
    note_problem(std::nullopt, text, text);
}

// Loads a file into `target` as a logical image: unread bytes erased, OTP
// content complemented. A file that is neither an image nor erased is
// refused.
void load_image(const char *path, uint8_t *target, bool merged)
{
    std::memset(target, nvds_inverted ? 0x00 : 0xFF, buf_size);
    input_file file(path);
    if (!file.is_open())
        fail_open(path, file.open_error());
    bool more = false;
    size_t got = read_stored(file, target, more);
    if (more)
        std::fprintf(stderr,
                     "WARNING: '%s' is longer than the flash size of %u bytes; the rest is "
                     "ignored\n",
                     path, buf_size);
    uint8_t erased = nvds_inverted ? 0x00 : 0xFF;
    bool magic = starts_with(target, got, nvds_inverted ? otp_magic : nvds_magic_number);
    bool is_erased = std::count(target, target + got, erased) == std::ptrdiff_t(got);
    if (!magic && !is_erased && !keep_damaged_inputs)
        refuse_not_an_image(path, target, got);
    if (!magic && keep_damaged_inputs) {
        if (!is_erased)
            problems.push_back({std::nullopt, format("'%s' has no NVDS magic and is not "
                                                     "erased; it reads as an empty image",
                                                     path)});
        // The empty image the engine would format, without the erase that
        // OTP cannot do: a check sees every file.
        std::memset(target, erased, buf_size);
        std::memcpy(target, nvds_inverted ? otp_magic : nvds_magic_number, 4);
        got = 0;
    }
    if (nvds_inverted)
        for (uint32_t i = 0; i < buf_size; i++)
            target[i] = uint8_t(~target[i]);
    if (magic && got < region_size())
        note_if_truncated(path, target, got, merged);
    if (magic)
        note_if_short_otp(path, got);
}

} // namespace

const std::vector<input_problem> &input_problems()
{
    return problems;
}

void reset_input_problems()
{
    keep_damaged_inputs = false;
    problems.clear();
}

void read_input(const char *path)
{
    if (!buf_read) {
        buf_read = true;
        load_image(path, nvds_buf, false);
        bind_engine(nvds_buf);
        return;
    }
    // The cache would hold addresses of the other buffer.
    nvds_disable_tag_cache = 1;
    load_image(path, nvds_merge_buf, true);
    bind_engine(nvds_merge_buf);
    nvds_walk(merge_cb, const_cast<char *>(path));
    if (nvds_inverted)
        for (uint32_t i = buf_size - HW_CFG_BYTES; i < buf_size; i++)
            nvds_buf[i] &= nvds_merge_buf[i];
    nvds_disable_tag_cache = 0;
    bind_engine(nvds_buf);
}

} // namespace imgforge
