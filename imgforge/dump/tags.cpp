#include "dump/tags.h"

#include "dump/catalogue.h"

namespace imgforge {

void list_tags(const text_sink &out)
{
    static constexpr const char *groups[] = {"PARAM_ID", "NVDS_TAG", "platform"};
    for (unsigned tag = 0; tag < 256; tag++)
        if (const tag_info *info = find_tag_info(uint8_t(tag)))
            out.printf("%02x  %-27s  %-8s  %s\n", tag, info->name, groups[size_t(info->group)],
                       length_rule_text(*info).c_str());
}

} // namespace imgforge
