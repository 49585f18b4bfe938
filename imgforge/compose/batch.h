// --batch: one image per row of a CSV table of devices.
#ifndef IMGFORGE_COMPOSE_BATCH_H
#define IMGFORGE_COMPOSE_BATCH_H

#include "image/image.h"

namespace imgforge {

// For every row of the table: the image as the options left it (the
// template), the row's records put into it, written as -b writes it (the
// whole flash with `full`) to "<dir>/<id>.bin"; the summary goes to
// img.env.warnings. The whole table and every output path are checked
// before the first image is written.
void write_batch(image &img, const char *table, const char *dir, bool full);

} // namespace imgforge

#endif
