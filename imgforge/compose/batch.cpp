#include "compose/batch.h"

#include "common/engine.h"
#include "common/files.h"
#include "common/format.h"
#include "common/platform.h"
#include "compose/content.h"
#include "compose/csv.h"
#include "compose/ids.h"
#include "error.h"
#include "image/chain.h"
#include "image/output.h"
#include "image/records.h"
#include "nvds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace imgforge {

namespace {

// Tables hold one short row per device: a larger input is a mistake (such as
// /dev/zero).
constexpr uint64_t MAX_TABLE = uint64_t(1) << 30;

// A column of the table: "id", or "TAG" or "TAG:TYPE".
struct column {
    std::string name;
    uint8_t tag;
    content_kind kind;
};

struct table_error {
    std::string text;
};

[[noreturn]] void reject(const std::string &text)
{
    throw table_error{text};
}

std::string read_table(image &img, const char *path)
{
    std::string text;
    int code = 0;
    switch (read_text_input(path, MAX_TABLE, text, code, &img.inputs)) {
    case text_read::ok:
        return text;
    case text_read::too_long:
        fail(EXIT_FILE, format("ERROR: way too much data from '%s'\n", path));
    default:
        reject(format(": cannot read it: %s", std::strerror(code)));
    }
}

// A tag that allows one live record only, named by two columns, would leave
// a deleted record in every image.
void refuse_repeated_tag(const std::vector<column> &columns, const column &c)
{
    if (c.tag >= NVDS_FIRST_WORKAROUND_TAG)
        return;
    for (size_t i = 1; i + 1 < columns.size(); i++)
        if (columns[i].tag == c.tag)
            reject(format(" header, column '%s': tag %02x is the tag of column '%s' too",
                          excerpt(c.name).c_str(), c.tag, excerpt(columns[i].name).c_str()));
}

std::vector<column> header_columns(const csv_table &table)
{
    if (table.rows().empty())
        reject(" header: the table is empty");
    const csv_table::row &header = table.rows()[0];
    if (table.cell(header, 0) != "id")
        reject(" header: the first column must be 'id'");
    std::vector<column> columns{{"id", 0, content_kind::hex}};
    for (size_t i = 1; i < header.count; i++) {
        std::string name(table.cell(header, i));
        size_t colon = name.find(':');
        column c{name, 0, content_kind::hex};
        std::string error = parse_tag_text(std::string_view(name).substr(0, colon), c.tag);
        if (error.empty() && colon != std::string::npos) {
            std::optional<content_kind> kind = content_kind_named(name.substr(colon + 1));
            if (kind)
                c.kind = *kind;
            else
                error = format("unknown type '%s'", excerpt(name.substr(colon + 1)).c_str());
        }
        if (!error.empty())
            reject(format(" header, column '%s': %s", excerpt(name).c_str(), error.c_str()));
        columns.push_back(c);
        refuse_repeated_tag(columns, c);
    }
    return columns;
}

// The batch: its table, columns and where its images go.
struct batch {
    image &img;
    const char *path;
    csv_table table;
    std::vector<column> columns;
    std::string dir;       // of the images
    std::string table_dir; // relative file cells start here
    file_cache files;

