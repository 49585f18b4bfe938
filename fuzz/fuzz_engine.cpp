// Model check of the engine: fuzzed operation sequences applied to the
// engine and to a plain list of live records; after every operation the
// engine's walk must list exactly the model's records and every status must
// be the one the model predicts.
#include "nvds.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

struct model_record {
    uint8_t tag;
    bytes data;
    bool locked;
};

uint32_t record_size(size_t len)
{
    return uint32_t((len < 128 ? 3 : 4) + len);
}
bool workaround(uint8_t tag)
{
    return tag >= NVDS_FIRST_WORKAROUND_TAG;
}

struct model {
    uint32_t total_size = 0;
    uint32_t end = NVDS_FIRST_RECORD; // chain end, deleted records included
    std::vector<model_record> live;

    model_record *find(uint8_t tag)
    {
        for (model_record &r : live)
            if (r.tag == tag)
                return &r;
        return nullptr;
    }

    uint32_t live_size(int skip_tag) const
    {
        uint32_t n = 0;
        for (const model_record &r : live)
            if (r.tag != skip_tag)
                n += record_size(r.data.size());
        return n;
    }

    uint8_t put(uint8_t tag, const bytes &data)
    {
        if (tag == NVDS_END_TAG)
            return NVDS_FAIL;
        if (data.size() > NVDS_MAX_LENGTH)
            return NVDS_LENGTH_OUT_OF_RANGE;
        model_record *old = workaround(tag) ? nullptr : find(tag);
        if (old && old->locked)
            return NVDS_PARAM_LOCKED;
        if (old && old->data.size() == data.size() && programmable(old->data, data)) {
            old->data = data;
            return NVDS_OK;
        }
        uint32_t size = record_size(data.size());
        if (uint64_t(end) + size + 4 > total_size) {
            int replaced = old ? tag : -1;
            uint32_t kept = live_size(replaced);
            if (uint64_t(NVDS_FIRST_RECORD) + kept + size + 4 > total_size) {
                end = NVDS_FIRST_RECORD + live_size(-1);
                return NVDS_NO_SPACE_AVAILABLE;
            }
            end = NVDS_FIRST_RECORD + kept;
        }
        if (old)
            live.erase(live.begin() + (old - live.data()));
        live.push_back({tag, data, false});
        end += size;
        return NVDS_OK;
    }

    static bool programmable(const bytes &stored, const bytes &data)
    {
        for (size_t i = 0; i < data.size(); i++)
            if ((data[i] | stored[i]) != stored[i])
                return false;
        return true;
    }
};

model m;
bytes region;

uint32_t collect(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg)
{
    auto &out = *static_cast<std::vector<model_record> *>(arg);
    model_record r{tag, bytes(len), false};
    read(addr, len, r.data.data());
    out.push_back(std::move(r));
    return 0;
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "model mismatch: %s\n", what);
        std::abort();
    }
}

void compare_with_model()
{
    std::vector<model_record> walked;
    check(nvds_walk(collect, &walked) == NVDS_TAG_NOT_DEFINED, "walk status");
    check(walked.size() == m.live.size(), "number of live records");
    for (size_t i = 0; i < walked.size(); i++) {
        check(walked[i].tag == m.live[i].tag, "tag order");
        check(walked[i].data == m.live[i].data, "record data");
    }
    uint32_t address = NVDS_FIRST_RECORD;
    uint8_t header[4];
    uint32_t next = 0;
    while (nvds_walk_tag(address, header, &next) == NVDS_OK)
        address = next;
    check(address == m.end, "chain end");
    check(m.end + 4 <= m.total_size, "chain reserve");
}

void init_region(FuzzedDataProvider &in)
{
    size_t size = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(8, 600)
                                   : in.ConsumeIntegralInRange<size_t>(600, 70000);
    nvds_disable_tag_cache = in.ConsumeBool();
    region.assign(size, 0);
    check(nvds_init(region.data(), uint32_t(size)) == NVDS_OK, "init");
    m = model{uint32_t(size), NVDS_FIRST_RECORD, {}};
}

uint8_t pick_tag(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return uint8_t(NVDS_FIRST_WORKAROUND_TAG + in.ConsumeIntegralInRange(0, 2));
    case 1:
        return in.ConsumeIntegral<uint8_t>();
    default:
        return uint8_t(in.ConsumeIntegralInRange(1, 6));
    }
}

bytes pick_data(FuzzedDataProvider &in)
{
    size_t len = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 8)
                                  : in.ConsumeIntegralInRange<size_t>(0, 300);
    if (in.ConsumeIntegralInRange(0, 63) == 0)
        len = NVDS_MAX_LENGTH + 1;
    bytes data(len, in.ConsumeIntegral<uint8_t>());
    bytes given = in.ConsumeBytes<uint8_t>(std::min<size_t>(len, 16));
    std::copy(given.begin(), given.end(), data.begin());
    return data;
}

// One look-up operation on a tag that never has more than one live record.
void lookup_op(FuzzedDataProvider &in, uint8_t tag)
{
    model_record *r = m.find(tag);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        uint16_t len = in.ConsumeIntegralInRange<uint16_t>(0, 400);
        bytes buf(len);
        uint16_t got = len;
        uint8_t status = nvds_get(tag, &got, buf.data());
        if (!r) {
            check(status == NVDS_TAG_NOT_DEFINED && got == 0, "get of an absent tag");
        } else if (r->data.size() > len) {
            check(status == NVDS_LENGTH_OUT_OF_RANGE && got == len, "get into a short buffer");
        } else {
            check(status == NVDS_OK && got == r->data.size(), "get status");
            check(std::equal(r->data.begin(), r->data.end(), buf.begin()), "get data");
        }
        break;
    }
    case 1: {
        uint8_t status = nvds_del(tag);
        check(status == (!r          ? NVDS_TAG_NOT_DEFINED
                         : r->locked ? NVDS_PARAM_LOCKED
                                     : NVDS_OK),
              "delete status");
        if (status == NVDS_OK)
            m.live.erase(m.live.begin() + (r - m.live.data()));
        break;
    }
    default:
        check(nvds_lock(tag) == (r ? NVDS_OK : NVDS_TAG_NOT_DEFINED), "lock status");
        if (r)
            r->locked = true;
    }
}

void delete_workarounds(uint8_t tag)
{
    uint8_t status = nvds_del_all_unlocked_workarounds(tag);
    check(status == (workaround(tag) ? NVDS_OK : NVDS_FAIL), "delete-all status");
    if (workaround(tag))
        std::erase_if(m.live, [tag](const model_record &r) { return r.tag == tag && !r.locked; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    nvds_set_backend(nullptr);
    init_region(in);
    while (in.remaining_bytes() > 0) {
        uint8_t tag = pick_tag(in);
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            init_region(in);
            break;
        case 1:
            nvds_disable_tag_cache = in.ConsumeBool();
            check(nvds_init(region.data(), uint32_t(region.size())) == NVDS_OK, "re-init");
            break;
        case 2:
        case 3:
            if (!workaround(tag) && tag != NVDS_END_TAG)
                lookup_op(in, tag);
            break;
        case 4:
            delete_workarounds(tag);
            break;
        default: {
            bytes d = pick_data(in);
            check(nvds_put(tag, uint16_t(std::min<size_t>(d.size(), 0xFFFF)), d.data()) ==
                      m.put(tag, d),
                  "put status");
        }
        }
        compare_with_model();
    }
    nvds_disable_tag_cache = 0;
    return 0;
}
