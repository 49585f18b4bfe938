// Engine behaviour the model check (engine_model_test.cpp) cannot see: byte
// layout, 8-bit lengths, diagnostics, power loss and absent memory.
#include "nvds.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

uint32_t ignore(uint8_t, uint32_t, uint16_t, nvds_read_fn, void *)
{
    return 0;
}

// Engine bound to an in-memory region.
class Engine : public testing::Test {
  protected:
    bytes region;

    void SetUp() override { bind(256); }
    void TearDown() override
    {
        nvds_set_backend(nullptr);
        nvds_disable_tag_cache = 0;
    }

    void bind(size_t size)
    {
        region.assign(size, 0);
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
        out.resize(nvds_get(tag, &len, out.data()) == NVDS_OK ? len : 0);
        return out;
    }
};

TEST_F(Engine, InitFormatsForeignMemory)
{
    EXPECT_EQ(bytes(region.begin(), region.begin() + 4), (bytes{'N', 'V', 'D', 'S'}));
    for (size_t i = 4; i < region.size(); i++)
        ASSERT_EQ(region[i], 0xFF) << i;
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
        ASSERT_EQ(put(0x20, seq(c.length, 0)), NVDS_OK);
        EXPECT_EQ(region[4], 0x20);
        EXPECT_EQ(region[5], 0x06);
        EXPECT_EQ(bytes(region.begin() + 6, region.begin() + 6 + long(c.length_bytes.size())),
                  c.length_bytes)
            << c.length;
        size_t data_at = 6 + c.length_bytes.size();
        EXPECT_EQ(bytes(region.begin() + long(data_at), region.begin() + long(data_at) + c.length),
                  seq(c.length, 0));
        EXPECT_EQ(region[data_at + c.length], 0xFF);
    }
}

TEST_F(Engine, EightBitLengths)
{
    bind(512);
    ASSERT_EQ(nvds_put8(0x33, 3, seq(3, 1).data()), NVDS_OK);
    ASSERT_EQ(put(0x34, seq(300, 0)), NVDS_OK);
    uint8_t buf[255];
    uint8_t len = 255;
    EXPECT_EQ(nvds_get8(0x33, &len, buf), NVDS_OK);
    EXPECT_EQ(bytes(buf, buf + len), seq(3, 1));
    len = 255;
    EXPECT_EQ(nvds_get8(0x34, &len, buf), NVDS_LENGTH_OUT_OF_RANGE);
    EXPECT_EQ(len, 255);
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
    // A chain that ends within the last 3 bytes: the header read passes the end.
    bind(16);
    region[4] = 0x01, region[5] = 0x06, region[6] = 6; // next record at 13
    region[13] = 0x02;
    expect_assert([] { nvds_walk(ignore, nullptr); },
                  "((address + length) <= nvds_env.total_size)");
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
    EXPECT_EQ(nvds_walk(ignore, nullptr), NVDS_TAG_NOT_DEFINED);
    uint8_t b = 1;
    EXPECT_NE(nvds_put(0x01, 1, &b), NVDS_OK);
    EXPECT_EQ(region, bytes(64, 0));
    nvds_set_backend(nullptr);
}

} // namespace
