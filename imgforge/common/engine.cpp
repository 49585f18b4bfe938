#include "common/engine.h"

#include "common/format.h"
#include "error.h"

#include <exception>

namespace imgforge {

void check_engine(nvds_region &region)
{
    nvds_fault fault = region.fault;
    if (!fault.condition)
        return;
    region.fault = {};
    fail(EXIT_ASSERT, format("ASSERT ERR(%s) at %s:%d\n", fault.condition, fault.file, fault.line));
}

namespace {

struct guarded_walk {
    nvds_walk_cb visit;
    void *arg;
    std::exception_ptr thrown;
};

// The engine is not unwound through: a failure of the visitor is kept and
// ends the walk.
uint32_t visit_guarded(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len, void *arg)
{
    guarded_walk &walk = *static_cast<guarded_walk *>(arg);
    try {
        return walk.visit(region, tag, addr, len, walk.arg);
    } catch (...) {
        walk.thrown = std::current_exception();
        return 1;
    }
}

} // namespace

uint32_t walk_records(nvds_region &region, nvds_walk_cb visit, void *arg)
{
    guarded_walk walk{visit, arg, nullptr};
    uint32_t result = nvds_walk(&region, visit_guarded, &walk);
    if (walk.thrown)
        std::rethrow_exception(walk.thrown);
    check_engine(region);
    return result;
}

int read_region(void *region, uint32_t address, uint32_t length, uint8_t *dst)
{
    return nvds_read(static_cast<nvds_region *>(region), address, length, dst);
}

} // namespace imgforge
