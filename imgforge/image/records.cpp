#include "image/records.h"

#include "common/files.h"
#include "common/platform.h"
#include "fatal.h"
#include "image/buffers.h"
#include "nvds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace imgforge {

namespace {

[[noreturn]] void refuse_too_much_data(const char *path)
{
    std::fprintf(stderr, "ERROR: way too much data from '%s'\n", path);
    die(EXIT_FILE);
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

void erase_tag_or_die(uint8_t tag, uint8_t (*erase)(uint8_t))
{
    uint8_t status = erase(tag);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to erase tag %02x: %s\n", tag, nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

} // namespace

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
        if (!size_of_path(path, size)) {
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

void erase_tag(uint8_t tag)
{
    erase_tag_or_die(tag, nvds_del);
}

void erase_workarounds(uint8_t tag)
{
    erase_tag_or_die(tag, nvds_del_all_unlocked_workarounds);
}

void erase_all_workarounds()
{
    for (unsigned tag = NVDS_FIRST_WORKAROUND_TAG; tag < NVDS_END_TAG; tag++)
        erase_workarounds(uint8_t(tag));
}

void lock_tag(uint8_t tag)
{
    uint8_t status = nvds_lock(tag);
    if (status != NVDS_OK) {
        std::fprintf(stderr, "ERROR: failed to lock tag %02x: %s\n", tag, nvds_stat(status));
        die(EXIT_REFUSED);
    }
}

} // namespace imgforge
