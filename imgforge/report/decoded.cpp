#include "report/decoded.h"

#include "common/platform.h"
#include "dump/catalogue.h"
#include "fatal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace imgforge {

namespace {

const tag_info *decodable(const stored_record &r)
{
    const tag_info *info = find_tag_info(r.tag);
    return info && info->decoder && length_allowed(*info, r.length) ? info : nullptr;
}

} // namespace

// The decoders print on standard output: one capture for all records, each
// record's text a slice of it.
decoded_texts::decoded_texts(const std::vector<stored_record> &records) : slices(records.size())
{
    output_capture capture;
    if (!capture.start()) {
        std::fprintf(stderr, "ERROR: cannot create a temporary file: %s\n", std::strerror(errno));
        die(EXIT_FILE);
    }
    bool file_failed = false;
    for (size_t i = 0; i < records.size(); i++) {
        const stored_record &r = records[i];
        const tag_info *info = decodable(r);
        if (!info)
            continue;
        size_t begin = size_t(capture.position());
        walk_args args{r.tag, r.data, r.length, nvds_env.read, nullptr, &file_failed, info->format};
        info->decoder(nvds_env.read, r.data, r.length, args);
        slices[i] = slice{begin, size_t(capture.position())};
    }
    all = capture.finish();
}

std::optional<std::string_view> decoded_texts::operator[](size_t i) const
{
    if (!slices[i])
        return std::nullopt;
    return std::string_view(all).substr(slices[i]->begin, slices[i]->end - slices[i]->begin);
}

} // namespace imgforge
