#include "image.h"

#include "args.h"
#include "chain.h"
#include "fatal.h"
#include "files.h"
#include "hex_lines.h"
#include "nvds.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace imgforge {

uint8_t *nvds_buf;
uint8_t *nvds_merge_buf;
uint32_t buf_size = OTP_SIZE;
uint32_t buf_used = NVDS_FIRST_RECORD;
bool nvds_inverted;

namespace {

bool flash_size_given;
bool buf_read; // set by the first -r: later ones merge

[[noreturn]] void refuse_erase()
{
    std::fprintf(stderr, "ERROR: cannot erase NVM/OTP/efuse data\n");
    die(EXIT_REFUSED);
}

// OTP cannot be erased: every path that needs an erase stops here.
int tool_flash_erase(uint8_t type, uint8_t *dst, uint32_t length)
{
    if (nvds_inverted)
        refuse_erase();
    return flash_erase(type, dst, length);
}

const nvds_backend tool_backend = {flash_identify, flash_read, flash_write, tool_flash_erase,
                                   flash_cmp};

void resize_buffer(uint8_t *&buf, uint32_t size)
{
    void *grown = std::realloc(buf, size);
    if (!grown) {
        std::perror("Unable to malloc buffer: ");
        die(EXIT_REFUSED);
    }
    buf = static_cast<uint8_t *>(grown);
    advise_large_buffer(buf, size);
}

// A smaller region must still hold the whole chain and its 4-byte reserve.
void refuse_cutting_chain(uint32_t new_region)
{
    uint32_t address = NVDS_FIRST_RECORD;
    uint8_t header[4];
    uint32_t next = 0;
    while (nvds_walk_tag(address, header, &next) == NVDS_OK)
        address = next;
    if (uint64_t(address) + 4 > new_region) {
        std::fprintf(stderr,
                     "ERROR: a region of %u bytes cannot hold the records, which end at %u\n",
                     new_region, address);
        die(EXIT_REFUSED);
    }
}

[[noreturn]] void refuse_too_much_data(const char *path)
{
    std::fprintf(stderr, "ERROR: way too much data from '%s'\n", path);
    die(EXIT_FILE);
}

[[noreturn]] void refuse_put(uint8_t tag, const char *source, uint8_t status)
{
    std::fprintf(stderr, "ERROR: failed to put tag %02x from '%s': %s\n", tag, source,
                 nvds_stat(status));
    die(EXIT_REFUSED);
}

// Checks a data file's length against the region and a record's limit.
void check_data_length(const char *path, uint64_t length, uint8_t tag)
{
    if (length >= region_size())
        refuse_too_much_data(path);
    if (length > NVDS_MAX_LENGTH)
        refuse_put(tag, path, NVDS_LENGTH_OUT_OF_RANGE);
}

// Record data of one -d: at most a record's length is kept.
uint8_t data_buf[NVDS_MAX_LENGTH + 1];

// Reads a data file: a regular file is checked by its size before it is
// read; anything else (a pipe, a device) is read to its end, keeping at most
// a record's length and counting the rest up to the region size.
uint16_t read_tag_data(input_file &file, const char *path, uint8_t tag)
{
    if (file.regular())
        check_data_length(path, file.size(), tag);
    uint64_t length = file.read(data_buf, sizeof data_buf, "add_tag_data");
    if (length == sizeof data_buf && length < region_size())
        length += file.skip(region_size() - length, "add_tag_data");
    check_data_length(path, length, tag);
    return uint16_t(length);
}

} // namespace

void image_start()
{
    image_release();
    buf_size = OTP_SIZE;
    buf_used = NVDS_FIRST_RECORD;
    nvds_inverted = false;
    flash_size_given = false;
    buf_read = false;
    nvds_disable_tag_cache = 0;
    nvds_set_backend(&tool_backend);
    realloc_and_reinit_nvds_buf(DEFAULT_FLASH_SIZE);
}

void image_release()
{
    std::free(nvds_buf);
    std::free(nvds_merge_buf);
    nvds_buf = nvds_merge_buf = nullptr;
    nvds_disable_tag_cache = 1;
    nvds_reset_tag_cache(); // releases the cache table
    nvds_disable_tag_cache = 0;
    nvds_set_backend(nullptr);
}

uint32_t region_size()
{
    return nvds_inverted ? buf_size - HW_CFG_BYTES : buf_size;
}

void bind_engine(uint8_t *buf)
{
    nvds_init(buf, region_size());
}

void realloc_and_reinit_nvds_buf(uint32_t size)
{
    uint32_t old_size = nvds_buf ? buf_size : 0;
    if (size > old_size && old_size && nvds_inverted)
        refuse_erase();
    resize_buffer(nvds_buf, size);
    // The merge buffer is filled by every -r that loads into it.
    resize_buffer(nvds_merge_buf, size);
    if (old_size == 0)
        nvds_buf[0] = 0; // fresh memory: no magic, so the engine formats it
    else if (size > old_size)
        std::memset(nvds_buf + old_size, 0xFF, size - old_size);
    buf_size = size;
    bind_engine(nvds_buf);
}

