// The record chain read straight from an image buffer, whatever the state of
// each record, without the engine's assertions: for inspecting images that
// may be damaged.
#ifndef IMGFORGE_IMAGE_CHAIN_H
#define IMGFORGE_IMAGE_CHAIN_H

#include "nvds.h"

#include <cstdint>

namespace imgforge {

// A record as stored: live, locked, deleted or incomplete.
struct stored_record {
    uint32_t at;   // offset of the header
    uint32_t data; // offset of the data
    uint16_t length;
    uint8_t tag;
    uint8_t status;
};

// Where a walk of the chain stopped: at the end-of-chain tag, or at a record
// whose header or data would pass the end of the region.
struct chain_end {
    uint32_t at;
    bool overrun;
};

// Calls visit(record) for each record from the first one on, in chain order,
// while it returns true.
template <class Visit> chain_end walk_stored(const uint8_t *buf, uint32_t region, Visit &&visit)
{
    uint32_t at = NVDS_FIRST_RECORD;
    for (;;) {
        // The engine always reads four header bytes.
        if (uint64_t(at) + 4 > region)
            return {at, true};
        const uint8_t *header = buf + at;
        if (header[0] == NVDS_END_TAG)
            return {at, false};
        stored_record r{at, at + nvds_header_length(header), nvds_data_length(header), header[0],
                        header[1]};
        uint64_t next = uint64_t(r.data) + r.length;
        if (next > uint64_t(region) - 1)
            return {at, true};
        if (!visit(r))
            return {at, false};
        at = uint32_t(next);
    }
}

} // namespace imgforge

#endif
