#include "nvds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

bytes filled(size_t n, uint8_t first)
{
    bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = uint8_t(first + i);
    return b;
}

struct record {
    uint8_t tag;
    uint32_t addr;
    bytes data;
    bool operator==(const record &) const = default;
};

uint32_t collect(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg)
{
    record r{tag, addr, bytes(len)};
    read(addr, len, r.data.data());
    static_cast<std::vector<record> *>(arg)->push_back(std::move(r));
    return 0;
}

std::vector<record> live_records()
{
    std::vector<record> out;
    EXPECT_EQ(nvds_walk(collect, &out), NVDS_TAG_NOT_DEFINED);
    return out;
}

// Engine bound to an in-memory region; the cache setting is chosen per test.
class Engine : public testing::Test {
  protected:
    bytes region;

    void SetUp() override { bind(256); }
    void TearDown() override
    {
        nvds_set_backend(nullptr);
        nvds_disable_tag_cache = 0;
    }

    void bind(size_t size, uint8_t fill = 0)
    {
        region.assign(size, fill);
        ASSERT_EQ(nvds_init(region.data(), uint32_t(size)), NVDS_OK);
    }

    uint8_t put(uint8_t tag, const bytes &data)
    {
        return nvds_put(tag, uint16_t(data.size()), data.data());
    }

    bytes get(uint8_t tag)
    {
        bytes out(NVDS_MAX_LENGTH);
        uint16_t len = uint16_t(out.size());
        if (nvds_get(tag, &len, out.data()) != NVDS_OK)
            return {};
        out.resize(len);
        return out;
    }

    // End of the chain: the first record position holding the end tag.
    uint32_t chain_end()
    {
        uint32_t address = NVDS_FIRST_RECORD;
        uint8_t header[4];
        uint32_t next = 0;
        while (nvds_walk_tag(address, header, &next) == NVDS_OK)
            address = next;
        return address;
    }
};

TEST_F(Engine, InitFormatsForeignMemoryAndKeepsAnImage)
{
    EXPECT_EQ(bytes(region.begin(), region.begin() + 4), (bytes{'N', 'V', 'D', 'S'}));
    for (size_t i = 4; i < region.size(); i++)
        ASSERT_EQ(region[i], 0xFF) << i;

    ASSERT_EQ(put(0x10, {1, 2}), NVDS_OK);
    bytes before = region;
    ASSERT_EQ(nvds_init(region.data(), uint32_t(region.size())), NVDS_OK);
    EXPECT_EQ(region, before);
}

TEST_F(Engine, HeaderFormsByLength)
{
    struct {
        uint16_t length;
        bytes length_bytes;
    } cases[] = {{0, {0x00}},
                 {127, {0x7F}},
                 {128, {0x80, 0x01}},
                 {300, {0xAC, 0x02}},
                 {32767, {0xFF, 0xFF}}};
    for (const auto &c : cases) {
        bind(70000);
        ASSERT_EQ(put(0x20, filled(c.length, 0)), NVDS_OK);
        EXPECT_EQ(region[4], 0x20);
        EXPECT_EQ(region[5], 0x06);
        EXPECT_EQ(bytes(region.begin() + 6, region.begin() + 6 + long(c.length_bytes.size())),
                  c.length_bytes)
            << c.length;
        size_t data_at = 6 + c.length_bytes.size();
        EXPECT_EQ(bytes(region.begin() + long(data_at), region.begin() + long(data_at) + c.length),
                  filled(c.length, 0));
        EXPECT_EQ(region[data_at + c.length], 0xFF);
        EXPECT_EQ(get(0x20), filled(c.length, 0));
    }
}

TEST_F(Engine, PutRefusesEndTagAndOverlongData)
{
    bytes before = region;
    EXPECT_EQ(put(0xFF, {1}), NVDS_FAIL);
    bytes big(0x8000, 0);
    EXPECT_EQ(nvds_put(0x10, 0x8000, big.data()), NVDS_LENGTH_OUT_OF_RANGE);
    EXPECT_EQ(region, before);
}

