// --manifest: records described in JSON, in the shape --json prints.
#ifndef IMGFORGE_COMPOSE_MANIFEST_H
#define IMGFORGE_COMPOSE_MANIFEST_H

#include "image/image.h"

#include <string>
#include <string_view>

namespace imgforge {

// Reads and checks the whole manifest, then puts its records in order into
// the image as it stands (locking those marked "locked"). A manifest with
// any error changes nothing.
void apply_manifest(image &img, const char *path);

// The same for a manifest's text: `path` names it in messages, its file
// paths start at `dir`.
void apply_manifest_text(image &img, std::string_view text, const std::string &path,
                         const std::string &dir);

} // namespace imgforge

#endif