    size_t rows() const { return table.rows().size() - 1; }
    const csv_table::row &row(size_t i) const { return table.rows()[i + 1]; }
    std::string image_path(size_t i) const
    {
        return dir + DIR_SEPARATOR + std::string(table.cell(row(i), 0)) + ".bin";
    }
    // The record of a non-empty cell; false for an empty one.
    bool cell_record(size_t i, size_t c, bytes &data)
    {
        std::string_view text = table.cell(row(i), c);
        if (text.empty())
            return false;
        std::string error = content_from_text(columns[c].kind, text, table_dir, files, data);
        if (error.empty())
            error = check_content_length(columns[c].tag, data.size());
        if (!error.empty())
            reject(format(" row %zu, column '%s': %s", i + 1, excerpt(columns[c].name).c_str(),
                          error.c_str()));
        return true;
    }
};

void check_id(batch &b, size_t i, id_index &ids)
{
    std::string_view id = b.table.cell(b.row(i), 0);
    std::string error = id_error(id);
    if (error.empty())
        if (unsigned first = ids.add(id, unsigned(i + 1)))
            error = format("the id '%s' is the id of row %u too%s", excerpt(id).c_str(), first,
                           b.table.cell(b.row(first - 1), 0) == id ? "" : ", ignoring letter case");
    if (!error.empty())
        reject(format(" row %zu, column 'id': %s", i + 1, error.c_str()));
}

// Every row is checked and every cell read before anything is written; the
// records are made again as each image is written, so that memory grows
// with the table's text, not with its records.
void check_rows(batch &b)
{
    id_index ids;
    bytes data;
    for (size_t i = 0; i < b.rows(); i++) {
        size_t cells = b.row(i).count;
        if (cells != b.columns.size())
            reject(
                format(" row %zu: %zu cells, the header has %zu", i + 1, cells, b.columns.size()));
        check_id(b, i, ids);
        for (size_t c = 1; c < cells; c++)
            b.cell_record(i, c, data);
    }
}

// Every image can be written: the folder exists (it is made when missing),
// no image replaces an input or passes a planted link, and none is a folder.
void check_outputs(const batch &b)
{
    if (!make_folders(b.dir))
        fail(EXIT_FILE, format("ERROR: cannot create the folder '%s': %s\n", b.dir.c_str(),
                               std::strerror(errno)));
    for (size_t i = 0; i < b.rows(); i++) {
        std::string path = b.image_path(i);
        check_output_path(path.c_str(), b.img.env);
        if (look_at(path.c_str(), true).kind == path_kind::folder)
            fail(EXIT_FILE,
                 format("ERROR: cannot write '%s': %s\n", path.c_str(), std::strerror(EISDIR)));
    }
}

// The image as the options left it, and how much of it a row can change.
struct image_template {
    std::vector<uint8_t> bytes;
    uint32_t chain_end;
    bool tail_erased; // else compaction may change the whole region
};

image_template keep_template(const image &img)
{
    const uint8_t *buf = img.buf.data();
    image_template t;
    t.bytes.assign(buf, buf + img.size);
    t.chain_end = walk_stored(buf, region_size(img), [](const stored_record &) { return true; }).at;
    t.tail_erased =
        std::all_of(buf + t.chain_end, buf + region_size(img), [](uint8_t b) { return b == 0xFF; });
    return t;
}

// The template again, as far as the last row may have changed it.
void restore(image &img, const image_template &t, uint32_t changed_end)
{
    uint32_t span = t.tail_erased ? std::max(t.chain_end, changed_end) : region_size(img);
    std::memcpy(img.buf.data(), t.bytes.data(), std::min(span, img.size));
    rebind(img);
}

// With more than 1000 rows, a counter on a terminal.
void show_progress(const text_sink &to, size_t done, size_t total)
{
    if (total > 1000 && (done % 100 == 0 || done == total) && to.file() && is_terminal(to.file()))
        to.printf("\r%zu of %zu images written%s", done, total, done == total ? "\n" : "");
}

// Puts the row's records; the engine's refusal ends the run.
void put_row(batch &b, size_t i)
{
    bytes data;
    for (size_t c = 1; c < b.columns.size(); c++) {
        if (!b.cell_record(i, c, data))
            continue;
        uint8_t tag = b.columns[c].tag;
        uint8_t status = engine_result(
            b.img, b.img.region, nvds_put(&b.img.region, tag, uint16_t(data.size()), data.data()));
        if (status != NVDS_OK)
            fail(EXIT_REFUSED,
                 format("ERROR: '%s' row %zu, column '%s': failed to put tag %02x: %s\n", b.path,
                        i + 1, excerpt(b.columns[c].name).c_str(), tag, nvds_stat(status)));
    }
}

// The images written before a failure are made durable; the failure is the
// one to report.
void sync_after_failure(const batch &b)
{
    try {
        sync_outputs(b.dir.c_str());
    } catch (const error &) {
    }
}

} // namespace

void write_batch(image &img, const char *table, const char *dir_arg, bool full)
{
    batch b{img, table, {}, {}, *dir_arg ? dir_arg : ".", {}, file_cache(&img.inputs)};
    const char *slash = std::strrchr(table, '/');
    b.table_dir = slash ? std::string(table, size_t(slash - table)) : std::string();
    try {
        std::string error;
        if (!parse_csv(read_table(img, table), b.table, error))
            reject(": " + error);
        b.columns = header_columns(b.table);
        check_rows(b);
    } catch (const table_error &e) {
        fail(EXIT_FILE, format("ERROR: '%s'%s\n", table, e.text.c_str()));
    }
    check_outputs(b);

    image_template t = keep_template(img);
    size_t written = 0;
    try {
        for (size_t i = 0; i < b.rows(); i++) {
            put_row(b, i);
            // No deleted record of the template is left behind; OTP memory
            // cannot be erased, so an OTP image keeps them.
            if (!img.otp)
                compact_image(img);
            uint32_t end = nvds_chain_end(&img.region);
            check_engine(img.region);
            write_image_file(img, b.image_path(i).c_str(), image_output_length(img, full), false);
            written++;
            show_progress(img.env.warnings, written, b.rows());
            restore(img, t, end);
        }
    } catch (const error &) {
        if (written)
            sync_after_failure(b);
        throw;
    }
    if (written)
        sync_outputs(b.dir.c_str());
    img.env.warnings.printf("wrote %zu images to '%s'\n", written, b.dir.c_str());
}

} // namespace imgforge
