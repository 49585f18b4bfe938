#include "compose/setting.h"

#include "common/format.h"
#include "compose/content.h"
#include "error.h"
#include "image/records.h"

namespace imgforge {

void put_setting(image &img, std::string_view text, const char *what)
{
    file_cache files(&img.inputs);
    uint8_t tag = 0;
    bytes data;
    std::string shown = excerpt(text);
    std::string reason = parse_setting(text, files, tag, data);
    if (!reason.empty())
        fail(EXIT_USAGE,
             format("ERROR: invalid %s '%s': %s\n", what, shown.c_str(), reason.c_str()));
    put_or_fail(img, tag, data.data(), uint16_t(data.size()), shown.c_str());
}

} // namespace imgforge
