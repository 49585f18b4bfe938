// Peripheral register catalogue: for each register family (one kind of 4 KiB
// peripheral block) the names of its registers by offset, and the table of
// the chip's register blocks with their base addresses.
#ifndef IMGFORGE_DUMP_REGISTERS_H
#define IMGFORGE_DUMP_REGISTERS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace imgforge {

// First offset past a block's register window.
inline constexpr uint32_t register_window_end = 0x1000;

struct register_name {
    uint32_t offset;
    const char *name;
};

// Registers in ascending offset order, plus the text for any other offset.
struct register_family {
    const char *name;
    const char *unknown; // "unknown <family> offset"
    std::span<const register_name> registers;
};

// Generic operations over a family.
const char *family_offset_to_str(const register_family &family, uint32_t offset);
inline uint32_t family_begin_offset(const register_family &)
{
    return 0;
}
// Smallest listed offset above `offset`, or the window end when there is none.
uint32_t family_next_offset(const register_family &family, uint32_t offset);
inline bool family_end_offset(const register_family &, uint32_t offset)
{
    return offset >= register_window_end;
}

// The families, each with its named entry points <FAMILY>_offset_to_str,
// _begin_offset, _next_offset and _end_offset.
#define IMGFORGE_REGISTER_FAMILIES(X)                                                              \
    X(CMSDK_QZ_APB_WRPR)                                                                           \
    X(CMSDK_QZ_APB_PWM)                                                                            \
    X(CMSDK_QZ_APB_SPI)                                                                            \
    X(CMSDK_QZ_APB_OLED)                                                                           \
    X(CMSDK_QZ_APB_KSM)                                                                            \
    X(CMSDK_QZ_APB_QDEC)                                                                           \
    X(CMSDK_QZ_APB_SLWTIMER)                                                                       \
    X(CMSDK_QZ_APB_QSPI)                                                                           \
    X(CMSDK_QZ_APB_I2C)                                                                            \
    X(CMSDK_QZ_APB_NVM)                                                                            \
    X(CMSDK_QZ_APB1_WRPR)                                                                          \
    X(CMSDK_RIF)                                                                                   \
    X(CMSDK_MDM)                                                                                   \
    X(CMSDK_QZ_APB_PSEQ)                                                                           \
    X(CMSDK_QZ_APB_SWD)                                                                            \
    X(CMSDK_QZ_APB_GADC)                                                                           \
    X(CMSDK_QZ_APB_TRNG)                                                                           \
    X(CMSDK_QZ_APB_RCOS_CAL)                                                                       \
    X(CMSDK_QZ_APB_SHUB)                                                                           \
    X(CMSDK_QZ_LC)                                                                                 \
    X(CMSDK_QZ_APB_PDM)                                                                            \
    X(CMSDK_QZ_AHB_DMA)

#define IMGFORGE_DECLARE_REGISTER_FAMILY(F)                                                        \
    extern const register_family F;                                                                \
    inline const char *F##_offset_to_str(uint32_t offset)                                          \
    {                                                                                              \
        return family_offset_to_str(F, offset);                                                    \
    }                                                                                              \
    inline uint32_t F##_begin_offset()                                                             \
    {                                                                                              \
        return family_begin_offset(F);                                                             \
    }                                                                                              \
    inline uint32_t F##_next_offset(uint32_t offset)                                               \
    {                                                                                              \
        return family_next_offset(F, offset);                                                      \
    }                                                                                              \
    inline bool F##_end_offset(uint32_t offset)                                                    \
    {                                                                                              \
        return family_end_offset(F, offset);                                                       \
    }

IMGFORGE_REGISTER_FAMILIES(IMGFORGE_DECLARE_REGISTER_FAMILY)
#undef IMGFORGE_DECLARE_REGISTER_FAMILY

// Every family, in catalogue order.
extern const std::array<const register_family *, 22> register_families;

// A register block of the chip: its name, base address (low 12 bits zero)
// and the operations of its register family.
struct register_block {
    const char *name;
    uint32_t base;
    uint32_t (*begin_offset)();
    bool (*end_offset)(uint32_t offset);
    uint32_t (*next_offset)(uint32_t offset);
    const char *(*offset_to_str)(uint32_t offset);
};

extern const std::array<register_block, 22> blocks;

// The first block whose base is address & 0xFFFFF000, or nullptr.
const register_block *find_block(uint32_t address);

} // namespace imgforge

#endif
