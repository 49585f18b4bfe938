#include "dump/dispatch.h"

#include "common/files.h"
#include "dump/catalogue.h"
#include "dump/check.h"
#include "fatal.h"

#include <cstdio>

namespace imgforge {

namespace {

void check_length(const tag_info &info, uint16_t len)
{
    IMGFORGE_ASSERT(info.condition, length_allowed(info, len));
}

} // namespace

uint32_t walk_cb_pretty(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg)
{
    dump_context &ctx = *static_cast<dump_context *>(arg);
    const tag_info *info = find_tag_info(tag);
    if (!info) {
        std::printf("@%04x %02x ", addr, tag);
        print_hex_nvds(read, addr, len, nullptr);
        std::printf("\n\n");
        return 0;
    }
    if (info->rule == length_rule::marker) {
        std::fflush(stdout);
        std::fprintf(stderr, "Tag '%s' handled as part of %s*", info->name,
                     group_prefix(info->group));
        std::putchar('\n');
        return 0;
    }
    std::printf("@%04x %s ", addr, info->name);
    check_length(*info, len);
    walk_args args{tag, addr, len, read, ctx.output_location, &ctx.file_failed, info->format};
    info->decoder(read, addr, len, args);
    std::putchar('\n');
    return 0;
}

void pretty_dump(const char *output_location)
{
    constexpr uint8_t tag_USER_APP = 0xB6;
    auto is_user_app = [](uint8_t tag, uint32_t, uint16_t, nvds_read_fn, void *) -> uint32_t {
        return tag == tag_USER_APP;
    };
    // The USER_APP file is checked before anything is listed.
    if (output_location && nvds_walk(is_user_app, nullptr) == 1)
        check_output_path(output_location);
    dump_context ctx{output_location, false};
    nvds_walk(walk_cb_pretty, &ctx);
    if (ctx.file_failed)
        die(EXIT_FILE);
}

} // namespace imgforge
