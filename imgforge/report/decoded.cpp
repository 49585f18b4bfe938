#include "report/decoded.h"

#include "common/sink.h"
#include "dump/dispatch.h"

namespace imgforge {

decoded_texts::decoded_texts(nvds_region &region, const std::vector<stored_record> &records)
    : slices(records.size())
{
    text_sink out(all);
    for (size_t i = 0; i < records.size(); i++) {
        const stored_record &r = records[i];
        size_t begin = all.size();
        if (print_content(region, r.tag, r.data, r.length, out))
            slices[i] = slice{begin, all.size()};
    }
}

std::optional<std::string_view> decoded_texts::operator[](size_t i) const
{
    if (!slices[i])
        return std::nullopt;
    return std::string_view(all).substr(slices[i]->begin, slices[i]->end - slices[i]->begin);
}

} // namespace imgforge