void set_flash_size(const char *arg)
{
    if (nvds_inverted) {
        std::fprintf(stderr, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
        die(EXIT_REFUSED);
    }
    uint64_t size = 0;
    if (parse_decimal(arg, UINT32_MAX, size) != number_status::ok) {
        std::fprintf(stderr, "ERROR: invalid -f argument '%s'\n", arg);
        die(EXIT_USAGE);
    }
    if (size == 0) {
        std::fprintf(stderr, "ERROR: Flash size must be larger than 0\n");
        die(EXIT_REFUSED);
    }
    if (size < MIN_FLASH_SIZE) {
        std::fprintf(stderr, "ERROR: Flash size must be at least %u\n", MIN_FLASH_SIZE);
        die(EXIT_REFUSED);
    }
    if (size < buf_size)
        refuse_cutting_chain(uint32_t(size));
    realloc_and_reinit_nvds_buf(uint32_t(size));
    flash_size_given = true;
}

void set_inverted()
{
    if (flash_size_given) {
        std::fprintf(stderr, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
        die(EXIT_REFUSED);
    }
    if (!nvds_inverted)
        refuse_cutting_chain(OTP_SIZE - HW_CFG_BYTES);
    nvds_inverted = true;
    realloc_and_reinit_nvds_buf(OTP_SIZE);
}

void add_tag_data(uint8_t tag, const char *path)
{
    if (tag == 0) {
        std::fprintf(stderr, "ERROR: must specify a -t before -d '%s'\n", path);
        die(EXIT_USAGE);
    }
    input_file file(path);
    if (!file.is_open()) {
        // The messages are those of checking the size before opening.
        uint64_t size = 0;
        if (!file_size(path, &size)) {
            std::fprintf(stderr, "ERROR: stat(%s) failed: %s\n", path, std::strerror(errno));
            die(EXIT_FILE);
        }
        if (size >= region_size())
            refuse_too_much_data(path);
        fail_open(path, file.open_error());
    }
    uint16_t length = read_tag_data(file, path, tag);
    uint8_t status = nvds_put(tag, length, data_buf);
    if (status != NVDS_OK)
        refuse_put(tag, path, status);
}

namespace {

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
        std::fprintf(stderr, "hint: it is an OTP image; use -i\n");
    if (nvds_inverted && starts_with(stored, n, nvds_magic_number))
        std::fprintf(stderr, "hint: it is a flash image; leave out -i\n");
    die(EXIT_FILE);
}

// Warns when a live record runs past the bytes the file held: its missing
// bytes read as erased.
void warn_if_truncated(const char *path, const uint8_t *image, size_t got)
{
    walk_stored(image, region_size(), [&](const stored_record &r) {
        if (!nvds_is_live(r.status) || uint64_t(r.data) + r.length <= got)
            return true;
        std::fprintf(stderr,
                     "WARNING: '%s' ends inside the record at @%04x; its missing bytes read as "
                     "erased\n",
                     path, unsigned(r.data));
        return false;
    });
}

// Loads a file into `target` as a logical image: unread bytes erased, OTP
// content complemented. A file that is neither an image nor erased is
// refused.
void load_image(const char *path, uint8_t *target)
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
    if (got && !magic && std::count(target, target + got, erased) != std::ptrdiff_t(got))
        refuse_not_an_image(path, target, got);
    if (nvds_inverted)
        for (uint32_t i = 0; i < buf_size; i++)
            target[i] = uint8_t(~target[i]);
    if (magic && got < region_size())
        warn_if_truncated(path, target, got);
}

void erase_tag_or_die(uint8_t tag, uint8_t (*erase)(uint8_t))
{
    uint8_t status = erase(tag);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to erase tag %02x: %s\n", tag, nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

} // namespace

void read_input(const char *path)
{
    if (!buf_read) {
        buf_read = true;
        load_image(path, nvds_buf);
        bind_engine(nvds_buf);
        return;
    }
    // The cache would hold addresses of the other buffer.
    nvds_disable_tag_cache = 1;
    load_image(path, nvds_merge_buf);
    bind_engine(nvds_merge_buf);
    nvds_walk(merge_cb, const_cast<char *>(path));
    if (nvds_inverted)
        for (uint32_t i = buf_size - HW_CFG_BYTES; i < buf_size; i++)
            nvds_buf[i] &= nvds_merge_buf[i];
    nvds_disable_tag_cache = 0;
    bind_engine(nvds_buf);
}

void erase_tag(char option, const char *arg)
{
    if (option == 'E' && std::strcmp(arg, "all") == 0) {
        for (unsigned tag = NVDS_FIRST_WORKAROUND_TAG; tag < NVDS_END_TAG; tag++)
            erase_tag_or_die(uint8_t(tag), nvds_del_all_unlocked_workarounds);
        return;
    }
    erase_tag_or_die(tag_or_die(option, arg),
                     option == 'e' ? nvds_del : nvds_del_all_unlocked_workarounds);
}

void lock_tag(const char *arg)
{
    uint8_t tag = tag_or_die('l', arg);
    uint8_t status = nvds_lock(tag);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to lock tag %02x: %s\n", tag, nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

void extra_usage_erase_workarounds(FILE *out, const char *prefix)
{
    struct entry {
        const char *name;
        const char *lines[1];
    };
    static const entry entries[] = {
        {"all", {"Alias for \"-E fc -E fd -E fe\""}},
        {"<workaround-tag>", {"where <workaround-tag> is a tag value >= 0xfc"}},
    };
    std::fprintf(out, "%s%s can be\n", prefix, "<arg>");
    for (const entry &e : entries) {
        std::fprintf(out, "%s  - %s\n", prefix, e.name);
        for (const char *line : e.lines)
            std::fprintf(out, "%s    %s\n", prefix, line);
    }
}

} // namespace imgforge
