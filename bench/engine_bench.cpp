// Engine benchmarks: put in its forms, walk and look-up, by region size and
// record count.
#include "nvds.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A region of `size` bytes holding `count` records of `len` data bytes,
// written directly (filling through nvds_put would cost a chain walk per
// record). The last record has tag 1, the one the benchmarks work on; the
// others have distinct tags while there are few, workaround tags beyond.
struct filled_region {
    std::vector<uint8_t> bytes;
    nvds_region handle{};
    bool cache;
    uint32_t last = NVDS_FIRST_RECORD; // address of the last record

    filled_region(uint32_t size, uint32_t count, uint16_t len = 4, bool cache = true)
        : bytes(size, 0xFF), cache(cache)
    {
        std::memcpy(bytes.data(), nvds_magic_number, 4);
        uint32_t at = NVDS_FIRST_RECORD;
        for (uint32_t i = 0; i < count; i++) {
            last = at;
            bytes[at] = i + 1 == count ? 1 : count <= 250 ? uint8_t(2 + i) : uint8_t(0xFC + i % 3);
            bytes[at + 1] = 0x06;
            if (len < 128) {
                bytes[at + 2] = uint8_t(len);
                at += 3;
            } else {
                bytes[at + 2] = uint8_t(0x80 | (len & 0x7F));
                bytes[at + 3] = uint8_t(len >> 7);
                at += 4;
            }
            std::fill_n(bytes.begin() + at, len, uint8_t(i));
            at += len;
        }
        open();
    }
    void open()
    {
        nvds_open(&handle, bytes.data(), uint32_t(bytes.size()), nullptr, nullptr);
        nvds_set_tag_cache(&handle, cache);
    }

    uint8_t *last_data() { return bytes.data() + last + 3; }

    // Puts the bytes back after a put changed them.
    void restore(const std::vector<uint8_t> &saved)
    {
        std::copy(saved.begin(), saved.end(), bytes.begin());
        open();
    }
};

constexpr uint32_t SMALL_RECORD = 3 + 4;

void region_args(benchmark::internal::Benchmark *b)
{
    for (int64_t size : {4096, 65536, 1 << 20, 16 << 20})
        for (int64_t count : {10, 100, 1000, 10000, 100000})
            if ((count + 1) * SMALL_RECORD + 8 <= size)
                b->Args({size, count});
}

// Data length that fills a region with `count` records, and whether the
// space left after them is small enough for one record to overflow it.
uint16_t filling_length(uint32_t size, uint32_t count)
{
    return uint16_t(std::min<uint32_t>((size - 8) / count - 4, NVDS_MAX_LENGTH));
}

void full_region_args(benchmark::internal::Benchmark *b)
{
    for (int64_t size : {4096, 65536, 1 << 20, 16 << 20})
        for (int64_t count : {10, 100, 1000, 10000, 100000}) {
            uint32_t len = filling_length(uint32_t(size), uint32_t(count));
            uint64_t end = 4 + uint64_t(count) * (len + (len < 128 ? 3 : 4));
            if (len >= 4 && end + 4 <= uint64_t(size) && uint64_t(size) - end <= NVDS_MAX_LENGTH)
                b->Args({size, count});
        }
}

uint32_t count_cb(nvds_region *, uint8_t, uint32_t, uint16_t, void *arg)
{
    ++*static_cast<uint32_t *>(arg);
    return 0;
}

void BM_walk(benchmark::State &state)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)));
    for (auto _ : state) {
        uint32_t n = 0;
        nvds_walk(&r.handle, count_cb, &n);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_walk)->Apply(region_args);

// A workaround record: a whole chain walk, then the append.
void BM_put_append(benchmark::State &state)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)));
    std::vector<uint8_t> saved = r.bytes;
    uint8_t data[4] = {1, 2, 3, 4};
    for (auto _ : state) {
        benchmark::DoNotOptimize(nvds_put(&r.handle, 0xFE, 4, data));
        state.PauseTiming();
        r.restore(saved);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_put_append)->Apply(region_args);

// The value the last record already holds: a walk and a compare.
void BM_put_identical(benchmark::State &state)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)));
    std::vector<uint8_t> data(r.last_data(), r.last_data() + 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(nvds_put(&r.handle, 1, 4, data.data()));
}
BENCHMARK(BM_put_identical)->Apply(region_args);

// Clears bits of the last record: reprogrammed in place.
void BM_put_in_place(benchmark::State &state)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)));
    uint8_t data[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        state.PauseTiming();
        std::fill_n(r.last_data(), 4, uint8_t(0xFF));
        state.ResumeTiming();
        benchmark::DoNotOptimize(nvds_put(&r.handle, 1, 4, data));
    }
}
BENCHMARK(BM_put_in_place)->Apply(region_args);

// A new value for the last record: appended, the old one deleted.
void BM_put_replace(benchmark::State &state)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)));
    std::vector<uint8_t> saved = r.bytes;
    uint8_t data[5] = {9, 9, 9, 9, 9};
    for (auto _ : state) {
        benchmark::DoNotOptimize(nvds_put(&r.handle, 1, 5, data));
        state.PauseTiming();
        r.restore(saved);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_put_replace)->Apply(region_args);

// A full region whose last record is deleted: a record that does not fit at
// the chain end makes the put compact the chain first.
void BM_put_compaction(benchmark::State &state)
{
    uint32_t size = uint32_t(state.range(0)), count = uint32_t(state.range(1));
    uint16_t len = filling_length(size, count);
    filled_region r(size, count, len);
    uint32_t end = r.last + (len < 128 ? 3 : 4) + len;
    std::vector<uint8_t> data(size - end >= 6 ? size - end - 6 : 0, 9); // one byte too many
    nvds_del(&r.handle, 1);
    std::vector<uint8_t> saved = r.bytes;
    for (auto _ : state) {
        if (nvds_put(&r.handle, 0xFE, uint16_t(data.size()), data.data()) != NVDS_OK)
            state.SkipWithError("put failed");
        state.PauseTiming();
        r.restore(saved);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_put_compaction)->Apply(full_region_args);

// Look-up of the last record, with and without the tag cache (regions above
// 64 KiB never have one).
void lookup(benchmark::State &state, bool cache)
{
    filled_region r(uint32_t(state.range(0)), uint32_t(state.range(1)), 4, cache);
    uint8_t header[4];
    uint32_t address = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(nvds_browse_tag(&r.handle, 1, header, &address));
}
void BM_lookup_cached(benchmark::State &state)
{
    lookup(state, true);
}
void BM_lookup_uncached(benchmark::State &state)
{
    lookup(state, false);
}
BENCHMARK(BM_lookup_cached)->Apply(region_args);
BENCHMARK(BM_lookup_uncached)->Apply(region_args);

} // namespace

BENCHMARK_MAIN();
