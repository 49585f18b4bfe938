#include "image/records.h"

#include "common/files.h"
#include "common/format.h"
#include "common/platform.h"
#include "error.h"
#include "nvds.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace imgforge {

namespace {

[[noreturn]] void refuse_too_much_data(const char *path)
{
    fail(EXIT_FILE, format("ERROR: way too much data from '%s'\n", path));
}

// Checks a data file's length against the region and a record's limit.
void check_data_length(const image &img, const char *path, uint64_t length, uint8_t tag)
{
    if (length >= region_size(img))
        refuse_too_much_data(path);
    if (length > NVDS_MAX_LENGTH)
        refuse_put(tag, path, NVDS_LENGTH_OUT_OF_RANGE);
}

// Reads a data file: a regular file is checked by its size before it is
// read; anything else (a pipe, a device) is read to its end, keeping at most
// a record's length and counting the rest up to the region size.
std::vector<uint8_t> read_tag_data(const image &img, input_file &file, const char *path,
                                   uint8_t tag)
{
    if (file.regular())
        check_data_length(img, path, file.size(), tag);
    std::vector<uint8_t> data(file.regular() ? size_t(file.size()) : NVDS_MAX_LENGTH + 1);
    uint64_t length = file.read(data.data(), data.size(), "add_tag_data");
    if (length == NVDS_MAX_LENGTH + 1 && length < region_size(img))
        length += file.skip(region_size(img) - length, "add_tag_data");
    check_data_length(img, path, length, tag);
    data.resize(size_t(length));
    return data;
}

void erase_or_fail(image &img, uint8_t tag, uint8_t (*erase)(nvds_region *, uint8_t))
{
    uint8_t status = engine_result(img, img.region, erase(&img.region, tag));
    if (status != NVDS_OK)
        fail(EXIT_REFUSED, format("ERROR: failed to erase tag %02x: %s\n", tag, nvds_stat(status)));
}

} // namespace

void add_tag_data(image &img, uint8_t tag, const char *path)
{
    if (tag == 0)
        fail(EXIT_USAGE, format("ERROR: must specify a -t before -d '%s'\n", path));
    bool standard_input = std::strcmp(path, "-") == 0;
    if (standard_input && img.stdin_read)
        fail(EXIT_USAGE, "ERROR: standard input is read only once: a second '-d -'\n");
    img.stdin_read = img.stdin_read || standard_input;
    input_file file =
        standard_input ? input_file(input_file::standard_input_t{}) : input_file(path);
    if (!file.is_open()) {
        // The messages are those of checking the size before opening.
        uint64_t size = 0;
        if (!size_of_path(path, size))
            fail(EXIT_FILE, format("ERROR: stat(%s) failed: %s\n", path, std::strerror(errno)));
        if (size >= region_size(img))
            refuse_too_much_data(path);
        fail_open(path, file.open_error());
    }
    if (file.id())
        img.inputs.push_back(*file.id());
    std::vector<uint8_t> data = read_tag_data(img, file, path, tag);
    put_or_fail(img, tag, data.data(), uint16_t(data.size()), path);
}

void compact_image(image &img)
{
    uint8_t status = engine_result(img, img.region, nvds_compact(&img.region));
    if (status != NVDS_OK)
        fail(EXIT_REFUSED, format("ERROR: failed to compact the image: %s\n", nvds_stat(status)));
}

void erase_tag(image &img, uint8_t tag)
{
    erase_or_fail(img, tag, nvds_del);
}

void erase_workarounds(image &img, uint8_t tag)
{
    erase_or_fail(img, tag, nvds_del_all_unlocked_workarounds);
}

void erase_all_workarounds(image &img)
{
    for (unsigned tag = NVDS_FIRST_WORKAROUND_TAG; tag < NVDS_END_TAG; tag++)
        erase_workarounds(img, uint8_t(tag));
}

void lock_tag(image &img, uint8_t tag)
{
    uint8_t status = engine_result(img, img.region, nvds_lock(&img.region, tag));
    if (status != NVDS_OK)
        fail(EXIT_REFUSED, format("ERROR: failed to lock tag %02x: %s\n", tag, nvds_stat(status)));
}

} // namespace imgforge
