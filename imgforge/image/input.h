// Reading image files: -r loads the first one and merges every later one.
#ifndef IMGFORGE_IMAGE_INPUT_H
#define IMGFORGE_IMAGE_INPUT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imgforge {

void read_input(const char *path);

// With --check, -r keeps a damaged file instead of refusing it: a file that
// is no image reads as an empty image and a truncated one without the
// warning. What was wrong is kept here for the report.
struct input_problem {
    std::optional<uint32_t> offset; // of the record's data in the image
    std::string text;
};
extern bool keep_damaged_inputs;
const std::vector<input_problem> &input_problems();
// Start of a run: strict reading, nothing noted.
void reset_input_problems();

} // namespace imgforge

#endif
