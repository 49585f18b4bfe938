// The dispatcher of the decoded dump (-p): one line per record, the tag's
// name and its content as the tag's decoder prints it.
#ifndef IMGFORGE_DUMP_DISPATCH_H
#define IMGFORGE_DUMP_DISPATCH_H

#include "common/files.h"
#include "common/sink.h"
#include "nvds.h"

#include <cstdint>

namespace imgforge {

// The decoded listing of every live record of the region, to `out` (the
// decoders' complaints to out.messages()). A record of a wrong length for
// its tag throws the assertion diagnostic (status 4) after the lines before
// it. With `output_location` the USER_APP record is written to that file
// (through `env`); a failure there is reported among the messages and,
// once the listing is complete, throws an error without text (status 2).
void pretty_dump(nvds_region &region, const char *output_location, const text_sink &out,
                 const output_env &env);

// What the listing prints for one record after its "@%04x NAME " prefix,
// without the final line end; false, printing nothing, for an unknown tag,
// a range marker or a length the listing stops on. No file is written.
bool print_content(nvds_region &region, uint8_t tag, uint32_t addr, uint16_t len,
                   const text_sink &out);
// Whether print_content prints a record of this tag and length.
bool has_content(uint8_t tag, uint16_t len);

} // namespace imgforge

#endif
