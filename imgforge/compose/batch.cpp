#include "compose/batch.h"

#include "common/files.h"
#include "common/format.h"
#include "common/platform.h"
#include "compose/content.h"
#include "compose/csv.h"
#include "fatal.h"
#include "image/buffers.h"
#include "image/chain.h"
#include "image/output.h"
#include "nvds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace imgforge {

namespace {

// A column of the table: "id", or "TAG" or "TAG:TYPE".
struct column {
    std::string name;
    uint8_t tag;
    content_kind kind;
};

// One cell's record, ready to put.
struct cell_record {
    size_t column;
    bytes data;
};

struct device {
    std::string id;
    std::string path;
    std::vector<cell_record> records;
};

struct table_error {
    std::string text;
};

[[noreturn]] void fail(const std::string &text)
{
    throw table_error{text};
}

std::string read_table(const char *path)
{
    input_file file(path);
    if (!file.is_open())
        fail(format(": cannot read it: %s", std::strerror(file.open_error())));
    std::string text;
    uint8_t chunk[65536];
    for (size_t got = 0;;) {
        if (!file.try_read(chunk, sizeof chunk, got))
            fail(format(": cannot read it: %s", std::strerror(errno)));
        if (got == 0)
            return text;
        text.append(reinterpret_cast<const char *>(chunk), got);
    }
}

std::vector<column> header_columns(const csv_row &header)
{
    if (header.cells.empty() || header.cells[0] != "id")
        fail(" header: the first column must be 'id'");
    std::vector<column> columns{{"id", 0, content_kind::hex}};
    for (size_t i = 1; i < header.cells.size(); i++) {
        const std::string &name = header.cells[i];
        size_t colon = name.find(':');
        column c{name, 0, content_kind::hex};
        std::string error = parse_tag_text(std::string_view(name).substr(0, colon), c.tag);
        if (error.empty() && colon != std::string::npos) {
            std::optional<content_kind> kind = content_kind_named(name.substr(colon + 1));
            if (kind)
                c.kind = *kind;
            else
                error = format("unknown type '%s'", name.substr(colon + 1).c_str());
        }
        if (!error.empty())
            fail(format(" header, column '%s': %s", name.c_str(), error.c_str()));
        columns.push_back(c);
    }
    return columns;
}

std::string id_error(const std::string &id, const std::map<std::string, unsigned> &seen)
{
    if (id.empty())
        return "the id is empty";
    if (id == "." || id == "..")
        return format("'%s' is not an id", id.c_str());
    if (id.find_first_of("/\\") != std::string::npos)
        return format("the id '%s' holds a path separator", id.c_str());
    if (auto it = seen.find(id); it != seen.end())
        return format("the id '%s' is the id of row %u too", id.c_str(), it->second);
    return {};
}

// Every row checked and turned into records, before anything is written.
std::vector<device> plan_devices(const std::vector<csv_row> &rows,
                                 const std::vector<column> &columns, const std::string &dir,
                                 const std::string &table_dir)
{
    std::vector<device> devices;
    std::map<std::string, unsigned> seen;
    for (size_t r = 1; r < rows.size(); r++) {
        const std::vector<std::string> &cells = rows[r].cells;
        unsigned row = unsigned(r);
        if (cells.size() != columns.size())
            fail(format(" row %u: %zu cells, the header has %zu", row, cells.size(),
                        columns.size()));
        device d{cells[0], dir + DIR_SEPARATOR + cells[0] + ".bin", {}};
        std::string error = id_error(d.id, seen);
        for (size_t c = 1; error.empty() && c < cells.size(); c++) {
            if (cells[c].empty())
                continue;
            cell_record rec{c, {}};
            error = content_from_text(columns[c].kind, cells[c], table_dir, rec.data);
            if (error.empty())
                error = check_content_length(columns[c].tag, rec.data.size());
            if (!error.empty())
                fail(format(" row %u, column '%s': %s", row, columns[c].name.c_str(),
                            error.c_str()));
            d.records.push_back(std::move(rec));
        }
        if (!error.empty())
            fail(format(" row %u, column 'id': %s", row, error.c_str()));
        seen[d.id] = row;
        devices.push_back(std::move(d));
    }
    return devices;
}

// The image as the options left it, and how much of it a row can change.
struct image_template {
    std::vector<uint8_t> bytes;
    uint32_t chain_end;
    bool tail_erased; // else compaction may change the whole region
};

image_template keep_template()
{
    image_template t;
    t.bytes.assign(nvds_buf, nvds_buf + buf_size);
    t.chain_end =
        walk_stored(nvds_buf, region_size(), [](const stored_record &) { return true; }).at;
    t.tail_erased = std::all_of(nvds_buf + t.chain_end, nvds_buf + region_size(),
                                [](uint8_t b) { return b == 0xFF; });
    return t;
}

// The template again, as far as the last row may have changed it.
void restore(const image_template &t, uint32_t changed_end)
{
    uint32_t span = t.tail_erased ? std::max(t.chain_end, changed_end) : region_size();
    std::memcpy(nvds_buf, t.bytes.data(), std::min(span, buf_size));
    bind_engine(nvds_buf);
}

void show_progress(size_t done, size_t total)
{
    static const bool terminal = is_terminal(stderr);
    if (total > 1000 && (done % 100 == 0 || done == total) && terminal)
        std::fprintf(stderr, "\r%zu of %zu images written%s", done, total,
                     done == total ? "\n" : "");
}

} // namespace

void write_batch(const char *table, const char *dir_arg, bool full)
{
    std::string dir = *dir_arg ? dir_arg : ".";
    const char *slash = std::strrchr(table, '/');
    std::string table_dir = slash ? std::string(table, size_t(slash - table)) : std::string();
    std::vector<device> devices;
    std::vector<column> columns;
    try {
        std::vector<csv_row> rows;
        std::string error;
        if (!parse_csv(read_table(table), rows, error))
            fail(": " + error);
        if (rows.empty())
            fail(" header: the table is empty");
        columns = header_columns(rows[0]);
        devices = plan_devices(rows, columns, dir, table_dir);
    } catch (const table_error &e) {
        std::fprintf(stderr, "ERROR: '%s'%s\n", table, e.text.c_str());
        die(EXIT_FILE);
    }
    for (const device &d : devices)
        check_output_path(d.path.c_str());

    image_template t = keep_template();
    size_t written = 0;
    for (size_t i = 0; i < devices.size(); i++) {
        const device &d = devices[i];
        for (const cell_record &rec : d.records) {
            uint8_t tag = columns[rec.column].tag;
            uint8_t status = nvds_put(tag, uint16_t(rec.data.size()), rec.data.data());
            if (status != NVDS_OK) {
                if (written)
                    sync_outputs(dir.c_str());
                std::fprintf(
                    stderr, "ERROR: '%s' row %zu, column '%s': failed to put tag %02x: %s\n", table,
                    i + 1, columns[rec.column].name.c_str(), tag, nvds_stat(status));
                die(EXIT_REFUSED);
            }
        }
        uint32_t end = nvds_chain_end();
        if (!write_image_file(d.path.c_str(), image_output_length(full), false)) {
            if (written)
                sync_outputs(dir.c_str());
            die(EXIT_FILE);
        }
        written++;
        show_progress(written, devices.size());
        restore(t, end);
    }
    if (written)
        sync_outputs(dir.c_str());
    std::fprintf(stderr, "wrote %zu images to '%s'\n", written, dir.c_str());
}

} // namespace imgforge
