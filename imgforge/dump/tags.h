// The tag catalogue as a listing (--tags).
#ifndef IMGFORGE_DUMP_TAGS_H
#define IMGFORGE_DUMP_TAGS_H

#include "common/sink.h"

namespace imgforge {

// One line per known tag, in tag order: the tag, its name, its group and its
// length rule.
void list_tags(const text_sink &out);

} // namespace imgforge

#endif
