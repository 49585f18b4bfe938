#include "image/split.h"

#include "common/engine.h"
#include "common/files.h"
#include "common/format.h"
#include "common/platform.h"
#include "error.h"
#include "nvds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace imgforge {

namespace {

// One split file: the record it holds and its path.
struct split_file {
    uint32_t addr;
    uint16_t len;
    std::string path;
};

// Paths "<dir><sep><tag>.bin"; the second and later records of a tag get
// "<tag>-2.bin", "<tag>-3.bin", ...
struct split_plan {
    std::string dir;
    unsigned seen[256] = {};
    std::vector<split_file> files;
};

uint32_t plan_split_cb(nvds_region *, uint8_t tag, uint32_t addr, uint16_t len, void *arg)
{
    split_plan &plan = *static_cast<split_plan *>(arg);
    char name[16];
    unsigned n = ++plan.seen[tag];
    if (n == 1)
        std::snprintf(name, sizeof name, "%02x.bin", tag);
    else
        std::snprintf(name, sizeof name, "%02x-%u.bin", tag, n);
    plan.files.push_back({addr, len, plan.dir + name});
    return 0;
}

void write_split(image &img, const split_file &f, const text_sink &out)
{
    const char *path = f.path.c_str();
    out.printf("Writing split %s\n", path);
    out.flush();
    output_file file(img.env);
    file.open(path);
    std::vector<uint8_t> data(f.len);
    engine_result(img, img.region, uint8_t(nvds_read(&img.region, f.addr, f.len, data.data())));
    if (file.write(data.data(), f.len) != f.len)
        fail(EXIT_FILE, format("ERROR: cannot write '%s': %s\n", path, std::strerror(errno)));
    file.commit(false);
}

} // namespace

void split_records(image &img, const char *dir, const text_sink &out)
{
    // An empty directory is the current one.
    split_plan plan;
    std::string folder = *dir ? dir : ".";
    plan.dir = folder + DIR_SEPARATOR;
    walk_records(img.region, plan_split_cb, &plan);
    for (const split_file &f : plan.files)
        check_output_path(f.path.c_str(), img.env);
    size_t written = 0;
    try {
        for (const split_file &f : plan.files) {
            write_split(img, f, out);
            written++;
        }
    } catch (const error &) {
        if (written) {
            try {
                sync_outputs(folder.c_str());
            } catch (const error &) {
                // The failed write is the one to report.
            }
        }
        throw;
    }
    if (written)
        sync_outputs(folder.c_str());
}

} // namespace imgforge
