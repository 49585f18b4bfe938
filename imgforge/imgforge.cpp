#include "imgforge.h"

#include "common/engine.h"
#include "common/format.h"
#include "compose/content.h"
#include "compose/manifest.h"
#include "compose/setting.h"
#include "dump/catalogue.h"
#include "dump/dispatch.h"
#include "image/chain.h"
#include "image/input.h"
#include "image/output.h"
#include "image/records.h"
#include "otp/hw_cfg.h"
#include "report/diff.h"
#include "report/json.h"

namespace imgforge {

void make_otp(image &img)
{
    set_inverted(img);
}

void set_size(image &img, uint32_t flash_size)
{
    set_flash_size(img, flash_size);
}

void load_file(image &img, const std::string &path)
{
    read_input(img, path.c_str());
}

void load_bytes(image &img, std::span<const uint8_t> bytes, const std::string &name)
{
    read_input_bytes(img, bytes, name.c_str());
}

std::vector<uint8_t> image_bytes(image &img, bool full)
{
    uint64_t length = image_output_length(img, full);
    std::vector<uint8_t> bytes(img.buf.data(), img.buf.data() + length);
    if (img.otp)
        for (uint8_t &b : bytes)
            b = uint8_t(~b);
    return bytes;
}

void save(image &img, const std::string &path, bool full, bool sync)
{
    write_image_file(img, path.c_str(), image_output_length(img, full), sync);
}

std::vector<record> records(image &img)
{
    std::vector<record> out;
    const uint8_t *buf = img.buf.data();
    walk_stored(buf, region_size(img), [&](const stored_record &r) {
        if (nvds_is_live(r.status))
            out.push_back({r.data, r.tag, !(r.status & NVDS_STATUS_UNLOCKED),
                           std::vector<uint8_t>(buf + r.data, buf + r.data + r.length)});
        return true;
    });
    return out;
}

std::optional<std::vector<uint8_t>> record_data(image &img, uint8_t tag)
{
    std::vector<uint8_t> data(NVDS_MAX_LENGTH);
    uint16_t length = NVDS_MAX_LENGTH;
    uint8_t status =
        engine_result(img, img.region, nvds_get(&img.region, tag, &length, data.data()));
    if (status != NVDS_OK)
        return std::nullopt;
    data.resize(length);
    return data;
}

void put(image &img, uint8_t tag, std::span<const uint8_t> data)
{
    if (data.size() > NVDS_MAX_LENGTH)
        refuse_put(tag, "<data>", NVDS_LENGTH_OUT_OF_RANGE);
    put_or_fail(img, tag, data.data(), uint16_t(data.size()), "<data>");
}

void erase(image &img, uint8_t tag)
{
    erase_tag(img, tag);
}

void lock(image &img, uint8_t tag)
{
    lock_tag(img, tag);
}

std::optional<std::string> decoded_text(image &img, const record &r)
{
    std::string text;
    if (!print_content(img.region, r.tag, r.offset, uint16_t(r.data.size()), text_sink(text)))
        return std::nullopt;
    return text;
}

std::string json_document(image &img, bool with_check)
{
    std::string text;
    write_json_document(img, {with_check, true}, text_sink(text));
    return text;
}

namespace {

// The hardware word of an OTP image; a flash image has none.
uint8_t *otp_word(const image &img)
{
    if (!img.otp)
        fail(EXIT_USAGE, "ERROR: the image is not in OTP form\n");
    return hw_word(img);
}

} // namespace

uint32_t hw_config(const image &img)
{
    return get_hw_cfg(otp_word(img));
}

void blow_bits(image &img, uint32_t bits)
{
    blow_hw_bits(otp_word(img), bits);
}

void blow(image &img, const std::string &arg)
{
    uint8_t *word = otp_word(img);
    blow_hw_bits(word, hw_bits_to_blow(arg.c_str()));
}

std::vector<hw_field> hw_fields(const image &img)
{
    uint32_t word = get_hw_cfg(otp_word(img));
    std::vector<hw_field> fields;
    for (const hw_cfg_field &f : hw_cfg_tab) {
        uint32_t value = hw_field_value(f, word);
        fields.push_back({f.name, f.shift, f.shift + f.width - 1, value, hw_field_text(f, value)});
    }
    return fields;
}

std::vector<tag_entry> tags()
{
    std::vector<tag_entry> entries;
    for (unsigned tag = 1; tag < 255; tag++)
        if (const tag_info *info = find_tag_info(uint8_t(tag)))
            entries.push_back(
                {info->tag, info->name, group_name(info->group), length_rule_text(*info)});
    return entries;
}

uint8_t tag_named(std::string_view text)
{
    uint8_t tag = 0;
    std::string reason = parse_tag_text(text, tag);
    if (!reason.empty())
        fail(EXIT_USAGE, format("ERROR: %s\n", reason.c_str()));
    return tag;
}

void set(image &img, std::string_view setting)
{
    put_setting(img, setting, "setting");
}

void compact(image &img)
{
    compact_image(img);
}

void apply_manifest_file(image &img, const std::string &path)
{
    apply_manifest(img, path.c_str());
}

std::optional<int64_t> record_value(const record &r)
{
    return record_number(r.tag, r.data.data(), r.data.size());
}

check_report check(const image &img)
{
    return check_image(img);
}

} // namespace imgforge
