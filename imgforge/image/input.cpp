#include "image/input.h"

#include "common/engine.h"
#include "common/files.h"
#include "common/format.h"
#include "error.h"
#include "image/chain.h"
#include "image/hex_lines.h"
#include "image/hex_records.h"
#include "nvds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

namespace imgforge {

namespace {

// A merge: the records of the loaded file, walked in the merge buffer, put
// into the image.
struct merge_context {
    image &img;
    const char *path;
};

uint32_t merge_cb(nvds_region *, uint8_t tag, uint32_t addr, uint16_t len, void *arg)
{
    merge_context &m = *static_cast<merge_context *>(arg);
    put_or_fail(m.img, tag, m.img.merge.data() + addr, len, m.path);
    return 0;
}

bool starts_with(const uint8_t *bytes, size_t n, const uint8_t (&magic)[4])
{
    return n >= sizeof magic && std::memcmp(bytes, magic, sizeof magic) == 0;
}

// Where an image is read from: a file, or bytes in memory.
struct image_source {
    input_file *file = nullptr;
    std::span<const uint8_t> bytes;
    size_t at = 0;

    size_t read(uint8_t *buf, size_t capacity)
    {
        if (file)
            return file->read(buf, capacity, "read_input");
        size_t n = std::min(capacity, bytes.size() - at);
        if (n)
            std::memcpy(buf, bytes.data() + at, n);
        at += n;
        return n;
    }
    bool has_more() { return file ? file->has_more() : at < bytes.size(); }
};

// The magic as an OTP image stores it: complemented.
constexpr uint8_t otp_magic[4] = {uint8_t(~'N'), uint8_t(~'V'), uint8_t(~'D'), uint8_t(~'S')};

uint8_t unprogrammed(const image &img)
{
    return img.otp ? 0x00 : 0xFF;
}

[[noreturn]] void refuse_small_dump(const image &img, const char *path)
{
    fail(EXIT_FILE, format("ERROR: '%s' is too small for the region at offset %s\n", path,
                           img.region_offset_text.c_str()));
}

// The bytes an Intel HEX or S-record file gives from the base address on;
// `prefix` is its start, already read. Returns the count the file gives (at
// most the image's size) and sets `more` when it gives bytes past it.
size_t read_records(const image &img, const char *path, record_format records,
                    std::string_view prefix, image_source &file, uint8_t *target, bool &more)
{
    hex_records_decoder decoder(records, img.record_base, target, img.size);
    bool ok = decoder.feed(prefix.data(), prefix.size());
    std::vector<uint8_t> chunk(65536);
    for (size_t n; ok && (n = file.read(chunk.data(), chunk.size())) > 0;)
        ok = decoder.feed(reinterpret_cast<const char *>(chunk.data()), n);
    if (!ok || !decoder.finish())
        fail(EXIT_FILE, format("ERROR: '%s' line %u: %s\n", path, decoder.error().line,
                               decoder.error().reason.c_str()));
    more = decoder.extent() > img.size;
    return size_t(std::min<uint64_t>(decoder.extent(), img.size));
}

// The file's content, read into `target` as stored: its bytes, the bytes its
// hex lines give, or those its Intel HEX or S-records give from the base
// address on. Returns the count (at most the image's size) and sets `more`
// when the file holds further bytes.
size_t read_stored(const image &img, const char *path, image_source &file, uint8_t *target,
                   bool &more)
{
    const uint32_t buf_size = img.size;
    // The start tells text records from images: at most 8 bytes, so that
    // records are read from their own copy and never over their text.
    size_t got = file.read(target, std::min<size_t>(8, buf_size));
    std::string_view start(reinterpret_cast<const char *>(target), got);
    if (std::optional<record_format> records = hex_records_format(start)) {
        std::string prefix(start);
        std::memset(target, unprogrammed(img), got);
        return read_records(img, path, *records, prefix, file, target, more);
    }
    got += file.read(target + got, buf_size - got);
    bool binary_image =
        starts_with(target, got, nvds_magic_number) || starts_with(target, got, otp_magic);
    if (binary_image || !(hex_lines_start_with(target, got, nvds_magic_number) ||
                          hex_lines_start_with(target, got, otp_magic))) {
        // A pipe's size shows only now.
        if (img.region_offset && got < buf_size)
            refuse_small_dump(img, path);
        more = got == buf_size && file.has_more();
        return got;
    }
    hex_lines_decoder decoder(target, buf_size);
    bool valid = decoder.feed(target, got);
    uint8_t chunk[65536];
    for (size_t n;
         valid && decoder.decoded() <= buf_size && (n = file.read(chunk, sizeof chunk)) > 0;)
        valid = decoder.feed(chunk, n);
    if (!valid || !decoder.complete()) {
        // Not hex lines after all: the file is refused as it is.
        std::memset(target, 0, 4);
        more = false;
        return got;
    }
    size_t count = std::min<size_t>(decoder.decoded(), buf_size);
    std::memset(target + count, unprogrammed(img), buf_size - count);
    more = decoder.decoded() > buf_size;
    return count;
}

[[noreturn]] void refuse_not_an_image(const image &img, const char *path, const uint8_t *stored,
                                      size_t n)
{
    std::string text = format("ERROR: '%s' is not an NVDS image\n", path);
    if (!img.otp && starts_with(stored, n, otp_magic))
        text += "hint: it is an OTP image; give -i before -r\n";
    if (img.otp && starts_with(stored, n, nvds_magic_number))
        text += "hint: it is a flash image; leave out -i\n";
    fail(EXIT_FILE, text);
}

// Notes a damaged input: a warning, or with --check a problem for the
// report. `at` is the offset in the image, none when the problem is the
// merged file's (its offsets are not the image's).
void note_problem(image &img, std::optional<uint32_t> at, const std::string &warning,
                  const std::string &problem)
{
    if (!img.keep_damaged)
        img.env.warnings.printf("WARNING: %s\n", warning.c_str());
    else
        img.problems.push_back({at, problem});
}

// A record whose header or data runs past the bytes the file held reads its
// missing bytes as erased (a cut right after a tag byte reads as a record of
// 32767 bytes).
void note_if_truncated(image &img, const char *path, const uint8_t *bytes, size_t got, bool merged)
{
    auto note = [&](uint32_t data) {
        const char *missing = "its missing bytes read as erased";
        std::string warning =
            format("'%s' ends inside the record at @%04x; %s", path, unsigned(data), missing);
        if (merged)
            note_problem(
                img, std::nullopt, warning,
                format("'%s' ends inside its record at @%04x; %s", path, unsigned(data), missing));
        else
            note_problem(img, data, warning,
                         format("'%s' ends inside this record; %s", path, missing));
    };
    uint32_t region = region_size(img);
    bool noted = false;
    chain_end end = walk_stored(bytes, region, [&](const stored_record &r) {
        noted = uint64_t(r.data) + r.length > got;
        if (noted)
            note(r.data);
        return !noted;
    });
    // A header cut by the end of the file that reads as a record running
    // past the region.
    if (!noted && end.overrun && end.at < got && uint64_t(end.at) + 4 > got)
        note(uint64_t(end.at) + 4 <= region ? end.at + nvds_header_length(bytes + end.at) : end.at);
}

// The hardware word of an OTP file that ends early reads as unprogrammed.
void note_if_short_otp(image &img, const char *path, size_t got)
{
    if (!img.otp || got >= img.size)
        return;
    std::string text =
        format("'%s' is shorter than an OTP image; its missing bytes read as unprogrammed", path);
    note_problem(img, std::nullopt, text, text);
}

// Loads a file into `target` as a logical image: unread bytes erased, OTP
// content complemented. A file that is neither an image nor erased is
// refused.
void load_image(image &img, const char *path, image_source &source, uint8_t *target, bool merged)
{
    const uint32_t buf_size = img.size;
    std::memset(target, unprogrammed(img), buf_size);
    bool more = false;
    size_t got = read_stored(img, path, source, target, more);
    // A dump holds more than the region it is read at.
    if (more && !img.region_offset)
        img.env.warnings.printf(
            "WARNING: '%s' is longer than the flash size of %u bytes; the rest is ignored\n", path,
            buf_size);
    uint8_t erased = unprogrammed(img);
    bool magic = starts_with(target, got, img.otp ? otp_magic : nvds_magic_number);
    bool is_erased = std::count(target, target + got, erased) == std::ptrdiff_t(got);
    if (!magic && !is_erased && !img.keep_damaged)
        refuse_not_an_image(img, path, target, got);
    if (!magic && img.keep_damaged) {
        if (!is_erased)
            img.problems.push_back({std::nullopt, format("'%s' has no NVDS magic and is not "
                                                         "erased; it reads as an empty image",
                                                         path)});
        // The empty image the engine would format, without the erase that
        // OTP cannot do: a check sees every file.
        std::memset(target, erased, buf_size);
        std::memcpy(target, img.otp ? otp_magic : nvds_magic_number, 4);
        got = 0;
    }
    if (img.otp)
        for (uint32_t i = 0; i < buf_size; i++)
            target[i] = uint8_t(~target[i]);
    if (magic && got < region_size(img))
        note_if_truncated(img, path, target, got, merged);
    if (magic)
        note_if_short_otp(img, path, got);
}

// The first load replaces the image; later ones merge into it.
void load(image &img, const char *path, image_source &source)
{
    if (!img.loaded) {
        img.loaded = true;
        load_image(img, path, source, img.buf.data(), false);
        rebind(img);
        return;
    }
    load_image(img, path, source, img.merge.data(), true);
    nvds_region merged;
    bind_region(img, merged, img.merge.data());
    merge_context context{img, path};
    walk_records(merged, merge_cb, &context);
    if (img.otp)
        for (uint32_t i = img.size - HW_CFG_BYTES; i < img.size; i++)
            img.buf.data()[i] &= img.merge.data()[i];
    rebind(img);
}

// A binary file that holds the region at an offset (--at), as a dump of a
// whole flash does: the region's size is the flash size, or for the first
// -r without -f the rest of the file. Intel HEX and S-record files are
// addressed by --base instead.
void seek_region(image &img, input_file &file, const char *path)
{
    uint64_t offset = *img.region_offset;
    if (file.regular()) {
        char start[2] = {};
        size_t got = file.read(reinterpret_cast<uint8_t *>(start), sizeof start, "read_input");
        if (hex_records_format(std::string_view(start, got)))
            return void(file.seek(0, "read_input"));
        uint64_t rest = offset < file.size() ? file.size() - offset : 0;
        if (!img.loaded && !img.flash_size_given && !img.otp) {
            if (rest > UINT32_MAX)
                fail(EXIT_REFUSED,
                     format("ERROR: the region at offset %s of '%s' is 4 GiB or more; give its "
                            "size with -f\n",
                            img.region_offset_text.c_str(), path));
            if (rest < MIN_FLASH_SIZE)
                refuse_small_dump(img, path);
            resize_image(img, uint32_t(rest));
        }
        if (rest < img.size)
            refuse_small_dump(img, path);
    }
    if (!file.seek(offset, "read_input"))
        refuse_small_dump(img, path);
}

} // namespace

void read_input(image &img, const char *path)
{
    input_file file(path);
    if (!file.is_open())
        fail_open(path, file.open_error());
    if (file.id())
        img.inputs.push_back(*file.id());
    if (img.region_offset)
        seek_region(img, file, path);
    image_source source{&file, {}, 0};
    load(img, path, source);
}

void read_input_bytes(image &img, std::span<const uint8_t> bytes, const char *name)
{
    image_source source{nullptr, bytes, 0};
    load(img, name, source);
}

} // namespace imgforge
