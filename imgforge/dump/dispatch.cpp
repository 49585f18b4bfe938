#include "dump/dispatch.h"

#include "common/engine.h"
#include "dump/catalogue.h"
#include "dump/check.h"
#include "error.h"

namespace imgforge {

namespace {

constexpr uint8_t tag_USER_APP = 0xB6;

// Context of the dump's walk.
struct dump_context {
    const text_sink &out;
    const char *output_location; // -o path for USER_APP, or nullptr
    const output_env *env;       // for that file, or nullptr
    bool file_failed = false;    // an output file of a decoder failed
};

void check_length(const tag_info &info, uint16_t len)
{
    IMGFORGE_ASSERT(info.condition, length_allowed(info, len));
}

// The content of a record of a known tag and an allowed length.
void decode_content(nvds_region &region, const tag_info &info, uint32_t addr, uint16_t len,
                    dump_context &ctx)
{
    const record_reader read{read_region, &region};
    walk_args args{info.tag,         addr,        len,     read,   ctx.output_location,
                   &ctx.file_failed, info.format, ctx.out, ctx.env};
    info.decoder(read, addr, len, args);
}

// Prints the line of one record: offset, tag name and decoded content.
uint32_t walk_cb_pretty(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len, void *arg)
{
    dump_context &ctx = *static_cast<dump_context *>(arg);
    const text_sink &out = ctx.out;
    const tag_info *info = find_tag_info(tag);
    if (!info) {
        out.printf("@%04x %02x ", addr, tag);
        print_hex_nvds(record_reader{read_region, region}, addr, len, out);
        out.write("\n\n");
        return 0;
    }
    if (info->rule == length_rule::marker) {
        out.flush();
        out.messages().printf("Tag '%s' handled as part of %s*", info->name,
                              group_prefix(info->group));
        out.put('\n');
        return 0;
    }
    out.printf("@%04x %s ", addr, info->name);
    check_length(*info, len);
    decode_content(*region, *info, addr, len, ctx);
    out.put('\n');
    return 0;
}

uint32_t is_user_app(nvds_region *, uint8_t tag, uint32_t, uint16_t, void *)
{
    return tag == tag_USER_APP;
}

} // namespace

void pretty_dump(nvds_region &region, const char *output_location, const text_sink &out,
                 const output_env &env)
{
    // The USER_APP file is checked before anything is listed.
    if (output_location && walk_records(region, is_user_app, nullptr) == 1)
        check_output_path(output_location, env);
    dump_context ctx{out, output_location, &env};
    walk_records(region, walk_cb_pretty, &ctx);
    if (ctx.file_failed)
        fail(EXIT_FILE, "");
}

bool has_content(uint8_t tag, uint16_t len)
{
    const tag_info *info = find_tag_info(tag);
    return info && info->rule != length_rule::marker && length_allowed(*info, len);
}

bool print_content(nvds_region &region, uint8_t tag, uint32_t addr, uint16_t len,
                   const text_sink &out)
{
    if (!has_content(tag, len))
        return false;
    const tag_info &info = *find_tag_info(tag);
    dump_context ctx{out, nullptr, nullptr};
    decode_content(region, info, addr, len, ctx);
    return true;
}

} // namespace imgforge
