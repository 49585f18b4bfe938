#include "listing.h"

#include "fatal.h"
#include "files.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace imgforge {

namespace {

// Record data read through the engine: at most 0x7FFF bytes.
uint8_t record_buf[NVDS_MAX_LENGTH];

// Split path "<dir><sep>xx.bin" with the position of the tag digits.
struct split_path {
    std::string path;
    size_t tag_pos;
    bool failed;
};

uint32_t walk_cb_split(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg)
{
    split_path &sp = *static_cast<split_path *>(arg);
    static const char hex[] = "0123456789abcdef";
    sp.path[sp.tag_pos] = hex[tag >> 4];
    sp.path[sp.tag_pos + 1] = hex[tag & 0xF];
    const char *path = sp.path.c_str();
    std::printf("Writing split %s\n", path);
    std::fflush(stdout);
    FILE *file = open_output(path);
    if (!file) {
        sp.failed = true;
        return 1;
    }
    read(addr, len, record_buf);
    if (std::fwrite(record_buf, 1, len, file) != len) {
        std::fprintf(stderr, "Failed to write file '%s': %s\n", path, std::strerror(errno));
        std::fclose(file);
        sp.failed = true;
        return 1;
    }
    if (!close_output(file, path)) {
        sp.failed = true;
        return 1;
    }
    return 0;
}

} // namespace

uint32_t print_hex_nvds(nvds_read_fn read, uint32_t addr, uint16_t len, void *)
{
    static const char hex[] = "0123456789abcdef";
    constexpr uint32_t CHUNK = 1024;
    char text[3 * CHUNK];
    read(addr, len, record_buf);
    for (uint32_t at = 0; at < len; at += CHUNK) {
        uint32_t n = std::min<uint32_t>(CHUNK, len - at);
        for (uint32_t i = 0; i < n; i++) {
            uint8_t b = record_buf[at + i];
            text[3 * i] = ' ';
            text[3 * i + 1] = hex[b >> 4];
            text[3 * i + 2] = hex[b & 0xF];
        }
        std::fwrite(text, 1, 3 * size_t(n), stdout);
    }
    return 0;
}

uint32_t walk_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *)
{
    std::printf("@%04x %02x ", addr, tag);
    print_hex_nvds(read, addr, len, nullptr);
    std::putchar('\n');
    return 0;
}

void list_records()
{
    nvds_walk(walk_cb, nullptr);
}

void split_records(const char *dir)
{
    split_path sp{std::string(dir) + DIR_SEPARATOR + "xx.bin", std::strlen(dir) + 1, false};
    nvds_walk(walk_cb_split, &sp);
    if (sp.failed)
        die(EXIT_FILE);
}

} // namespace imgforge
