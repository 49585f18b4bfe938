#include "image/split.h"

#include "common/files.h"
#include "common/platform.h"
#include "fatal.h"
#include "nvds.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace imgforge {

namespace {

// Record data read through the engine: at most 0x7FFF bytes.
uint8_t record_buf[NVDS_MAX_LENGTH];

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

uint32_t plan_split_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn, void *arg)
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

// Writes one split file; false after a message.
bool write_split(const split_file &f)
{
    const char *path = f.path.c_str();
    std::printf("Writing split %s\n", path);
    std::fflush(stdout);
    output_file file;
    if (!file.open(path))
        return false;
    nvds_env.read(f.addr, f.len, record_buf);
    if (file.write(record_buf, f.len) != f.len) {
        std::fprintf(stderr, "ERROR: cannot write '%s': %s\n", path, std::strerror(errno));
        return false;
    }
    return file.commit(false);
}

} // namespace

void split_records(const char *dir)
{
    // An empty directory is the current one.
    split_plan plan;
    std::string folder = *dir ? dir : ".";
    plan.dir = folder + DIR_SEPARATOR;
    nvds_walk(plan_split_cb, &plan);
    for (const split_file &f : plan.files)
        check_output_path(f.path.c_str());
    size_t written = 0;
    while (written < plan.files.size() && write_split(plan.files[written]))
        written++;
    bool synced = written == 0 || sync_outputs(folder.c_str());
    if (written < plan.files.size() || !synced)
        die(EXIT_FILE);
}

} // namespace imgforge
