// The integrity check (--check): every record of the chain, live, deleted
// and incomplete, and what makes the image unsound.
#ifndef IMGFORGE_REPORT_CHECK_H
#define IMGFORGE_REPORT_CHECK_H

#include "common/sink.h"
#include "image/chain.h"
#include "image/image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imgforge {

struct problem {
    std::optional<uint32_t> offset; // none for the whole image
    std::string text;
};

struct check_summary {
    unsigned live = 0;
    unsigned locked = 0;
    unsigned deleted = 0;
    unsigned incomplete = 0;
    uint32_t used = 0;        // bytes up to the chain end
    uint32_t free = 0;        // bytes after it
    uint32_t reclaimable = 0; // bytes of deleted and incomplete records
};

struct check_report {
    std::vector<problem> problems;
    check_summary summary;
    std::vector<stored_record> live; // in chain order
};

// Checks the image as it stands, without the engine's assertions; the
// problems of its inputs come first.
check_report check_image(const image &img);

// The problems, one line each, then the summary line.
void print_check_report(const check_report &report, const text_sink &out);

} // namespace imgforge

#endif
