#include "image/image.h"

#include "common/engine.h"
#include "common/format.h"
#include "common/platform.h"
#include "error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace imgforge {

namespace {

[[noreturn]] void refuse_erase()
{
    fail(EXIT_REFUSED, "ERROR: cannot erase NVM/OTP/efuse data\n");
}

// The memory backend, but OTP memory cannot be erased: every path that needs
// an erase is refused.
int tool_erase(void *context, uint8_t type, uint8_t *dst, uint32_t length)
{
    image &img = *static_cast<image *>(context);
    if (img.otp) {
        img.erase_refused = true;
        return 1;
    }
    return nvds_flash_erase(nullptr, type, dst, length);
}

constexpr nvds_backend tool_backend = {nvds_flash_identify, nvds_flash_read, nvds_flash_write,
                                       tool_erase, nvds_flash_cmp};

// A smaller region must still hold the whole chain and its 4-byte reserve.
void refuse_cutting_chain(image &img, uint32_t new_region)
{
    uint32_t address = nvds_chain_end(&img.region);
    check_engine(img.region);
    if (uint64_t(address) + 4 > new_region)
        fail(EXIT_REFUSED,
             format("ERROR: a region of %u bytes cannot hold the records, which end at %u\n",
                    new_region, address));
}

} // namespace

void resize_image(image &img, uint32_t size)
{
    uint32_t old_size = img.size;
    if (size > old_size && old_size && img.otp)
        refuse_erase();
    img.buf.resize(size);
    advise_large_buffer(img.buf.data(), size);
    // The merge buffer is filled by every -r that loads into it.
    img.merge.resize(size);
    if (old_size == 0)
        img.buf.data()[0] = 0; // fresh memory: no magic, so it is formatted
    else if (size > old_size)
        std::memset(img.buf.data() + old_size, 0xFF, size - old_size);
    img.size = size;
    rebind(img);
}

byte_buffer::~byte_buffer()
{
    std::free(bytes);
}

void byte_buffer::resize(size_t size)
{
    void *grown = std::realloc(bytes, size ? size : 1);
    if (!grown)
        fail(EXIT_REFUSED, format("Unable to malloc buffer: : %s\n", std::strerror(ENOMEM)));
    bytes = static_cast<uint8_t *>(grown);
}

image::image()
{
    env.inputs = &inputs;
    resize_image(*this, DEFAULT_FLASH_SIZE);
}

uint32_t region_size(const image &img)
{
    return img.otp ? img.size - HW_CFG_BYTES : img.size;
}

uint8_t *hw_word(const image &img)
{
    return img.buf.data() + img.size - HW_CFG_BYTES;
}

void bind_region(image &img, nvds_region &region, uint8_t *buf)
{
    uint8_t status = nvds_open(&region, buf, region_size(img), &tool_backend, &img);
    if (status == NVDS_NOT_FORMATTED)
        status = nvds_format(&region);
    engine_result(img, region, status);
}

void rebind(image &img)
{
    bind_region(img, img.region, img.buf.data());
}

uint8_t engine_result(image &img, nvds_region &region, uint8_t status)
{
    if (img.erase_refused) {
        img.erase_refused = false;
        refuse_erase();
    }
    check_engine(region);
    return status;
}

void refuse_flash_size_in_otp(const image &img)
{
    if (img.otp)
        fail(EXIT_REFUSED, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
}

void set_flash_size(image &img, uint32_t size)
{
    refuse_flash_size_in_otp(img);
    if (size == 0)
        fail(EXIT_REFUSED, "ERROR: Flash size must be larger than 0\n");
    if (size < MIN_FLASH_SIZE)
        fail(EXIT_REFUSED, format("ERROR: Flash size must be at least %u\n", MIN_FLASH_SIZE));
    if (size < img.size)
        refuse_cutting_chain(img, size);
    resize_image(img, size);
    img.flash_size_given = true;
}

void set_inverted(image &img)
{
    if (img.flash_size_given)
        fail(EXIT_REFUSED, "ERROR: '-i' and '-f' flags are mutually exlusive\n");
    if (!img.otp)
        refuse_cutting_chain(img, OTP_SIZE - HW_CFG_BYTES);
    img.otp = true;
    resize_image(img, OTP_SIZE);
}

void refuse_put(uint8_t tag, const char *source, uint8_t status)
{
    fail(EXIT_REFUSED,
         format("ERROR: failed to put tag %02x from '%s': %s\n", tag, source, nvds_stat(status)));
}

void put_or_fail(image &img, uint8_t tag, const uint8_t *data, uint16_t length, const char *source)
{
    uint8_t status = engine_result(img, img.region, nvds_put(&img.region, tag, length, data));
    if (status != NVDS_OK)
        refuse_put(tag, source, status);
}

} // namespace imgforge
