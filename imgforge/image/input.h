// Reading image files: -r loads the first one and merges every later one.
#ifndef IMGFORGE_IMAGE_INPUT_H
#define IMGFORGE_IMAGE_INPUT_H

namespace imgforge {

void read_input(const char *path);

} // namespace imgforge

#endif