TEST_F(Engine, ReplacingPuts)
{
    ASSERT_EQ(put(0x0A, {0xF0, 0x0F}), NVDS_OK);
    ASSERT_EQ(put(0x0B, {0x55}), NVDS_OK);

    // Identical data: nothing written at all.
    bytes before = region;
    EXPECT_EQ(put(0x0A, {0xF0, 0x0F}), NVDS_OK);
    EXPECT_EQ(region, before);

    // Only clears bits: reprogrammed in place, no record added.
    EXPECT_EQ(put(0x0A, {0x30, 0x0E}), NVDS_OK);
    EXPECT_EQ(region[7], 0x30);
    EXPECT_EQ(region[8], 0x0E);
    EXPECT_EQ(chain_end(), 13u);

    // Sets a bit: the old record is deleted (0x06 -> 0x02), the new one appended.
    EXPECT_EQ(put(0x0A, {0x31, 0x0E}), NVDS_OK);
    EXPECT_EQ(region[5], 0x02);
    EXPECT_EQ(live_records(), (std::vector<record>{{0x0B, 12, {0x55}}, {0x0A, 16, {0x31, 0x0E}}}));

    // Another length: delete and append as well.
    EXPECT_EQ(put(0x0B, {0x55, 0x55}), NVDS_OK);
    EXPECT_EQ(region[10], 0x02);
    EXPECT_EQ(get(0x0B), (bytes{0x55, 0x55}));
}

TEST_F(Engine, WorkaroundTagsAccumulate)
{
    ASSERT_EQ(put(0xFC, {1}), NVDS_OK);
    ASSERT_EQ(put(0xFC, {1}), NVDS_OK);
    ASSERT_EQ(put(0xFD, {2}), NVDS_OK);
    EXPECT_EQ(live_records(),
              (std::vector<record>{{0xFC, 7, {1}}, {0xFC, 11, {1}}, {0xFD, 15, {2}}}));
}

TEST_F(Engine, LockedRecordsRefusePutAndDelete)
{
    ASSERT_EQ(put(0x05, {9}), NVDS_OK);
    ASSERT_EQ(nvds_lock(0x05), NVDS_OK);
    EXPECT_EQ(region[5], 0x04);
    ASSERT_EQ(nvds_lock(0x05), NVDS_OK);
    EXPECT_EQ(region[5], 0x04);
    bytes before = region;
    EXPECT_EQ(put(0x05, {8}), NVDS_PARAM_LOCKED);
    EXPECT_EQ(put(0x05, {9}), NVDS_PARAM_LOCKED);
    EXPECT_EQ(nvds_del(0x05), NVDS_PARAM_LOCKED);
    EXPECT_EQ(region, before);
    EXPECT_EQ(get(0x05), bytes{9});
}

TEST_F(Engine, DeleteGetAndWorkaroundDeletion)
{
    EXPECT_EQ(nvds_del(0x33), NVDS_TAG_NOT_DEFINED);
    uint8_t buf[4];
    uint16_t len = 4;
    EXPECT_EQ(nvds_get(0x33, &len, buf), NVDS_TAG_NOT_DEFINED);
    EXPECT_EQ(len, 0);

    ASSERT_EQ(put(0x33, {1, 2, 3}), NVDS_OK);
    len = 2;
    EXPECT_EQ(nvds_get(0x33, &len, buf), NVDS_LENGTH_OUT_OF_RANGE);
    EXPECT_EQ(len, 2);
    uint8_t len8 = 4;
    EXPECT_EQ(nvds_get8(0x33, &len8, buf), NVDS_OK);
    EXPECT_EQ(len8, 3);

    EXPECT_EQ(nvds_del(0x33), NVDS_OK);
    EXPECT_EQ(get(0x33), bytes{});
    EXPECT_EQ(nvds_del(0x33), NVDS_TAG_NOT_DEFINED);

    EXPECT_EQ(nvds_del_all_unlocked_workarounds(0x10), NVDS_FAIL);
    EXPECT_EQ(nvds_del_all_unlocked_workarounds(0xFD), NVDS_OK);
    ASSERT_EQ(put(0xFD, {1}), NVDS_OK);
    ASSERT_EQ(nvds_lock(0xFD), NVDS_OK);
    ASSERT_EQ(put(0xFD, {2}), NVDS_OK);
    ASSERT_EQ(put(0xFD, {3}), NVDS_OK);
    ASSERT_EQ(put(0xFE, {4}), NVDS_OK);
    EXPECT_EQ(nvds_del_all_unlocked_workarounds(0xFD), NVDS_OK);
    auto live = live_records();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].data, bytes{1});
    EXPECT_EQ(live[1].tag, 0xFE);
}

