#include "image/buffers.h"

#include "common/platform.h"
#include "fatal.h"
#include "image/input.h"
#include "nvds.h"

#include <cstdlib>
#include <cstring>

namespace imgforge {

uint8_t *nvds_buf;
uint8_t *nvds_merge_buf;
uint32_t buf_size = OTP_SIZE;
uint32_t buf_used = NVDS_FIRST_RECORD;
bool nvds_inverted;
bool buf_read;

namespace {

bool flash_size_given;

[[noreturn]] void refuse_erase()
{
    std::fprintf(stderr, "ERROR: cannot erase NVM/OTP/efuse data\n");
    die(EXIT_REFUSED);
}

// OTP cannot be erased: every path that needs an erase stops here.
int tool_flash_erase(uint8_t type, uint8_t *dst, uint32_t length)
{
    if (nvds_inverted)
        refuse_erase();
    return flash_erase(type, dst, length);
}

const nvds_backend tool_backend = {flash_identify, flash_read, flash_write, tool_flash_erase,
                                   flash_cmp};

void resize_buffer(uint8_t *&buf, uint32_t size)
{
    void *grown = std::realloc(buf, size);
    if (!grown) {
        std::perror("Unable to malloc buffer: ");
        die(EXIT_REFUSED);
    }
    buf = static_cast<uint8_t *>(grown);
    advise_large_buffer(buf, size);
}

// A smaller region must still hold the whole chain and its 4-byte reserve.
void refuse_cutting_chain(uint32_t new_region)
{
    uint32_t address = NVDS_FIRST_RECORD;
    uint8_t header[4];
    uint32_t next = 0;
    while (nvds_walk_tag(address, header, &next) == NVDS_OK)
        address = next;
    if (uint64_t(address) + 4 > new_region) {
        std::fprintf(stderr,
                     "ERROR: a region of %u bytes cannot hold the records, which end at %u\n",
                     new_region, address);
        die(EXIT_REFUSED);
    }
}

} // namespace

void image_start()
{
    image_release();
    buf_size = OTP_SIZE;
    buf_used = NVDS_FIRST_RECORD;
    nvds_inverted = false;
    flash_size_given = false;
    buf_read = false;
    reset_input_problems();
    nvds_disable_tag_cache = 0;
    nvds_set_backend(&tool_backend);
    realloc_and_reinit_nvds_buf(DEFAULT_FLASH_SIZE);
}

void image_release()
{
    std::free(nvds_buf);
    std::free(nvds_merge_buf);
    nvds_buf = nvds_merge_buf = nullptr;
    nvds_disable_tag_cache = 1;
    nvds_reset_tag_cache(); // releases the cache table
    nvds_disable_tag_cache = 0;
    nvds_set_backend(nullptr);
}

uint32_t region_size()
{
    return nvds_inverted ? buf_size - HW_CFG_BYTES : buf_size;
}

void bind_engine(uint8_t *buf)
{
    nvds_init(buf, region_size());
}

void realloc_and_reinit_nvds_buf(uint32_t size)
{
    uint32_t old_size = nvds_buf ? buf_size : 0;
    if (size > old_size && old_size && nvds_inverted)
        refuse_erase();
    resize_buffer(nvds_buf, size);
    // The merge buffer is filled by every -r that loads into it.
    resize_buffer(nvds_merge_buf, size);
    if (old_size == 0)
        nvds_buf[0] = 0; // fresh memory: no magic, so the engine formats it
    else if (size > old_size)
        std::memset(nvds_buf + old_size, 0xFF, size - old_size);
    buf_size = size;
    bind_engine(nvds_buf);
}

void refuse_flash_size_in_otp()
{
    if (nvds_inverted) {
        std::fprintf(stderr, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
        die(EXIT_REFUSED);
    }
}

void set_flash_size(uint32_t size)
{
    refuse_flash_size_in_otp();
    if (size == 0) {
        std::fprintf(stderr, "ERROR: Flash size must be larger than 0\n");
        die(EXIT_REFUSED);
    }
    if (size < MIN_FLASH_SIZE) {
        std::fprintf(stderr, "ERROR: Flash size must be at least %u\n", MIN_FLASH_SIZE);
        die(EXIT_REFUSED);
    }
    if (size < buf_size)
        refuse_cutting_chain(size);
    realloc_and_reinit_nvds_buf(size);
    flash_size_given = true;
}

void set_inverted()
{
    if (flash_size_given) {
        std::fprintf(stderr, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
        die(EXIT_REFUSED);
    }
    if (!nvds_inverted)
        refuse_cutting_chain(OTP_SIZE - HW_CFG_BYTES);
    nvds_inverted = true;
    realloc_and_reinit_nvds_buf(OTP_SIZE);
}

[[noreturn]] void refuse_put(uint8_t tag, const char *source, uint8_t status)
{
    std::fprintf(stderr, "ERROR: failed to put tag %02x from '%s': %s\n", tag, source,
                 nvds_stat(status));
    die(EXIT_REFUSED);
}

} // namespace imgforge
