#include "report/check.h"

#include "common/format.h"
#include "dump/catalogue.h"
#include "otp/hw_cfg.h"

#include <cstdio>
#include <cstring>

namespace imgforge {

namespace {

std::string tag_text(uint8_t tag)
{
    const char *name = tag_name(tag);
    return name ? std::string(name) : format("tag %02x", tag);
}

uint32_t record_size(const stored_record &r)
{
    return r.data - r.at + r.length;
}

// Problems of one live record: its length, and a second live record of a
// tag that allows one only.
void check_live(const stored_record &r, uint32_t (&first_at)[256], check_report &report)
{
    const tag_info *info = find_tag_info(r.tag);
    if (info && !length_allowed(*info, r.length))
        report.problems.push_back(
            {r.data, format("%s: length %u, expected %s", tag_text(r.tag).c_str(),
                            unsigned(r.length), length_rule_text(*info).c_str())});
    if (r.tag >= NVDS_FIRST_WORKAROUND_TAG)
        return;
    if (first_at[r.tag])
        report.problems.push_back(
            {r.data, format("%s: a second live record; the first is at @%04x",
                            tag_text(r.tag).c_str(), unsigned(first_at[r.tag]))});
    else
        first_at[r.tag] = r.data;
}

void count(const stored_record &r, check_summary &sum)
{
    if (r.status & NVDS_STATUS_INVALID) {
        sum.incomplete++;
        sum.reclaimable += record_size(r);
    } else if (!(r.status & NVDS_STATUS_PRESENT)) {
        sum.deleted++;
        sum.reclaimable += record_size(r);
    } else {
        sum.live++;
        sum.locked += !(r.status & NVDS_STATUS_UNLOCKED);
    }
}

// After the chain: room a later append writes over, so it must be erased.
void check_after_chain(const uint8_t *p, const chain_end &end, uint32_t region,
                       check_report &report)
{
    if (end.overrun) {
        uint32_t at = end.at + 4 <= region ? end.at + nvds_header_length(p + end.at) : end.at;
        report.problems.push_back(
            {at, format("the record runs past the end of the region (%u bytes)", region)});
        return;
    }
    // Eight bytes at a time: the erased space is most of a flash.
    uint32_t i = end.at;
    for (uint64_t word; i + 8 <= region && (std::memcpy(&word, p + i, 8), word == ~uint64_t(0));)
        i += 8;
    for (; i < region; i++)
        if (p[i] != 0xFF) {
            report.problems.push_back({i, "bytes after the end of the chain are not erased"});
            return;
        }
}

void check_hw_fields(const image &img, check_report &report)
{
    uint32_t word = get_hw_cfg(hw_word(img));
    for (const hw_cfg_field &field : hw_cfg_tab) {
        uint32_t value = hw_field_value(field, word);
        if (hw_field_text(field, value).empty())
            report.problems.push_back(
                {std::nullopt,
                 format("hardware field %s: value %u has no description", field.name, value)});
    }
}

} // namespace

check_report check_image(const image &img)
{
    check_report report;
    for (const input_problem &p : img.problems)
        report.problems.push_back({p.offset, p.text});
    uint32_t region = region_size(img);
    uint32_t first_at[256] = {};
    chain_end end = walk_stored(img.buf.data(), region, [&](const stored_record &r) {
        count(r, report.summary);
        if (nvds_is_live(r.status)) {
            report.live.push_back(r);
            check_live(r, first_at, report);
        }
        return true;
    });
    check_after_chain(img.buf.data(), end, region, report);
    report.summary.used = end.overrun ? region : end.at;
    report.summary.free = region - report.summary.used;
    if (img.otp)
        check_hw_fields(img, report);
    return report;
}

void print_check_report(const check_report &report, const text_sink &out)
{
    for (const problem &p : report.problems) {
        if (p.offset)
            out.printf("@%04x ", unsigned(*p.offset));
        out.printf("%s\n", p.text.c_str());
    }
    const check_summary &s = report.summary;
    out.printf("%u live records (%u locked), %u deleted, %u incomplete; %u bytes used, %u free, "
               "%u reclaimable\n",
               s.live, s.locked, s.deleted, s.incomplete, s.used, s.free, s.reclaimable);
}

} // namespace imgforge
