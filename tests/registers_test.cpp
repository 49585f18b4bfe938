#include "registers.h"

#include <gtest/gtest.h>

#include <string>
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

struct family_shape {
    const register_family &family;
    size_t count;
    const char *first;
    const char *last_of_run;
    uint32_t run_end; // offset of last_of_run
    const char *id;
};

const family_shape shapes[] = {
    {CMSDK_QZ_APB_WRPR, 57, "APB0_CTRL", "SCRATCHPAD_D", 0x0D0, "CORE_ID"},
    {CMSDK_QZ_APB_PWM, 9, "PWM0_CTRL", "PWM7_CTRL", 0x01C, "CORE_ID"},
    {CMSDK_QZ_APB_SPI, 9, "TRANSACTION_SETUP", "RESET_INTERRUPT", 0x01C, "CORE_ID"},
    {CMSDK_QZ_APB_OLED, 19, "CONTROL", "STATUS", 0x044, "CORE_ID"},
    {CMSDK_QZ_APB_KSM, 14, "CTRL0", "MATRIX_SIZE", 0x00C, "CORE_ID"},
    {CMSDK_QZ_APB_QDEC, 16, "SETUP_FOR_AXIS_0", "ERROR_COUNT_FOR_AXIS_2", 0x038, "CORE_ID"},
    {CMSDK_QZ_APB_SLWTIMER, 15, "CONTROL", "INTERRUPT_MASK", 0x034, "CORE_ID"},
    {CMSDK_QZ_APB_QSPI, 16, "TRANSACTION_SETUP", "REMOTE_AHB_DBG2", 0x038, "CORE_ID"},
    {CMSDK_QZ_APB_I2C, 11, "TRANSACTION_SETUP", "RESET_INTERRUPT", 0x024, "ID"},
    {CMSDK_QZ_APB_NVM, 21, "OPMODE", "EFUSE_AUTOREAD", 0x04C, "ID"},
    {CMSDK_QZ_APB1_WRPR, 17, "APB0_CTRL", "APB15_CTRL", 0x03C, "CORE_ID"},
    {CMSDK_RIF, 46, "BIAS", "CAL_CNTL", 0x0B0, "ID"},
    {CMSDK_MDM, 56, "AGCMEAS", "ERR_INJ", 0x0D8, "CORE_ID"},
    {CMSDK_QZ_APB_PSEQ, 71, "CTRL0", "RESET_INTERRUPT", 0x114, "CORE_ID"},
    {CMSDK_QZ_APB_SWD, 12, "DAP_ADDR_CTRL", "DTOP_BYPASS_STAT", 0x028, "CORE_ID"},
    {CMSDK_QZ_APB_GADC, 9, "CTRL", "FIFO_DBG", 0x01C, "CORE_ID"},
    {CMSDK_QZ_APB_TRNG, 8, "CONTROL", "TRNG", 0x018, "CORE_ID"},
    {CMSDK_QZ_APB_RCOS_CAL, 6, "CAL_CTRL", "STAT", 0x010, "CORE_ID"},
    {CMSDK_QZ_APB_SHUB, 81, "SETUP0", "SHUB_STATUS0", 0x13C, "ID"},
    {CMSDK_QZ_LC, 94, "LC_CTRL0", "AESKEY3", 0x170, "ID"},
    {CMSDK_QZ_APB_PDM, 9, "CONTROL", "INTERRUPT_CLEAR", 0x01C, "CORE_ID"},
    {CMSDK_QZ_AHB_DMA, 11, "OPMODE", "ERR_STAT", 0x024, "ID"},
};

} // namespace