TEST_F(Engine, WorkaroundDeleteFindsEveryRecordThroughStaleCache)
{
    ASSERT_EQ(put(0xFC, {1}), NVDS_OK);
    ASSERT_EQ(put(0xFC, {2}), NVDS_OK);
    // The cache holds the record put last: it goes first.
    ASSERT_EQ(nvds_del(0xFC), NVDS_OK);
    EXPECT_EQ(get(0xFC), bytes{1});
    ASSERT_EQ(nvds_del(0xFC), NVDS_OK);
    EXPECT_EQ(nvds_del(0xFC), NVDS_TAG_NOT_DEFINED);
}

TEST_F(Engine, CompactionMovesLiveRecordsDownInOrder)
{
    bind(32);
    ASSERT_EQ(put(0x01, {1, 1}), NVDS_OK);    // 4..8
    ASSERT_EQ(put(0x02, {2, 2}), NVDS_OK);    // 9..13
    ASSERT_EQ(put(0x01, {3, 3}), NVDS_OK);    // 14..18, deletes the first
    ASSERT_EQ(put(0x03, {4, 4, 4}), NVDS_OK); // 19..24, end 25 + reserve 4 <= 32
    ASSERT_EQ(put(0x04, {5}), NVDS_OK);       // needs 25 + 4 + 4 > 32: compacts
    EXPECT_EQ(live_records(),
              (std::vector<record>{
                  {0x02, 7, {2, 2}}, {0x01, 12, {3, 3}}, {0x03, 17, {4, 4, 4}}, {0x04, 23, {5}}}));
    for (size_t i = 24; i < region.size(); i++)
        EXPECT_EQ(region[i], 0xFF) << i;
    // The cache was rebuilt with the moved addresses.
    EXPECT_EQ(get(0x03), (bytes{4, 4, 4}));
    EXPECT_EQ(nvds_del(0x02), NVDS_OK);
    EXPECT_EQ(region[5], 0x02);
}

TEST_F(Engine, ReplaceThatCompactsDropsTheOldRecord)
{
    bind(24);
    ASSERT_EQ(put(0x01, {1, 1, 1}), NVDS_OK); // 4..9
    ASSERT_EQ(put(0x02, {2, 2, 2}), NVDS_OK); // 10..15, end 16
    ASSERT_EQ(put(0x01, {7, 7, 8}), NVDS_OK); // 16 + 6 + 4 > 24: compact without the old 0x01
    EXPECT_EQ(live_records(), (std::vector<record>{{0x02, 7, {2, 2, 2}}, {0x01, 13, {7, 7, 8}}}));
}

TEST_F(Engine, RefusedPutKeepsEveryLiveRecord)
{
    bind(24);
    ASSERT_EQ(put(0x01, {1, 1, 1}), NVDS_OK);
    ASSERT_EQ(put(0x02, {2, 2, 2}), NVDS_OK);
    auto before = live_records();
    // Does not fit even after dropping the old record of tag 0x02.
    EXPECT_EQ(put(0x02, bytes(10, 9)), NVDS_NO_SPACE_AVAILABLE);
    EXPECT_EQ(live_records(), before);
    EXPECT_EQ(get(0x02), (bytes{2, 2, 2}));
    // The same after deleted records were compacted away.
    ASSERT_EQ(nvds_del(0x01), NVDS_OK);
    EXPECT_EQ(put(0x02, bytes(14, 9)), NVDS_NO_SPACE_AVAILABLE);
    EXPECT_EQ(live_records(), (std::vector<record>{{0x02, 7, {2, 2, 2}}}));
}

TEST_F(Engine, EightByteRegionHoldsNoRecord)
{
    bind(8);
    EXPECT_EQ(put(0x01, {}), NVDS_NO_SPACE_AVAILABLE);
    EXPECT_EQ(live_records(), std::vector<record>{});
}

