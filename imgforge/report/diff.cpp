#include "report/diff.h"

#include "common/format.h"
#include "dump/catalogue.h"
#include "dump/dispatch.h"
#include "error.h"
#include "image/chain.h"
#include "image/input.h"
#include "otp/hw_cfg.h"
#include "report/json.h"
#include "report/json_writer.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace imgforge {

namespace {

// The live records of an image by tag, each tag's in chain order.
using records_by_tag = std::array<std::vector<stored_record>, 256>;

records_by_tag live_records(const image &img)
{
    records_by_tag by_tag;
    walk_stored(img.buf.data(), region_size(img), [&](const stored_record &r) {
        if (nvds_is_live(r.status))
            by_tag[r.tag].push_back(r);
        return true;
    });
    return by_tag;
}

bool locked(const stored_record &r)
{
    return !(r.status & NVDS_STATUS_UNLOCKED);
}

bool same_record(const image &a, const stored_record &x, const image &b, const stored_record &y)
{
    return x.length == y.length && locked(x) == locked(y) &&
           std::memcmp(a.buf.data() + x.data, b.buf.data() + y.data, x.length) == 0;
}

// A record paired with the other image's record of the same tag and place.
struct difference {
    uint8_t tag;
    std::optional<stored_record> left;
    std::optional<stored_record> right;
};

// The image read from the file as a first -r reads it, in the left image's
// form and size.
std::unique_ptr<image> right_image(const image &left, const char *path)
{
    auto right = std::make_unique<image>();
    right->env.warnings = left.env.warnings;
    right->keep_damaged = left.keep_damaged;
    right->record_base = left.record_base;
    right->region_offset = left.region_offset;
    if (left.otp)
        set_inverted(*right);
    else if (left.size != right->size)
        set_flash_size(*right, left.size);
    read_input(*right, path);
    return right;
}

// The differences, in tag order.
std::vector<difference> differences(const image &left, const records_by_tag &l, const image &right,
                                    const records_by_tag &r)
{
    std::vector<difference> found;
    for (unsigned tag = 0; tag < 256; tag++)
        for (size_t i = 0; i < std::max(l[tag].size(), r[tag].size()); i++) {
            std::optional<stored_record> a, b;
            if (i < l[tag].size())
                a = l[tag][i];
            if (i < r[tag].size())
                b = r[tag][i];
            if (!a || !b || !same_record(left, *a, right, *b))
                found.push_back({uint8_t(tag), a, b});
        }
    return found;
}

// What -p prints for the record after its offset, for one whose tag it
// decodes; the tag's name and the raw form for one it cannot decode (a
// length its rule refuses), the raw form alone for an unknown tag or a
// range marker. " (locked)" ends the first line of a locked record.
std::string record_text(image &img, const stored_record &r)
{
    std::string text = format("%02x ", r.tag);
    const tag_info *info = find_tag_info(r.tag);
    if (info && info->rule != length_rule::marker)
        text += std::string(info->name) + " ";
    if (has_content(r.tag, r.length)) {
        print_content(img.region, r.tag, r.data, r.length, text_sink(text));
    } else {
        for (uint16_t i = 0; i < r.length; i++)
            text += format(" %02x", img.buf.data()[r.data + i]);
    }
    size_t first_end = text.find('\n');
    if (locked(r))
        text.insert(first_end == std::string::npos ? text.size() : first_end, " (locked)");
    if (text.empty() || text.back() != '\n')
        text += '\n';
    return text;
}

struct comparison {
    image &left;
    image &right;
    std::vector<difference> found;
    uint32_t left_word, right_word;
    bool same, layout_only;
};

void write_text(const comparison &c, const text_sink &out)
{
    for (const difference &d : c.found) {
        if (d.left)
            out.printf("- %s", record_text(c.left, *d.left).c_str());
        if (d.right)
            out.printf("+ %s", record_text(c.right, *d.right).c_str());
    }
    if (c.left_word != c.right_word)
        out.printf("- HW configuration: 0x%08x\n+ HW configuration: 0x%08x\n", c.left_word,
                   c.right_word);
    if (c.found.empty())
        out.printf("the images hold the same records\n");
    else
        out.printf("%u records differ\n", unsigned(c.found.size()));
    if (c.layout_only)
        out.printf("the images differ in layout only\n");
}

void write_side(json_writer &w, image &img, const std::optional<stored_record> &r)
{
    if (r)
        write_json_record(w, img, *r);
    else
        w.null();
}

void write_json(const comparison &c, const text_sink &out)
{
    json_writer w(out);
    w.begin_object();
    w.key("same");
    w.boolean(c.same);
    w.key("layout_only");
    w.boolean(c.layout_only);
    w.key("differences");
    w.begin_array();
    for (const difference &d : c.found) {
        w.begin_object();
        w.key("tag");
        w.number(d.tag);
        w.key("name");
        if (const char *name = tag_name(d.tag))
            w.string(name);
        else
            w.null();
        w.key("left");
        write_side(w, c.left, d.left);
        w.key("right");
        write_side(w, c.right, d.right);
        w.end_object();
    }
    w.end_array();
    if (c.left_word != c.right_word) {
        w.key("hw_config");
        w.begin_object();
        w.key("left");
        w.number(c.left_word);
        w.key("right");
        w.number(c.right_word);
        w.end_object();
    }
    w.end_object();
    w.flush();
    out.put('\n');
}

comparison compare(image &left, image &right)
{
    if (left.otp != right.otp)
        fail(EXIT_USAGE, "ERROR: an OTP image compares only with an OTP image\n");
    records_by_tag l = live_records(left), r = live_records(right);
    comparison c{left, right, differences(left, l, right, r), 0, 0, false, false};
    if (left.otp) {
        c.left_word = get_hw_cfg(hw_word(left));
        c.right_word = get_hw_cfg(hw_word(right));
    }
    c.same = c.found.empty() && c.left_word == c.right_word;
    c.layout_only = c.same && (left.size != right.size ||
                               std::memcmp(left.buf.data(), right.buf.data(), left.size) != 0);
    return c;
}

} // namespace

void diff_images(image &left, const char *path, bool json, const char *location,
                 const text_sink &out)
{
    std::unique_ptr<image> right = right_image(left, path);
    comparison c = compare(left, *right);
    write_text_output(left, location, out, [&](const text_sink &to) {
        if (json)
            write_json(c, to);
        else
            write_text(c, to);
        return true;
    });
    if (!c.same)
        fail(EXIT_DIFFERENT, "");
}

std::string diff_document(image &left, image &right)
{
    std::string text;
    write_json(compare(left, right), text_sink(text));
    return text;
}

} // namespace imgforge
