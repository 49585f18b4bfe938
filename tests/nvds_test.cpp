#include "nvds.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NvdsInit, FormatsRegionWithoutMagic)
{
    std::vector<uint8_t> region(64, 0);
    nvds_set_backend(nullptr);
    ASSERT_EQ(nvds_init(region.data(), uint32_t(region.size())), NVDS_OK);
    EXPECT_EQ(std::vector<uint8_t>(region.begin(), region.begin() + 4),
              (std::vector<uint8_t>{'N', 'V', 'D', 'S'}));
    for (size_t i = 4; i < region.size(); i++)
        EXPECT_EQ(region[i], 0xFF);
}
