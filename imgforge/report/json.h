// The image as a JSON document (--json).
#ifndef IMGFORGE_REPORT_JSON_H
#define IMGFORGE_REPORT_JSON_H

namespace imgforge {

// Writes the document on standard output, or atomically to `location` when
// given (refused when that is a file this run read). With `with_check` it
// holds the problems and summary of --check, and the run ends with status 5
// when there are problems.
void write_json(const char *location, bool with_check);

} // namespace imgforge

#endif
