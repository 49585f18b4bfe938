// Engine behaviour the model check (engine_model_test.cpp) cannot see: 8-bit
// lengths, faults, power loss, refused erases, more records of a tag than the
// model makes, absent memory, and a region opened without being formatted.
#include "nvds.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

uint32_t ignore(nvds_region *, uint8_t, uint32_t, uint16_t, void *)
{
    return 0;
}

// A handle over an in-memory region.
class Engine : public testing::Test {
  protected:
    bytes region;
    nvds_region r{};

    void SetUp() override { bind(256); }

    void bind(size_t size, const nvds_backend *backend = nullptr)
    {
        region.assign(size, 0);
        ASSERT_EQ(nvds_open(&r, region.data(), uint32_t(size), backend, nullptr),
                  NVDS_NOT_FORMATTED);
        ASSERT_EQ(nvds_format(&r), NVDS_OK);
    }

    uint8_t put(uint8_t tag, const bytes &data)
    {
        return nvds_put(&r, tag, uint16_t(data.size()), data.data());
    }

    bytes get(uint8_t tag)
    {
        bytes out(NVDS_MAX_LENGTH);
        uint16_t len = uint16_t(out.size());
        out.resize(nvds_get(&r, tag, &len, out.data()) == NVDS_OK ? len : 0);
        return out;
    }
};

TEST_F(Engine, OpeningNeverFormatsButFormattingDoes)
{
    // Memory without the magic is left as it is.
    bytes foreign(64, 0x5A);
    nvds_region other{};
    EXPECT_EQ(nvds_open(&other, foreign.data(), 64, nullptr, nullptr), NVDS_NOT_FORMATTED);
    EXPECT_EQ(foreign, bytes(64, 0x5A));
    EXPECT_STREQ(nvds_stat(8), "?");
}

TEST_F(Engine, EightBitLengths)
{
    bind(512);
    ASSERT_EQ(nvds_put8(&r, 0x33, 3, seq(3, 1).data()), NVDS_OK);
    ASSERT_EQ(put(0x34, seq(300, 0)), NVDS_OK);
    uint8_t buf[255];
    uint8_t len = 255;
    EXPECT_EQ(nvds_get8(&r, 0x33, &len, buf), NVDS_OK);
    EXPECT_EQ(bytes(buf, buf + len), seq(3, 1));
    len = 255;
    EXPECT_EQ(nvds_get8(&r, 0x34, &len, buf), NVDS_LENGTH_OUT_OF_RANGE);
    EXPECT_EQ(len, 255);
}

// A corrupt chain is a status and a fault in the handle: the check's text
// and the engine source.
void expect_fault(nvds_region &r, uint32_t status, const std::string &condition)
{
    EXPECT_EQ(status, uint32_t(NVDS_CORRUPT));
    ASSERT_NE(r.fault.condition, nullptr);
    EXPECT_EQ(r.fault.condition, condition);
    EXPECT_STREQ(r.fault.file, "modules/nvds/src/nvds.cpp");
    EXPECT_GT(r.fault.line, 0);
    r.fault = {};
}

TEST_F(Engine, CorruptChainsAreFaultsNotCrashes)
{
    // A chain that ends within the last 3 bytes: the header read passes the end.
    bind(16);
    region[4] = 0x01, region[5] = 0x06, region[6] = 6; // next record at 13
    region[13] = 0x02;
    const std::string range = "((address + length) <= nvds_env.total_size)";
    expect_fault(r, nvds_walk(&r, ignore, nullptr), range);
    expect_fault(r, nvds_del(&r, 0x09), range);
    uint8_t b = 1;
    expect_fault(r, nvds_put(&r, 0x09, 1, &b), range);
    // A record that runs past the last byte.
    region[6] = 9;
    expect_fault(r, nvds_walk(&r, ignore, nullptr), "0");
    expect_fault(r, uint32_t(nvds_read(&r, 10, 7, &b)), range);
    EXPECT_EQ(nvds_read(&r, 10, 6, region.data()), NVDS_OK);
}

// Backend that ignores every write after the first `budget` write calls, as
// if power failed there; the budget is the handle's context.
int stopping_write(void *budget, uint8_t type, uint8_t *dst, uint32_t length, const uint8_t *src)
{
    int &left = *static_cast<int *>(budget);
    if (left <= 0)
        return 0;
    left--;
    return nvds_memory_backend.write(nullptr, type, dst, length, src);
}
const nvds_backend stopping_backend = {nvds_memory_backend.identify, nvds_memory_backend.read,
                                       stopping_write, nvds_memory_backend.erase,
                                       nvds_memory_backend.cmp};

