#include "dump/raw.h"

#include "common/engine.h"
#include "dump/forms.h"

namespace imgforge {

namespace {

uint32_t walk_cb(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len, void *arg)
{
    const text_sink &out = *static_cast<const text_sink *>(arg);
    out.printf("@%04x %02x ", addr, tag);
    print_hex_nvds(record_reader{read_region, region}, addr, len, out);
    out.put('\n');
    return 0;
}

} // namespace

void list_records(nvds_region &region, const text_sink &out)
{
    text_sink sink = out;
    walk_records(region, walk_cb, &sink);
}

} // namespace imgforge