TEST_F(Engine, LookUpAfterAReachedEndStillFindsAnUnindexedTag)
{
    ASSERT_EQ(put(0x01, {1}), NVDS_OK);
    ASSERT_EQ(put(0x02, {2}), NVDS_OK);
    ASSERT_EQ(put(0x03, {3}), NVDS_OK);
    // Fresh binding: nothing indexed yet.
    ASSERT_EQ(nvds_init(region.data(), uint32_t(region.size())), NVDS_OK);
    ASSERT_EQ(put(0x04, {4}), NVDS_OK); // cached at the chain end
    ASSERT_EQ(nvds_del(0x04), NVDS_OK);
    EXPECT_EQ(get(0x04), bytes{}); // walk from the stale entry reaches the end
    EXPECT_EQ(get(0x02), bytes{2});
    EXPECT_EQ(get(0x01), bytes{1});
    EXPECT_EQ(get(0x03), bytes{3});
    EXPECT_EQ(get(0x05), bytes{});
}

// Assertion diagnostics: the text names the engine source and the run ends
// with status 4.
void expect_assert(const std::function<void()> &op, const std::string &condition)
{
    testing::internal::CaptureStderr();
    int status = 0;
    try {
        op();
    } catch (const nvds_abort &a) {
        status = a.status;
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 4);
    std::string prefix = "ASSERT ERR(" + condition + ") at modules/nvds/src/nvds.cpp:";
    EXPECT_EQ(err.substr(0, prefix.size()), prefix) << err;
    EXPECT_EQ(err.back(), '\n');
}

TEST_F(Engine, CorruptChainsRaiseTheAssertion)
{
    // A record whose data run past the region.
    bind(32);
    region[4] = 0x01, region[5] = 0x06, region[6] = 40;
    expect_assert([] { live_records(); }, "0");
    // A chain that ends within the last 3 bytes: the header read passes the end.
    bind(16);
    region[4] = 0x01, region[5] = 0x06, region[6] = 6; // next record at 13
    region[13] = 0x02;
    expect_assert([] { live_records(); }, "((address + length) <= nvds_env.total_size)");
    expect_assert([] { nvds_del(0x09); }, "((address + length) <= nvds_env.total_size)");
}

// Backend that ignores every write after the first `budget` write calls, as
// if power failed there.
int write_budget;
int stopping_write(uint8_t type, uint8_t *dst, uint32_t length, const uint8_t *src)
{
    if (write_budget <= 0)
        return 0;
    write_budget--;
    return flash_write(type, dst, length, src);
}
const nvds_backend stopping_backend = {flash_identify, flash_read, stopping_write, flash_erase,
                                       flash_cmp};

TEST_F(Engine, InterruptedReplaceKeepsOldOrNewValue)
{
    for (int n = 0; n < 6; n++) {
        nvds_set_backend(nullptr);
        bind(128);
        ASSERT_EQ(put(0x0A, {0x11, 0x22}), NVDS_OK);
        ASSERT_EQ(put(0x0B, {0x33}), NVDS_OK);
        nvds_set_backend(&stopping_backend);
        write_budget = n;
        put(0x0A, {0x44, 0x55, 0x66}); // new length: appends and deletes the old
        nvds_set_backend(nullptr);
        for (bool cache : {true, false}) {
            nvds_disable_tag_cache = !cache;
            ASSERT_EQ(nvds_init(region.data(), uint32_t(region.size())), NVDS_OK);
            bytes value = get(0x0A);
            EXPECT_TRUE(value == (bytes{0x11, 0x22}) || value == (bytes{0x44, 0x55, 0x66}))
                << "after " << n << " writes";
            EXPECT_EQ(get(0x0B), bytes{0x33});
        }
        nvds_disable_tag_cache = 0;
    }
}

TEST(EngineNoMemory, NullBackendFailsSafely)
{
    static const nvds_backend absent = {[](uint8_t *type) {
                                            *type = 0;
                                            return 0;
                                        },
                                        flash_read, flash_write, flash_erase, flash_cmp};
    nvds_set_backend(&absent);
    bytes region(64, 0);
    EXPECT_EQ(nvds_init(region.data(), 64), NVDS_FAIL);
    EXPECT_EQ(nvds_walk(collect, nullptr), NVDS_TAG_NOT_DEFINED);
    uint8_t b = 1;
    EXPECT_NE(nvds_put(0x01, 1, &b), NVDS_OK);
    EXPECT_EQ(region, bytes(64, 0));
    nvds_set_backend(nullptr);
}

} // namespace
