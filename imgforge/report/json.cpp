#include "report/json.h"

#include "common/files.h"
#include "common/format.h"
#include "dump/catalogue.h"
#include "dump/dispatch.h"
#include "error.h"
#include "otp/hw_cfg.h"
#include "report/check.h"
#include "report/json_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace imgforge {

namespace {

void write_hw_config(json_writer &w, const image &img, bool show_internal)
{
    uint32_t word = get_hw_cfg(hw_word(img));
    w.begin_object();
    w.key("word");
    w.number(word);
    w.key("fields");
    w.begin_array();
    for (const hw_cfg_field &field : hw_cfg_tab) {
        if (!hw_field_shown(field, show_internal))
            continue;
        uint32_t value = hw_field_value(field, word);
        std::string text = hw_field_text(field, value);
        w.begin_object();
        w.key("name");
        w.string(field.name);
        w.key("value");
        w.number(value);
        w.key("text");
        if (text.empty())
            w.null();
        else
            w.string(text);
        w.end_object();
    }
    w.end_array();
    w.end_object();
}

} // namespace

std::optional<int64_t> record_number(uint8_t tag, const uint8_t *data, size_t length)
{
    value_type type = number_type(tag);
    unsigned width = value_width(type);
    if (!width || length != width)
        return std::nullopt;
    uint32_t v = 0;
    for (unsigned i = 0; i < width; i++)
        v |= uint32_t(data[i]) << (8 * i);
    return type == value_type::i32 ? int64_t(int32_t(v)) : int64_t(v);
}

void write_json_record(json_writer &w, image &img, const stored_record &r)
{
    const tag_info *info = find_tag_info(r.tag);
    w.begin_object();
    w.key("offset");
    w.number(r.data);
    w.key("tag");
    w.number(r.tag);
    w.key("name");
    if (info)
        w.string(info->name);
    else
        w.null();
    w.key("length");
    w.number(r.length);
    w.key("locked");
    w.boolean(!(r.status & NVDS_STATUS_UNLOCKED));
    w.key("data");
    w.hex_string(img.buf.data() + r.data, r.length);
    if (info && !length_allowed(*info, r.length)) {
        w.key("problem");
        w.string(
            format("length %u, expected %s", unsigned(r.length), length_rule_text(*info).c_str()));
    } else if (has_content(r.tag, r.length)) {
        // Decoded straight into the document.
        w.key("decoded");
        w.begin_string();
        print_content(img.region, r.tag, r.data, r.length, w.string_sink());
        w.end_string();
    }
    if (std::optional<int64_t> value = record_number(r.tag, img.buf.data() + r.data, r.length)) {
        w.key("value");
        w.number(*value);
    }
    w.end_object();
}

namespace {

void write_check(json_writer &w, const check_report &report)
{
    w.key("problems");
    w.begin_array();
    for (const problem &p : report.problems) {
        w.begin_object();
        w.key("offset");
        if (p.offset)
            w.number(*p.offset);
        else
            w.null();
        w.key("text");
        w.string(p.text);
        w.end_object();
    }
    w.end_array();
    const check_summary &s = report.summary;
    const std::pair<const char *, int64_t> counts[] = {{"live", s.live},
                                                       {"locked", s.locked},
                                                       {"deleted", s.deleted},
                                                       {"incomplete", s.incomplete},
                                                       {"used", s.used},
                                                       {"free", s.free},
                                                       {"reclaimable", s.reclaimable}};
    w.key("summary");
    w.begin_object();
    for (const auto &[name, value] : counts) {
        w.key(name);
        w.number(value);
    }
    w.end_object();
}

} // namespace

bool write_json_document(image &img, const json_options &options, const text_sink &out)
{
    check_report report = check_image(img);
    json_writer w(out);
    w.begin_object();
    w.key("format");
    w.string(img.otp ? "otp" : "flash");
    w.key("flash_size");
    w.number(img.size);
    w.key("used");
    w.number(report.summary.used);
    w.key("free");
    w.number(report.summary.free);
    if (img.otp) {
        w.key("hw_config");
        write_hw_config(w, img, options.show_internal);
    }
    w.key("records");
    w.begin_array();
    for (size_t i = 0; i < report.live.size(); i++)
        write_json_record(w, img, report.live[i]);
    w.end_array();
    if (options.with_check)
        write_check(w, report);
    w.end_object();
    w.flush();
    out.put('\n');
    return options.with_check && !report.problems.empty();
}

bool write_text_output(image &img, const char *location, const text_sink &out,
                       const std::function<bool(const text_sink &)> &write)
{
    if (!location)
        return write(out); // stream failures end the run in run()
    check_output_path(location, img.env);
    output_file file(img.env);
    file.open(location);
    bool result = write(text_sink(file.stream()));
    file.check_written();
    file.commit(true);
    return result;
}

void write_json(image &img, const json_options &options, const char *location, const text_sink &out)
{
    if (write_text_output(img, location, out, [&](const text_sink &to) {
            return write_json_document(img, options, to);
        }))
        fail(EXIT_PROBLEMS, "");
}

} // namespace imgforge
