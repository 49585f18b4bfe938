// The bounds come from the declarations: an extra entry does not compile.
#include "otp/values.h"

namespace imgforge {

const hw_cfg_detail NVM_EFUSE_AUTOREAD__SWD_DISABLE__DETAILS[] = {
    {0, nullptr, "enable SWD"},
    {1, nullptr, "disable SWD"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__SYSRAM_SVT_EN_HW__DETAILS[] = {
    {0, nullptr, "SVT disabled by efuse bit"},
    {1, nullptr, "SVT enabled by efuse bit"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__SYSRAM_HVT_EN_HW__DETAILS[] = {
    {0, nullptr, "HVT disabled by efuse bit"},
    {1, nullptr, "HVT enabled by efuse bit"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__PKG_5X5__DETAILS[] = {
    {0, nullptr, "6x6"},
    {1, nullptr, "5x5"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__STACKED_FLASH__DETAILS[] = {
    {0, nullptr, "no stacked flash"},
    {1, nullptr, "stacked flash"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_HARV_DISABLED__DETAILS[] = {
    {0, nullptr, "harvesting functionality enabled"},
    {1, nullptr, "harvesting functionality disabled"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__900MHZ_SOURCE__DETAILS[] = {
    {0, nullptr, "no 900MHz Tx"},
    {1, nullptr, "900MHz Tx available"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__SPARE__DETAILS[] = {
    {0, nullptr, "Reserved"},
    {1, nullptr, "Reserved"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__IGNORE_32KHZ_XTAL_CHECK__DETAILS[] = {
    {0, nullptr,
     "wait for external 32.768kHz crystal to stabilize before entering low power states"},
    {1, nullptr,
     "do not wait for external 32.768kHz crystal to stabilize before entering low power states"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDDIO__DETAILS[] = {
    {0, nullptr, "internal VDDIO/VDDIOA"},
    {1, nullptr, "external VDDIO/VDDIOA"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_HARV_TYPE__DETAILS[] = {
    {0, nullptr, "non-RF harvesting"},
    {1, nullptr, "RF harvesting"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_BATT_TYPE__DETAILS[] = {
    {0, "VBAT_LE_1p8V", "VBAT <= 1.8V"},
    {1, "VBAT_GT_1p8V", "VBAT > 1.8V"},
    {2, "NO_VBAT", "No VBAT"},
    {3, "RECHARGE_VBAT_GT_1p8V", "Rechargeable VBAT > 1.8V"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDD__DETAILS[] = {
    {0, nullptr, "internal DVDD1 and VDD1A"},
    {1, nullptr, "external DVDD1 and VDD1A"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__DISABLE_OTP_WRITES__DETAILS[] = {
    {0, nullptr, "OTP writes allowed"},
    {1, nullptr, "OTP writes disabled"},
};

const hw_cfg_detail NVM_EFUSE_AUTOREAD__NO_32KHZ_XTAL_ON_BOARD__DETAILS[] = {
    {0, nullptr, "external 32.768kHz crystal present"},
    {1, nullptr, "no external 32.768kHz crystal"},
};

} // namespace imgforge
