// Value tables of the efuse autoread fields of the HW configuration word: the
// values an enumerated field may take, their symbols and their descriptions.
#ifndef IMGFORGE_OTP_VALUES_H
#define IMGFORGE_OTP_VALUES_H

#include <cstdint>

namespace imgforge {

struct hw_cfg_detail {
    uint32_t value;
    const char *symbol;      // accepted by -w instead of the number, or nullptr
    const char *description; // shown by -N
};

extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__SWD_DISABLE__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__SYSRAM_SVT_EN_HW__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__SYSRAM_HVT_EN_HW__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__PKG_5X5__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__STACKED_FLASH__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_HARV_DISABLED__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__900MHZ_SOURCE__DETAILS[2];
// Two bits wide, but only 0 and 1 are valid.
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__SPARE__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__IGNORE_32KHZ_XTAL_CHECK__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDDIO__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_HARV_TYPE__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_BATT_TYPE__DETAILS[4];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDD__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__DISABLE_OTP_WRITES__DETAILS[2];
extern const hw_cfg_detail NVM_EFUSE_AUTOREAD__NO_32KHZ_XTAL_ON_BOARD__DETAILS[2];

} // namespace imgforge

#endif
