#include "image.h"

#include "args.h"
#include "fatal.h"
#include "files.h"
#include "nvds.h"

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

// A record's data must be smaller than the region.
void refuse_oversized(const char *path, uint64_t size, int fd = -1)
{
    if (size < region_size())
        return;
    if (fd >= 0)
        close(fd);
    std::fprintf(stderr, "ERROR: way too much data from '%s'\n", path);
    die(EXIT_FILE);
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
    uint32_t size = 0;
    if (!parse_u32(arg, &size)) {
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
        refuse_cutting_chain(size);
    realloc_and_reinit_nvds_buf(size);
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
    // Opened first to learn the size from the open file; the messages are
    // those of checking the size before opening.
    input_file file = open_input(path);
    uint64_t size = file.size;
    if (file.fd < 0) {
        int open_error = errno;
        if (!file_size(path, &size)) {
            std::fprintf(stderr, "ERROR: stat(%s) failed: %s\n", path, std::strerror(errno));
            die(EXIT_FILE);
        }
        refuse_oversized(path, size);
        fail_open(path, open_error);
    }
    refuse_oversized(path, size, file.fd);
    std::vector<uint8_t> data(size);
    size_t got = read_input_file(file, data.data(), data.size(), "add_tag_data");
    data.resize(got);
    // Lengths beyond a record's 15 bits reach the engine as such and are refused there.
    uint16_t length = uint16_t(got > 0xFFFF ? 0xFFFF : got);
    uint8_t status = nvds_put(tag, length, data.data());
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to put tag %02x from '%s': %s\n", tag, path,
                     nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

namespace {

uint32_t merge_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn, void *arg)
{
    bind_engine(nvds_buf);
    uint8_t status = nvds_put(tag, len, nvds_merge_buf + addr);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to put tag %02x from '%s': %s\n", tag,
                     static_cast<const char *>(arg), nvds_stat(status));
        die(EXIT_REFUSED);
    }
    bind_engine(nvds_merge_buf);
    return 0;
}

bool all_erased(const uint8_t *bytes, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (bytes[i] != 0xFF)
            return false;
    return true;
}

// Loads a file into `target` as a logical image: unread bytes erased, OTP
// content complemented.
void load_image(const char *path, uint8_t *target)
{
    std::memset(target, nvds_inverted ? 0x00 : 0xFF, buf_size);
    input_file file = open_input(path);
    if (file.fd < 0)
        fail_open(path, errno);
    bool more = false;
    size_t got = read_input_file(file, target, buf_size, "read_input", &more);
    if (more)
        std::fprintf(stderr,
                     "WARNING: '%s' is longer than the flash size of %u bytes; the rest is "
                     "ignored\n",
                     path, buf_size);
    if (nvds_inverted)
        for (uint32_t i = 0; i < buf_size; i++)
            target[i] = uint8_t(~target[i]);
    bool magic = got >= sizeof nvds_magic_number &&
                 std::memcmp(target, nvds_magic_number, sizeof nvds_magic_number) == 0;
    if (got && !magic && !all_erased(target, got))
        std::fprintf(stderr, "WARNING: '%s' is not an NVDS image; it reads as an empty image\n",
                     path);
}

void erase_tag_or_die(uint8_t tag, uint8_t (*erase)(uint8_t))
{
    uint8_t status = erase(tag);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to erase tag %02x: %s\n", tag, nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

uint8_t tag_or_die(char option, const char *arg)
{
    int tag = parse_tag(arg);
    if (tag < 0) {
        std::fprintf(stderr, "ERROR: invalid -%c argument '%s'\n", option, arg);
        die(EXIT_USAGE);
    }
    return uint8_t(tag);
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