TEST_F(Engine, InterruptedReplaceKeepsOldOrNewValue)
{
    for (int n = 0; n < 6; n++) {
        bind(128);
        ASSERT_EQ(put(0x0A, {0x11, 0x22}), NVDS_OK);
        ASSERT_EQ(put(0x0B, {0x33}), NVDS_OK);
        int budget = n;
        nvds_region stopping{};
        ASSERT_EQ(nvds_open(&stopping, region.data(), uint32_t(region.size()), &stopping_backend,
                            &budget),
                  NVDS_OK);
        nvds_put(&stopping, 0x0A, 3, bytes{0x44, 0x55, 0x66}.data()); // appends, deletes the old
        for (bool cache : {true, false}) {
            ASSERT_EQ(nvds_open(&r, region.data(), uint32_t(region.size()), nullptr, nullptr),
                      NVDS_OK);
            nvds_set_tag_cache(&r, cache);
            bytes value = get(0x0A);
            EXPECT_TRUE(value == (bytes{0x11, 0x22}) || value == (bytes{0x44, 0x55, 0x66}))
                << "after " << n << " writes";
            EXPECT_EQ(get(0x0B), bytes{0x33});
        }
    }
}

// An erase the memory refuses (OTP) fails the operation and changes nothing.
int refusing_erase(void *, uint8_t, uint8_t *, uint32_t)
{
    return 1;
}
const nvds_backend no_erase_backend = {nvds_memory_backend.identify, nvds_memory_backend.read,
                                       nvds_memory_backend.write, refusing_erase,
                                       nvds_memory_backend.cmp};

TEST_F(Engine, RefusedErasesChangeNothing)
{
    bind(24);
    ASSERT_EQ(put(0x01, {1, 2, 3}), NVDS_OK);
    ASSERT_EQ(put(0x01, {4, 5}), NVDS_OK); // the first record is deleted: room to reclaim
    nvds_region otp{};
    ASSERT_EQ(nvds_open(&otp, region.data(), 24, &no_erase_backend, nullptr), NVDS_OK);
    bytes before = region;
    uint8_t data[4] = {7, 7, 7, 7};
    EXPECT_EQ(nvds_put(&otp, 0x02, 4, data), NVDS_FAIL); // needs a compaction
    EXPECT_EQ(nvds_format(&otp), NVDS_FAIL);
    EXPECT_EQ(region, before);
}

// A loaded image may hold a tag many times over: a put replaces them all.
TEST_F(Engine, PutReplacesEveryLiveRecordOfItsTag)
{
    for (size_t i = 0; i < 9; i++) {
        const uint8_t record[] = {0x20, 0x06, 0x01, uint8_t(i)};
        std::copy(std::begin(record), std::end(record), region.begin() + 4 + 4 * long(i));
    }
    ASSERT_EQ(nvds_open(&r, region.data(), uint32_t(region.size()), nullptr, nullptr), NVDS_OK);
    ASSERT_EQ(put(0x20, {0xAA}), NVDS_OK);
    EXPECT_EQ(get(0x20), bytes{0xAA});
    for (size_t i = 0; i < 9; i++)
        EXPECT_EQ(region[5 + 4 * i], 0x02) << "deleted: " << i;
}

TEST(EngineNoMemory, NullBackendFailsSafely)
{
    static const nvds_backend absent = {[](void *, uint8_t *type) {
                                            *type = 0;
                                            return 0;
                                        },
                                        nvds_memory_backend.read, nvds_memory_backend.write,
                                        nvds_memory_backend.erase, nvds_memory_backend.cmp};
    bytes region(64, 0);
    nvds_region r{};
    EXPECT_EQ(nvds_open(&r, region.data(), 64, &absent, nullptr), NVDS_FAIL);
    EXPECT_EQ(nvds_walk(&r, ignore, nullptr), uint32_t(NVDS_TAG_NOT_DEFINED));
    uint8_t b = 1;
    EXPECT_NE(nvds_put(&r, 0x01, 1, &b), NVDS_OK);
    EXPECT_EQ(region, bytes(64, 0));
}

} // namespace
