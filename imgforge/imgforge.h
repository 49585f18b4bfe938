// The core of imgforge as a library: NVDS images in flash or OTP form, made,
// loaded, edited, checked, decoded and saved, as the command line does it.
// Failures throw imgforge::error with the text the command line would print
// and the status it would end with; nothing here prints, installs a signal
// handler or ends the process. An image is used by one thread at a time;
// two images work side by side in two threads.
#ifndef IMGFORGE_IMGFORGE_H
#define IMGFORGE_IMGFORGE_H

#include "common/sink.h"
#include "error.h"
#include "image/image.h"
#include "report/check.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

// A live record of the image, in chain order.
struct record {
    uint32_t offset; // of its data in the image
    uint8_t tag;
    bool locked;
    std::vector<uint8_t> data;
};

// A tag of the catalogue, as --tags lists it.
struct tag_entry {
    uint8_t tag;
    const char *name;
    const char *group;
    std::string length; // the length rule
};
// Every tag of the catalogue, in tag order.
std::vector<tag_entry> tags();

// A tag given as its name in any letter case or as hex digits (01 to fe,
// an optional 0x); anything else throws (status 1).
uint8_t tag_named(std::string_view text);

// Making: `image img;` is the empty 65536-byte flash image; these change its
// form and size as -i and -f do.
void make_otp(image &img);                      // -i: 4096 bytes, hardware word
void set_size(image &img, uint32_t flash_size); // -f

// Loading, as -r reads a file: the first load replaces the image, later
// ones merge their records into it. `name` is the file's name in messages.
void load_file(image &img, const std::string &path);
void load_bytes(image &img, std::span<const uint8_t> bytes, const std::string &name);

// What -b writes: up to 4 bytes past the last live record, or with `full`
// (and always in OTP form) the whole flash.
std::vector<uint8_t> image_bytes(image &img, bool full);
// The same, written atomically to a file (temporary file, then rename) and
// flushed to the disk first; without `sync` the system writes it back in
// its own time, as --batch leaves its images until its one sync at the end.
void save(image &img, const std::string &path, bool full, bool sync = true);

std::vector<record> records(image &img);
// A tag's data, as a put or the merge of a file leaves it; none when the
// tag has no live record.
std::optional<std::vector<uint8_t>> record_data(image &img, uint8_t tag);

// Edits, as -t/-d, -e and -l: a refusal throws (status 3).
void put(image &img, uint8_t tag, std::span<const uint8_t> data);
void erase(image &img, uint8_t tag);
void lock(image &img, uint8_t tag);
// --set: "TAG=VALUE" or "TAG:TYPE=VALUE"; a bad setting throws (status 1).
void set(image &img, std::string_view setting);
// --compact: the live records only, in chain order.
void compact(image &img);
// --manifest: a file, or a document's text whose file paths start at `dir`
// (`name` names it in messages). Checked whole before anything changes.
void apply_manifest_file(image &img, const std::string &path);
void apply_manifest_text(image &img, std::string_view text, const std::string &name,
                         const std::string &dir);

// What -p prints for the record after its "@%04x NAME " prefix; none for an
// unknown tag, a range marker or a length its tag does not allow.
std::optional<std::string> decoded_text(image &img, const record &r);

// The record's one number (the document's "value"), for a tag that holds
// one.
std::optional<int64_t> record_value(const record &r);

// The --json document; with `with_check` it holds the check's problems.
std::string json_document(image &img, bool with_check);
// --check: the problems and the counts.
check_report check(const image &img);
// --diff --json: the comparison document of two images of the same form.
std::string diff_document(image &left, image &right);

// The hardware word of an OTP image, and blowing its bits (-w).
uint32_t hw_config(const image &img);
void blow_bits(image &img, uint32_t bits);
// -w ARG: a field by name, NAME:VALUE or a raw hex word; a bad one throws
// (status 1).
void blow(image &img, const std::string &arg);

// A field of the hardware word: its value and what the value means (empty
// for a value without a description).
struct hw_field {
    const char *name;
    unsigned low, high; // its bits
    uint32_t value;
    std::string text;
};
std::vector<hw_field> hw_fields(const image &img);

} // namespace imgforge

#endif
