// Model check of the engine: operation sequences applied to the engine and to
// a plain list of live records, over two regions with a handle each, the
// operations alternating between them. After every operation the engine's
// walk of each region must list exactly its model's records (tag, data,
// lock) and every status must be one the model allows. The choices come from
// a fuzzer or a seeded generator.
#ifndef IMGFORGE_ENGINE_MODEL_H
#define IMGFORGE_ENGINE_MODEL_H

#include "nvds.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace engine_model {

using bytes = std::vector<uint8_t>;

// Where the choices come from.
struct source {
    virtual ~source() = default;
    virtual uint32_t pick(uint32_t lo, uint32_t hi) = 0; // lo..hi inclusive
    virtual bool more() = 0;                             // another operation?
};

struct record {
    uint8_t tag;
    bytes data;
    bool locked;
    bool operator==(const record &) const = default;
};

// Situations the runs reached, so that a generator can be held to them.
enum event { compaction, no_space, in_place, locked_refusal, duplicate_put, large_region, events };

class checker {
  public:
    std::array<long, events> seen{};

    // Runs one sequence; returns the first disagreement, or "".
    std::string run(source &in)
    {
        choices = &in;
        failure.clear();
        op_name = "init";
        for (world &other : worlds) {
            w = &other;
            init();
        }
        for (step = 0; failure.empty() && in.more(); step++) {
            w = &worlds[pick(0, uint32_t(worlds.size() - 1))];
            operation();
            for (world &each : worlds) {
                w = &each;
                compare();
            }
        }
        return failure;
    }

  private:
    // One region, its handle and its model.
    struct world {
        bytes region;
        nvds_region handle{};
        uint32_t chain_end = 0; // chain end, deleted records included
        std::vector<record> live;
    };
    std::array<world, 2> worlds;
    world *w = nullptr;
    source *choices = nullptr;
    std::string failure, op_name;
    int step = 0;
    uint8_t last_tag = 1;

    uint32_t pick(uint32_t lo, uint32_t hi) { return choices->pick(lo, hi); }
    static uint32_t header_size(size_t len) { return len < 128 ? 3 : 4; }
    static uint32_t size(size_t len) { return uint32_t(header_size(len) + len); }
    static bool workaround(uint8_t tag) { return tag >= NVDS_FIRST_WORKAROUND_TAG; }
    bool fits(uint64_t end, size_t len) const { return end + size(len) + 4 <= w->region.size(); }

    bool fail(const std::string &what)
    {
        if (failure.empty())
            failure = "operation " + std::to_string(step) + " (" + op_name + "): " + what;
        return false;
    }
    bool check(bool ok, const char *what) { return ok || fail(what); }

    std::vector<size_t> of_tag(uint8_t tag) const
    {
        std::vector<size_t> at;
        for (size_t i = 0; i < w->live.size(); i++)
            if (w->live[i].tag == tag)
                at.push_back(i);
        return at;
    }
    uint32_t compacted_end(int skip_tag) const
    {
        uint32_t n = NVDS_FIRST_RECORD;
        for (const record &r : w->live)
            n += r.tag == skip_tag ? 0 : size(r.data.size());
        return n;
    }

    static uint32_t collect(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len,
                            void *arg)
    {
        record r{tag, bytes(len), false};
        uint8_t status = 0;
        nvds_read(region, addr, len, r.data.data());
        nvds_read(region, addr - header_size(len) + 1, 1, &status);
        r.locked = !(status & NVDS_STATUS_UNLOCKED);
        static_cast<std::vector<record> *>(arg)->push_back(std::move(r));
        return 0;
    }
    std::vector<record> walk()
    {
        std::vector<record> out;
        check(nvds_walk(&w->handle, collect, &out) == NVDS_TAG_NOT_DEFINED, "walk status");
        return out;
    }
    void compare()
    {
        check(walk() == w->live, "live records differ from the model");
        uint32_t address = NVDS_FIRST_RECORD, next = 0;
        uint8_t header[4];
        while (nvds_walk_tag(&w->handle, address, header, &next) == NVDS_OK)
            address = next;
        check(address == w->chain_end && nvds_chain_end(&w->handle) == w->chain_end, "chain end");
        check(!w->handle.fault.condition, "engine fault");
    }

