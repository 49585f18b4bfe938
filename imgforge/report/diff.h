// --diff: two images compared by content, not layout: the live records of
// each tag (data and lock; the records of a tag paired in chain order) and,
// in OTP form, the hardware word.
#ifndef IMGFORGE_REPORT_DIFF_H
#define IMGFORGE_REPORT_DIFF_H

#include "common/sink.h"
#include "image/image.h"

#include <string>

namespace imgforge {

// Compares `left` with the file at `path`, read as a first -r would read it
// in the left image's form and size, and writes the differences as text (or
// with `json` as a document) to `out`, or atomically to `location`. Images
// that differ end the run with status 6 once the report is written.
void diff_images(image &left, const char *path, bool json, const char *location,
                 const text_sink &out);

// The --json form of the comparison of two images of the same form (the
// sizes may differ).
std::string diff_document(image &left, image &right);

} // namespace imgforge

#endif
