// The image a run builds: its buffers, size and form (flash or OTP), the
// engine over its region, and what was read to make it. The command line
// owns one; every part that reads or edits an image is handed it.
#ifndef IMGFORGE_IMAGE_IMAGE_H
#define IMGFORGE_IMAGE_IMAGE_H

#include "common/files.h"
#include "nvds.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imgforge {

inline constexpr uint32_t DEFAULT_FLASH_SIZE = 65536;
inline constexpr uint32_t OTP_SIZE = 4096;
inline constexpr uint32_t HW_CFG_BYTES = 4;
inline constexpr uint32_t MIN_FLASH_SIZE = 8; // magic and a readable end of chain

// Bytes from malloc, resized by realloc: a flash of gigabytes is neither
// zero-filled first nor copied on growth.
class byte_buffer {
  public:
    byte_buffer() = default;
    ~byte_buffer();
    byte_buffer(const byte_buffer &) = delete;
    byte_buffer &operator=(const byte_buffer &) = delete;
    // Keeps the first bytes; throws "Unable to malloc buffer: ..." (status
    // 3) when memory cannot be had.
    void resize(size_t size);
    uint8_t *data() const { return bytes; }

  private:
    uint8_t *bytes = nullptr;
};

// What was wrong with a damaged input that --check reads anyway.
struct input_problem {
    std::optional<uint32_t> offset; // of the record's data in the image
    std::string text;
};

struct image {
    // The start-up image: 65536 bytes, flash form, formatted ("NVDS" and
    // erased bytes).
    image();
    image(const image &) = delete;
    image &operator=(const image &) = delete;

    // Logical bytes: erased is 0xFF; in OTP form the medium holds their
    // complement, the hardware word in the last 4 bytes.
    byte_buffer buf;
    byte_buffer merge; // later -r files are loaded here and merged
    uint32_t size = 0; // of both buffers: the flash size
    bool otp = false;
    bool flash_size_given = false;
    bool loaded = false;        // the first -r replaced the start-up image
    bool stdin_read = false;    // -d - took standard input
    bool erase_refused = false; // the OTP backend refused an erase
    nvds_region region;         // the engine over buf

    // With --check, -r keeps a damaged file instead of refusing it: a file
    // that is no image reads as an empty image and a truncated one without
    // the warning; what was wrong is kept for the report.
    bool keep_damaged = false;
    // Where images lie in the files -r reads: Intel HEX and S-record files
    // give their bytes from this address on (--base); a binary file holds
    // the region at this offset (--at), as a dump of a whole flash does.
    uint32_t record_base = 0;
    std::optional<uint64_t> region_offset;
    std::string region_offset_text; // as given, for messages
    std::vector<input_problem> problems;
    std::vector<file_id> inputs; // every file read: no output replaces one
    output_env env;              // warnings, temporary files, inputs
};

// Size of the NVDS region: the buffer less the hardware word in OTP form.
uint32_t region_size(const image &img);
// The 4 bytes of the hardware word (OTP form).
uint8_t *hw_word(const image &img);
// Binds the engine to `buf` anew (an empty tag cache), formatting a region
// without the magic; in OTP form that is the erase refusal.
void bind_region(image &img, nvds_region &region, uint8_t *buf);
void rebind(image &img);

// Resizes both buffers: the image keeps its bytes up to the smaller size and
// grows with erased bytes (refused in OTP form, which cannot be erased).
void resize_image(image &img, uint32_t size);

// -f: refused in OTP form (checked before the argument is read), below 8
// bytes, or when the records would not fit.
void refuse_flash_size_in_otp(const image &img);
void set_flash_size(image &img, uint32_t size);
// -i
void set_inverted(image &img);

// The outcome of an engine operation on the image: the erase refusal, the
// assertion diagnostic of a corrupt chain, or the status itself.
uint8_t engine_result(image &img, nvds_region &region, uint8_t status);
// A put: a refusal throws "ERROR: failed to put tag ..." (status 3).
void put_or_fail(image &img, uint8_t tag, const uint8_t *data, uint16_t length, const char *source);
[[noreturn]] void refuse_put(uint8_t tag, const char *source, uint8_t status);

} // namespace imgforge

#endif