    // Mostly small regions, so that compaction and refusals are frequent.
    void init()
    {
        uint32_t kind = pick(0, 7), top = NVDS_CACHE_MAX_REGION;
        uint32_t n = kind < 6 ? pick(8, 300) : kind == 6 ? pick(300, top) : pick(top + 1, 70000);
        seen[large_region] += n > top;
        w->region.assign(n, uint8_t(pick(0, 255)));
        w->region[0] = 0; // no magic: to be formatted
        w->live.clear();
        w->chain_end = NVDS_FIRST_RECORD;
        check(nvds_open(&w->handle, w->region.data(), uint32_t(n), nullptr, nullptr) ==
                  NVDS_NOT_FORMATTED,
              "open of an unformatted region");
        check(nvds_format(&w->handle) == NVDS_OK, "format");
        bind();
    }
    void bind()
    {
        check(nvds_open(&w->handle, w->region.data(), uint32_t(w->region.size()), nullptr,
                        nullptr) == NVDS_OK,
              "open");
        nvds_set_tag_cache(&w->handle, int(pick(0, 1)));
    }

    // Often the tag of the operation before, so that operations meet.
    uint8_t pick_tag()
    {
        uint32_t kind = pick(0, 4);
        if (kind > 0)
            last_tag = uint8_t(kind == 1   ? NVDS_FIRST_WORKAROUND_TAG + pick(0, 2)
                               : kind == 2 ? pick(0, 255)
                                           : pick(1, 4));
        return last_tag;
    }
    // Mostly a record's data of the tag with bits cleared (or set), else new data.
    bytes pick_data(uint8_t tag)
    {
        std::vector<size_t> at = of_tag(tag);
        if (!at.empty() && pick(0, 3) != 0) {
            bytes data = w->live[at[pick(0, uint32_t(at.size() - 1))]].data;
            bool clear = pick(0, 3) != 0;
            uint8_t mask = uint8_t(pick(0, 255));
            for (uint8_t &b : data)
                b = clear ? b & mask : b | mask;
            return data;
        }
        uint32_t kind = pick(0, 3);
        size_t len = pick(0, kind < 2 ? 8 : kind == 2 ? uint32_t(w->region.size() / 3) : 300);
        if (pick(0, 63) == 0)
            len = NVDS_MAX_LENGTH + 1;
        bytes data(len, uint8_t(pick(0, 255)));
        for (size_t i = 0; i < std::min<size_t>(len, 16); i++)
            data[i] = uint8_t(pick(0, 255));
        return data;
    }

    // One operation; loads, deletes and puts are picked more often.
    void operation()
    {
        static const char *const names[] = {
            "init", "re-init",         "load", "load",   "get", "delete", "delete",
            "lock", "delete unlocked", "put",  "compact"};
        uint8_t tag = pick_tag();
        uint32_t draw = pick(0, 14);
        uint32_t op = draw == 14 ? 10 : std::min(draw, 9u);
        bytes data = op == 2 || op == 3 || op == 9 ? pick_data(tag) : bytes{};
        op_name = std::string(names[op]) + " tag " + std::to_string(tag) + " length " +
                  std::to_string(data.size());
        if (op == 0)
            init();
        else if (op == 1)
            bind();
        else if (op < 4)
            load(tag, data);
        else if (op == 4)
            get(tag);
        else if (op < 8)
            change(tag, op < 7);
        else if (op == 8)
            delete_workarounds(tag);
        else if (op == 9)
            check(nvds_put(&w->handle, tag, uint16_t(data.size()), data.data()) == put(tag, data),
                  "put status");
        else
            compact();
    }

    // The model's put.
    uint8_t put(uint8_t tag, const bytes &data)
    {
        if (tag == NVDS_END_TAG)
            return NVDS_FAIL;
        if (data.size() > NVDS_MAX_LENGTH)
            return NVDS_LENGTH_OUT_OF_RANGE;
        std::vector<size_t> at = workaround(tag) ? std::vector<size_t>{} : of_tag(tag);
        seen[duplicate_put] += at.size() > 1;
        std::vector<record> &live = w->live;
        uint32_t &chain_end = w->chain_end;
        for (size_t i : at) {
            record &r = live[i];
            if (r.locked)
                return seen[locked_refusal]++, NVDS_PARAM_LOCKED;
            bool clears_bits = r.data.size() == data.size() &&
                               std::equal(data.begin(), data.end(), r.data.begin(),
                                          [](uint8_t d, uint8_t s) { return (d | s) == s; });
            if (!clears_bits)
                continue;
            // Programmed in place; the earlier records of the tag go.
            seen[in_place]++;
            r.data = data;
            auto first = live.begin(), found = first + long(i);
            live.erase(std::remove_if(first, found, [&](const record &o) { return o.tag == tag; }),
                       found);
            return NVDS_OK;
        }
        int replaced = workaround(tag) ? -1 : tag;
        if (!fits(chain_end, data.size())) {
            seen[compaction]++;
            chain_end = compacted_end(replaced);
            if (!fits(chain_end, data.size())) {
                chain_end = compacted_end(-1);
                return seen[no_space]++, NVDS_NO_SPACE_AVAILABLE;
            }
        }
        std::erase_if(live, [&](const record &r) { return r.tag == replaced; });
        live.push_back({tag, data, false});
        chain_end += size(data.size());
        return NVDS_OK;
    }

