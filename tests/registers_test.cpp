#include "dump/registers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace imgforge;

namespace {

std::vector<uint32_t> iterate(const register_family &f)
{
    std::vector<uint32_t> offsets;
    for (uint32_t o = family_begin_offset(f); !family_end_offset(f, o);
         o = family_next_offset(f, o))
        offsets.push_back(o);
    return offsets;
}

bool named(const register_family &f, uint32_t offset)
{
    return std::string(family_offset_to_str(f, offset)) != f.unknown;
}

// Offsets and names a block's operations visit.
std::vector<std::pair<uint32_t, std::string>> block_walk(const register_block &b)
{
    std::vector<std::pair<uint32_t, std::string>> walk;
    for (uint32_t o = b.begin_offset(); !b.end_offset(o); o = b.next_offset(o))
        walk.emplace_back(o, b.offset_to_str(o));
    return walk;
}

std::vector<std::pair<uint32_t, std::string>> family_walk(const register_family &f)
{
    std::vector<std::pair<uint32_t, std::string>> walk;
    for (uint32_t o : iterate(f))
        walk.emplace_back(o, family_offset_to_str(f, o));
    return walk;
}

} // namespace

TEST(RegisterFamilies, IterationVisitsExactlyTheNamedOffsetsInOrder)
{
    for (const register_family *f : register_families) {
        SCOPED_TRACE(f->name);
        std::vector<uint32_t> named_offsets;
        for (uint32_t o = 0; o < 0x1100; o++)
            if (named(*f, o))
                named_offsets.push_back(o);
        EXPECT_EQ(iterate(*f), named_offsets);
        EXPECT_EQ(named_offsets.size(), f->registers.size());
        // Whole words inside the window: register images are read word by word.
        for (const register_name &r : f->registers)
            EXPECT_TRUE(r.offset % 4 == 0 && r.offset <= 0xFFC) << r.name;
    }
}

TEST(RegisterFamilies, NextOffsetJumps)
{
    struct jump {
        const register_family &family;
        uint32_t from, to;
    };
    const jump jumps[] = {
        {CMSDK_QZ_APB_WRPR, 0x0D0, 0xFF0}, {CMSDK_QZ_APB_KSM, 0x00C, 0x040},
        {CMSDK_QZ_APB_KSM, 0x044, 0x058},  {CMSDK_QZ_APB_KSM, 0x058, 0x080},
        {CMSDK_QZ_APB_KSM, 0x080, 0x0C0},  {CMSDK_QZ_APB_KSM, 0x0C8, 0xFF4},
    };
    for (const jump &j : jumps)
        EXPECT_EQ(family_next_offset(j.family, j.from), j.to) << j.family.name << " " << j.from;
    EXPECT_EQ(family_next_offset(CMSDK_RIF, 0x0B0), 0xFFCu);
    for (const register_family *f : register_families) {
        SCOPED_TRACE(f->name);
        EXPECT_EQ(family_next_offset(*f, 0xFFC), 0x1000u);
        EXPECT_EQ(family_next_offset(*f, 0x1000), 0x1000u);
        EXPECT_FALSE(family_end_offset(*f, 0xFFF));
        EXPECT_TRUE(family_end_offset(*f, 0x1000));
    }
    // Unlisted offsets continue at the next listed one.
    EXPECT_EQ(CMSDK_QZ_APB_KSM_next_offset(0x010), 0x040u);
    EXPECT_EQ(CMSDK_QZ_APB_SPI_next_offset(0x002), 0x004u);
    EXPECT_EQ(CMSDK_QZ_APB_SPI_next_offset(0xFFD), 0x1000u);
}

TEST(RegisterFamilies, LookupIsExactMatch)
{
    EXPECT_STREQ(CMSDK_QZ_APB_KSM_offset_to_str(0x058), "LPBACK_KSI");
    EXPECT_STREQ(CMSDK_QZ_APB_WRPR_offset_to_str(0xFF0), "CHIPID1");
    // Names inside the gaps; no masking: unaligned offsets and offsets past
    // the window are unknown.
    for (const register_family *f : register_families) {
        for (uint32_t o : {0x002u, 0x001u, 0xFFDu, 0x1000u, 0x1FFCu, 0xFFFFFFFCu})
            EXPECT_STREQ(family_offset_to_str(*f, o), f->unknown) << f->name << " " << o;
    }
}

TEST(RegisterBlocks, BlocksUseTheirFamilysOperations)
{
    struct row {
        const char *name;
        uint32_t base;
        const register_family &family;
    };
    const row rows[] = {
        {"SPI0", 0x40007000, CMSDK_QZ_APB_SPI},
        {"QZ_DMA", 0x70000000, CMSDK_QZ_AHB_DMA},
        {"RIF", 0x50004000, CMSDK_RIF},
        {"RCOS_CAL", 0x5000C000, CMSDK_QZ_APB_RCOS_CAL},
    };
    for (const row &r : rows) {
        const register_block *b = find_block(r.base + 0x10);
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_STREQ(b->name, r.name);
        EXPECT_EQ(block_walk(*b), family_walk(r.family)) << r.name;
    }
    // Every block walks like one of the families and is found by its base.
    for (const register_block &b : blocks) {
        SCOPED_TRACE(b.name);
        auto walk = block_walk(b);
        EXPECT_TRUE(std::any_of(register_families.begin(), register_families.end(),
                                [&](const register_family *f) { return family_walk(*f) == walk; }));
        EXPECT_EQ(find_block(b.base), &b);
        EXPECT_EQ(find_block(b.base + 0xFFF), &b);
    }
    for (uint32_t address : {0x4000B000u, 0x40005FFCu, 0xFFFFFFFFu})
        EXPECT_EQ(find_block(address), nullptr) << address;
}
