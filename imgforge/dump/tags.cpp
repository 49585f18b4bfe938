#include "dump/tags.h"

#include "dump/catalogue.h"

namespace imgforge {

void list_tags(const text_sink &out)
{
    for (unsigned tag = 0; tag < 256; tag++)
        if (const tag_info *info = find_tag_info(uint8_t(tag)))
            out.printf("%02x  %-27s  %-8s  %s\n", tag, info->name, group_name(info->group),
                       length_rule_text(*info).c_str());
}

} // namespace imgforge
