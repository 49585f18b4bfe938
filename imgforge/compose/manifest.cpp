#include "compose/manifest.h"

#include "common/engine.h"
#include "common/files.h"
#include "common/format.h"
#include "compose/content.h"
#include "compose/json_reader.h"
#include "error.h"
#include "nvds.h"
#include "otp/hw_cfg.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace imgforge {

namespace {

using json = nlohmann::json;

// Keys of the --json document that a manifest ignores.
constexpr const char *ignored_keys[] = {"offset", "name", "length", "decoded", "value", "problem"};
// The keys of a record's content; exactly one per record.
constexpr const char *content_keys[] = {"data", "u8", "u16", "u32", "text", "bd_address", "file"};
constexpr content_kind content_kinds[] = {
    content_kind::hex,  content_kind::u8,         content_kind::u16, content_kind::u32,
    content_kind::text, content_kind::bd_address, content_kind::file};

struct planned_record {
    uint8_t tag;
    bytes data;
    bool lock;
};

struct manifest_error {
    std::string text;
};

[[noreturn]] void reject(const std::string &text)
{
    throw manifest_error{text};
}

bool is_one_of(const std::string &key, const auto &keys)
{
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

// A JSON number that is not a whole number from 0 up.
bool not_whole(const json &value)
{
    return value.is_number() && !value.is_number_unsigned();
}

uint8_t record_tag(const json &rec)
{
    auto it = rec.find("tag");
    if (it == rec.end())
        reject("no \"tag\"");
    if (it->is_number_unsigned() && it->get<uint64_t>() >= 1 && it->get<uint64_t>() <= 254)
        return uint8_t(it->get<uint64_t>());
    if (not_whole(*it))
        reject(
            format("tag %s: a whole number from 1 to 254, a hex string or a tag name is expected",
                   it->dump().c_str()));
    if (it->is_number())
        reject(format("tag %s is not 1 to 254", it->dump().c_str()));
    if (!it->is_string())
        reject("\"tag\" must be a number, a hex string or a tag name");
    uint8_t tag = 0;
    std::string error = parse_tag_text(it->get<std::string>(), tag);
    if (!error.empty())
        reject(error);
    return tag;
}

bytes record_content(const json &rec, const std::string &dir, file_cache &files)
{
    const char *key = nullptr;
    content_kind kind{};
    for (size_t i = 0; i < std::size(content_keys); i++) {
        if (!rec.contains(content_keys[i]))
            continue;
        if (key)
            reject(format("more than one content: \"%s\" and \"%s\"", key, content_keys[i]));
        key = content_keys[i];
        kind = content_kinds[i];
    }
    if (!key)
        reject("no content: one of \"data\", \"text\", \"file\", \"u8\", \"u16\", \"u32\" or "
               "\"bd_address\"");
    const json &value = rec[key];
    bytes data;
    std::string error;
    bool number =
        kind == content_kind::u8 || kind == content_kind::u16 || kind == content_kind::u32;
    if (number && value.is_number_unsigned())
        error = content_from_number(kind, value.get<uint64_t>(), data);
    else if (number && not_whole(value))
        error = format("\"%s\" %s: a whole number from 0 to %llu or a string is expected", key,
                       value.dump().c_str(),
                       kind == content_kind::u8    ? 0xFFull
                       : kind == content_kind::u16 ? 0xFFFFull
                                                   : 0xFFFFFFFFull);
    else if (value.is_string())
        error = content_from_text(kind, value.get<std::string>(), dir, files, data);
    else
        error = format("\"%s\" must be %s", key, number ? "a number or a string" : "a string");
    if (!error.empty())
        reject(error);
    return data;
}

planned_record plan_record(const json &rec, const std::string &dir, file_cache &files)
{
    if (!rec.is_object())
        reject("not a JSON object");
    for (const auto &[key, value] : rec.items())
        if (key != "tag" && key != "locked" && !is_one_of(key, content_keys) &&
            !is_one_of(key, ignored_keys))
            reject(format("unknown key '%s'", excerpt(key).c_str()));
    planned_record planned{record_tag(rec), record_content(rec, dir, files), false};
    if (auto locked = rec.find("locked"); locked != rec.end()) {
        if (!locked->is_boolean())
            reject("\"locked\" must be true or false");
        planned.lock = locked->get<bool>();
    }
    std::string error = check_content_length(planned.tag, planned.data.size());
    if (!error.empty())
        reject(error);
    return planned;
}

[[noreturn]] void fail_manifest(const char *path, const std::string &text)
{
    fail(EXIT_FILE, format("ERROR: '%s'%s\n", path, text.c_str()));
}

// Manifests are small: a larger input is a mistake (such as /dev/zero).
constexpr uint64_t MAX_MANIFEST = uint64_t(64) << 20;

std::string read_manifest(image &img, const char *path)
{
    std::string text;
    int code = 0;
    switch (read_text_input(path, MAX_MANIFEST, text, code, &img.inputs)) {
    case text_read::ok:
        break;
    case text_read::too_long:
        fail(EXIT_FILE, format("ERROR: way too much data from '%s'\n", path));
    default:
        fail_manifest(path, format(": cannot read it: %s", std::strerror(code)));
    }
    return text;
}

std::string folder_of(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? std::string(path, size_t(slash - path)) : std::string();
}

// What the document says of the image itself, in the shape --json writes it.
struct image_shape {
    bool otp = false;                   // "format": "otp"
    std::optional<uint32_t> flash_size; // "flash_size"
    std::optional<uint32_t> hw_bits;    // "hw_config": the word, or its fields
};

uint64_t whole_number(const json &value, const char *key, uint64_t max)
{
    if (!value.is_number_unsigned() || value.get<uint64_t>() > max)
        reject(format("\"%s\" %s: a whole number from 0 to %llu is expected", key,
                      excerpt(value.dump()).c_str(), static_cast<unsigned long long>(max)));
    return value.get<uint64_t>();
}

// Each field as -w NAME:VALUE would blow it; its text is ignored.
uint32_t field_bits(const json &fields)
{
    if (!fields.is_array())
        reject("\"fields\" must be an array");
    uint32_t bits = 0;
    for (size_t i = 0; i < fields.size(); i++) {
        const json &field = fields[i];
        auto name = field.is_object() ? field.find("name") : field.end();
        if (!field.is_object() || name == field.end() || !name->is_string() ||
            !field.contains("value"))
            reject(format("field %zu: an object with \"name\" and \"value\" is expected", i));
        uint32_t one = 0;
        std::string error = hw_field_bits(name->get<std::string>(),
                                          whole_number(field["value"], "value", UINT32_MAX), one);
        if (!error.empty())
            reject(format("field %zu: %s", i, error.c_str()));
        bits |= one;
    }
    return bits;
}

uint32_t hw_config_bits(const json &config)
{
    if (!config.is_object())
        reject("\"hw_config\" must be an object");
    for (const auto &[key, value] : config.items())
        if (key != "word" && key != "fields")
            reject(format("unknown key '%s'", excerpt(key).c_str()));
    if (auto word = config.find("word"); word != config.end())
        return uint32_t(whole_number(*word, "word", UINT32_MAX));
    auto fields = config.find("fields");
    return fields == config.end() ? 0 : field_bits(*fields);
}

image_shape read_shape(const json &doc)
{
    image_shape shape;
    if (auto form = doc.find("format"); form != doc.end()) {
        if (*form != "flash" && *form != "otp")
            reject("\"format\" must be \"flash\" or \"otp\"");
        shape.otp = *form == "otp";
    }
    if (auto size = doc.find("flash_size"); size != doc.end())
        shape.flash_size = uint32_t(whole_number(*size, "flash_size", UINT32_MAX));
    if (auto config = doc.find("hw_config"); config != doc.end()) {
        try {
            shape.hw_bits = hw_config_bits(*config);
        } catch (const manifest_error &e) {
            reject("hw_config: " + e.text);
        }
    }
    return shape;
}

// The form and size act as -i and -f would at this point, the hardware word
// as -w; a flash size is ignored in OTP form.
void apply_shape(image &img, const image_shape &shape, const char *path)
{
    if (shape.otp)
        set_inverted(img);
    if (shape.flash_size && !img.otp)
        set_flash_size(img, *shape.flash_size);
    if (shape.hw_bits && !img.otp)
        fail(EXIT_USAGE, format("ERROR: '%s' hw_config: the image is not in OTP form\n", path));
    if (shape.hw_bits)
        blow_hw_bits(hw_word(img), *shape.hw_bits);
}

} // namespace

// Every record is checked before the first is put; then each is read
// again as it is put, so that no record's bytes are kept meanwhile.
void apply_manifest(image &img, const char *path)
{
    apply_manifest_text(img, read_manifest(img, path), path, folder_of(path));
}

void apply_manifest_text(image &img, std::string_view text, const std::string &name,
                         const std::string &dir)
{
    const char *path = name.c_str();
    json doc;
    std::string error;
    if (!read_json(text, doc, error))
        fail_manifest(path, ": " + error);
    auto records = doc.is_object() ? doc.find("records") : doc.end();
    if (!doc.is_object() || records == doc.end() || !records->is_array())
        fail_manifest(path, ": a JSON object with a \"records\" array is expected");
    image_shape shape;
    try {
        shape = read_shape(doc);
    } catch (const manifest_error &e) {
        fail_manifest(path, ": " + e.text);
    }
    file_cache files(&img.inputs);
    for (size_t i = 0; i < records->size(); i++) {
        try {
            plan_record((*records)[i], dir, files);
        } catch (const manifest_error &e) {
            fail_manifest(path, format(" record %zu: %s", i, e.text.c_str()));
        }
    }
    apply_shape(img, shape, path);
    for (size_t i = 0; i < records->size(); i++) {
        const planned_record r = plan_record((*records)[i], dir, files);
        uint8_t status = engine_result(
            img, img.region, nvds_put(&img.region, r.tag, uint16_t(r.data.size()), r.data.data()));
        const char *action = "put";
        if (status == NVDS_OK && r.lock) {
            status = engine_result(img, img.region, nvds_lock(&img.region, r.tag));
            action = "lock";
        }
        if (status != NVDS_OK)
            fail(EXIT_REFUSED, format("ERROR: failed to %s tag %02x from '%s' record %zu: %s\n",
                                      action, r.tag, path, i, nvds_stat(status)));
    }
}

} // namespace imgforge