    // A record written by another tool (an image with duplicates, locked or
    // unfinished records), then the engine bound again.
    void load(uint8_t tag, const bytes &data)
    {
        size_t n = data.size();
        uint8_t status = uint8_t(0x04 + pick(0, 3)); // live or invalid, locked or not
        if (tag == NVDS_END_TAG || n > NVDS_MAX_LENGTH || !fits(w->chain_end, n))
            return;
        uint8_t header[4] = {tag, status, uint8_t(n < 128 ? n : 0x80 | (n & 0x7F)),
                             uint8_t(n >> 7)};
        auto at = w->region.begin() + w->chain_end;
        std::copy(header, header + header_size(n), at);
        std::copy(data.begin(), data.end(), at + header_size(n));
        w->chain_end += size(n);
        if (!(status & NVDS_STATUS_INVALID))
            w->live.push_back({tag, data, !(status & NVDS_STATUS_UNLOCKED)});
        bind();
    }

    // With several records of the tag, any may answer.
    void get(uint8_t tag)
    {
        uint16_t len = uint16_t(pick(0, 400)), got = len;
        bytes buf(len);
        uint8_t status = nvds_get(&w->handle, tag, &got, buf.data());
        std::vector<size_t> at = of_tag(tag);
        auto answers = [&](size_t i) {
            const bytes &d = w->live[i].data;
            return status == NVDS_OK
                       ? got == d.size() && std::equal(d.begin(), d.end(), buf.begin())
                       : status == NVDS_LENGTH_OUT_OF_RANGE && got == len && d.size() > len;
        };
        check(at.empty() ? status == NVDS_TAG_NOT_DEFINED && got == 0
                         : std::any_of(at.begin(), at.end(), answers),
              "get result");
    }

    // Delete and lock act on the record the look-up finds; with several of
    // the tag that is the look-up's choice, and the walk tells which.
    void change(uint8_t tag, bool del)
    {
        uint8_t status = del ? nvds_del(&w->handle, tag) : nvds_lock(&w->handle, tag);
        std::vector<size_t> at = of_tag(tag);
        auto locked = [&](size_t i) { return w->live[i].locked; };
        if (at.empty())
            return void(check(status == NVDS_TAG_NOT_DEFINED, "status of an absent tag"));
        if (del && status == NVDS_PARAM_LOCKED)
            return void(check(std::any_of(at.begin(), at.end(), locked), "refused, none locked"));
        if (!check(status == NVDS_OK, "status"))
            return;
        std::vector<record> walked = walk();
        for (size_t i : at) {
            std::vector<record> after = w->live;
            if (!del)
                after[i].locked = true;
            else if (!locked(i))
                after.erase(after.begin() + long(i));
            if (after == walked && !(del && locked(i)))
                return void(w->live = std::move(after));
        }
        fail("no record of the tag changed as asked");
    }

    // The live records move to the front in their order; nothing else stays.
    void compact()
    {
        check(nvds_compact(&w->handle) == NVDS_OK, "compact status");
        w->chain_end = compacted_end(-1);
        for (size_t i = w->chain_end; i < w->region.size(); i++)
            if (!check(w->region[i] == 0xFF, "erased after a compaction"))
                break;
    }

    void delete_workarounds(uint8_t tag)
    {
        uint8_t status = nvds_del_all_unlocked_workarounds(&w->handle, tag);
        check(status == (workaround(tag) ? NVDS_OK : NVDS_FAIL), "delete-all status");
        if (workaround(tag))
            std::erase_if(w->live, [tag](const record &r) { return r.tag == tag && !r.locked; });
    }
};

} // namespace engine_model

#endif
