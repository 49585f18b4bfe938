// The image as a JSON document (--json).
#ifndef IMGFORGE_REPORT_JSON_H
#define IMGFORGE_REPORT_JSON_H

#include "common/sink.h"
#include "image/chain.h"
#include "image/image.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace imgforge {

class json_writer;

struct json_options {
    bool with_check = false;   // the problems and summary of --check
    bool show_internal = true; // internal hardware fields (-X hides them)
};

// The document: form, sizes, the hardware word's fields in OTP form, the live
// records with their decoded texts; with the check, its problems. Returns
// whether the check found problems.
bool write_json_document(image &img, const json_options &options, const text_sink &out);

// Writes the document to `out`, or atomically to `location` when given
// (refused when that is a file the run read). With the check, problems end
// the run with status 5 once the document is written.
void write_json(image &img, const json_options &options, const char *location,
                const text_sink &out);

// One live record as the document holds it: offset, tag, name, length,
// locked, data, the decoded text (or the length problem) and the value.
void write_json_record(json_writer &w, image &img, const stored_record &r);

// The record's one number, when its tag holds one and the length fits it
// (the document's "value").
std::optional<int64_t> record_number(uint8_t tag, const uint8_t *data, size_t length);

// A text output of the final phase: to `out`, or atomically to `location`
// (never over a file the run read). Returns what `write` returns.
bool write_text_output(image &img, const char *location, const text_sink &out,
                       const std::function<bool(const text_sink &)> &write);

} // namespace imgforge

#endif
