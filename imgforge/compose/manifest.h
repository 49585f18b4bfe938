// --manifest: records described in JSON, in the shape --json prints.
#ifndef IMGFORGE_COMPOSE_MANIFEST_H
#define IMGFORGE_COMPOSE_MANIFEST_H

#include "image/image.h"

namespace imgforge {

// Reads and checks the whole manifest, then puts its records in order into
// the image as it stands (locking those marked "locked"). A manifest with
// any error changes nothing.
void apply_manifest(image &img, const char *path);

} // namespace imgforge

#endif