TEST(RegisterFamilies, CountsFirstLastAndIdentification)
{
    ASSERT_EQ(std::size(shapes), register_families.size());
    for (size_t i = 0; i < std::size(shapes); i++) {
        const family_shape &s = shapes[i];
        const register_family &f = s.family;
        SCOPED_TRACE(f.name);
        EXPECT_EQ(register_families[i], &f);
        EXPECT_EQ(f.registers.size(), s.count);
        EXPECT_STREQ(family_offset_to_str(f, 0x000), s.first);
        EXPECT_STREQ(family_offset_to_str(f, s.run_end), s.last_of_run);
        EXPECT_STREQ(family_offset_to_str(f, 0xFFC), s.id);
        EXPECT_EQ(std::string(f.unknown), std::string("unknown ") + f.name + " offset");
    }
}

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
    for (const family_shape &s : shapes) {
        SCOPED_TRACE(s.family.name);
        if (&s.family != &CMSDK_QZ_APB_WRPR && &s.family != &CMSDK_QZ_APB_KSM) {
            EXPECT_EQ(family_next_offset(s.family, s.run_end), 0xFFCu);
        }
        EXPECT_EQ(family_next_offset(s.family, 0xFFC), 0x1000u);
        EXPECT_EQ(family_next_offset(s.family, 0x1000), 0x1000u);
        EXPECT_FALSE(family_end_offset(s.family, 0xFFF));
        EXPECT_TRUE(family_end_offset(s.family, 0x1000));
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

TEST(RegisterBlocks, RowsBindNameBaseAndFamily)
{
    struct row {
        const char *name;
        uint32_t base;
        const register_family &family;
    };
    const row rows[] = {
        {"SPI0", 0x40007000, CMSDK_QZ_APB_SPI},
        {"PWM", 0x40006000, CMSDK_QZ_APB_PWM},
        {"QZ_DMA", 0x70000000, CMSDK_QZ_AHB_DMA},
        {"KSM", 0x4000A000, CMSDK_QZ_APB_KSM},
        {"MDM", 0x50006000, CMSDK_MDM},
        {"WRPR", 0x40003000, CMSDK_QZ_APB_WRPR},
        {"SWD", 0x50009000, CMSDK_QZ_APB_SWD},
        {"QDEC", 0x4000C000, CMSDK_QZ_APB_QDEC},
        {"TRNG", 0x5000B000, CMSDK_QZ_APB_TRNG},
        {"PSEQ", 0x50008000, CMSDK_QZ_APB_PSEQ},
        {"SLWTIMER", 0x4000E000, CMSDK_QZ_APB_SLWTIMER},
        {"PDM", 0x5000F000, CMSDK_QZ_APB_PDM},
        {"QZLC", 0x5000E000, CMSDK_QZ_LC},
        {"SHUB", 0x5000D000, CMSDK_QZ_APB_SHUB},
        {"OLED", 0x40009000, CMSDK_QZ_APB_OLED},
        {"RIF", 0x50004000, CMSDK_RIF},
        {"NVM", 0x50002000, CMSDK_QZ_APB_NVM},
        {"WRPR1", 0x50003000, CMSDK_QZ_APB1_WRPR},
        {"I2C0", 0x50000000, CMSDK_QZ_APB_I2C},
        {"QSPI", 0x4000F000, CMSDK_QZ_APB_QSPI},
        {"GADC", 0x5000A000, CMSDK_QZ_APB_GADC},
        {"RCOS_CAL", 0x5000C000, CMSDK_QZ_APB_RCOS_CAL},
    };
    ASSERT_EQ(std::size(rows), blocks.size());
    for (size_t i = 0; i < blocks.size(); i++) {
        const register_block &b = blocks[i];
        const register_family &f = rows[i].family;
        SCOPED_TRACE(b.name);
        EXPECT_STREQ(b.name, rows[i].name);
        EXPECT_EQ(b.base, rows[i].base);
        // The block's operations are those of its family, offset by offset.
        std::vector<uint32_t> visited;
        for (uint32_t o = b.begin_offset(); !b.end_offset(o); o = b.next_offset(o)) {
            visited.push_back(o);
            EXPECT_STREQ(b.offset_to_str(o), family_offset_to_str(f, o));
        }
        EXPECT_EQ(visited, iterate(f));
        EXPECT_STREQ(b.offset_to_str(0x002), f.unknown);
        EXPECT_EQ(find_block(b.base), &b);
        EXPECT_EQ(find_block(b.base + 0xFFF), &b);
    }
    for (uint32_t address : {0x4000B000u, 0x40005FFCu, 0xFFFFFFFFu})
        EXPECT_EQ(find_block(address), nullptr) << address;
}
