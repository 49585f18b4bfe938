// NVDS storage engine: tagged records in a flash-like region.
//
// Region layout: the magic "NVDS" at offset 0, then a chain of records, each
// a header (tag, status, 1- or 2-byte length) followed by its data. The first
// record position whose tag byte is 0xFF ends the chain. Every change either
// clears bits (append into erased space, mark deleted or locked) or erases the
// whole region (format, compaction).
#ifndef NVDS_H
#define NVDS_H

#include <cstdint>

// Status codes returned by every engine operation.
enum : uint8_t {
    NVDS_OK = 0,
    NVDS_FAIL = 1,
    NVDS_TAG_NOT_DEFINED = 2,
    NVDS_NO_SPACE_AVAILABLE = 3,
    NVDS_LENGTH_OUT_OF_RANGE = 4,
    NVDS_PARAM_LOCKED = 5,
    NVDS_CORRUPT = 6,
};

// Record status bits: a set bit is the erased state.
enum : uint8_t {
    NVDS_STATUS_INVALID = 0x01,  // clear: record written completely
    NVDS_STATUS_UNLOCKED = 0x02, // clear: record locked
    NVDS_STATUS_PRESENT = 0x04,  // clear: record deleted
};

inline constexpr uint8_t NVDS_END_TAG = 0xFF;
inline constexpr uint8_t NVDS_FIRST_WORKAROUND_TAG = 0xFC;
inline constexpr uint16_t NVDS_MAX_LENGTH = 0x7FFF;
inline constexpr uint32_t NVDS_CACHE_MAX_REGION = 0x10000;
inline constexpr uint32_t NVDS_FIRST_RECORD = 4;
inline constexpr uint8_t nvds_magic_number[4] = {'N', 'V', 'D', 'S'};

// Engine callbacks over the current region (offsets are region offsets).
using nvds_read_fn = int (*)(uint32_t address, uint32_t length, uint8_t *dst);
using nvds_cmp_fn = uint32_t (*)(uint32_t address, uint32_t length, const uint8_t *data);
using nvds_write_fn = int (*)(uint32_t address, uint32_t length, const uint8_t *src);
using nvds_erase_fn = int (*)(uint32_t address, uint32_t length);

struct nvds_env_t {
    nvds_read_fn read;
    nvds_cmp_fn cmp;
    nvds_write_fn write;
    nvds_erase_fn erase;
    uint8_t *base;
    uint32_t total_size;
    uint8_t flash_type; // 0: no memory present
};
extern nvds_env_t nvds_env;

// Memory backend: the flash access functions the engine calls with memory
// addresses (base + offset). Installed with nvds_set_backend; the default is
// the plain memory backend below.
struct nvds_backend {
    int (*identify)(uint8_t *type);
    int (*read)(uint8_t type, const uint8_t *src, uint32_t length, uint8_t *dst);
    int (*write)(uint8_t type, uint8_t *dst, uint32_t length, const uint8_t *src);
    int (*erase)(uint8_t type, uint8_t *dst, uint32_t length);
    int (*cmp)(uint8_t type, uint32_t *result, uint8_t *stored, uint32_t length,
               const uint8_t *data);
};
void nvds_set_backend(const nvds_backend *backend); // nullptr: default backend

// Plain memory backend: erased bytes are 0xFF; cmp programs in place when the
// new bytes only clear bits of the stored ones.
int flash_identify(uint8_t *type);
int flash_read(uint8_t type, const uint8_t *src, uint32_t length, uint8_t *dst);
int flash_write(uint8_t type, uint8_t *dst, uint32_t length, const uint8_t *src);
int flash_erase(uint8_t type, uint8_t *dst, uint32_t length);
int flash_cmp(uint8_t type, uint32_t *result, uint8_t *stored, uint32_t length,
              const uint8_t *data);
extern const nvds_backend nvds_memory_backend;

// Backend used when no memory is present.
int nvds_null_read(uint32_t address, uint32_t length, uint8_t *dst);
uint32_t nvds_null_cmp(uint32_t address, uint32_t length, const uint8_t *data);
int nvds_null_write(uint32_t address, uint32_t length, const uint8_t *src);
int nvds_null_erase(uint32_t address, uint32_t length);

// Bounds-checked wrappers installed into nvds_env by nvds_init.
int nvds_read(uint32_t address, uint32_t length, uint8_t *dst);
uint32_t nvds_cmp(uint32_t address, uint32_t length, const uint8_t *data);
int nvds_write(uint32_t address, uint32_t length, const uint8_t *src);
int nvds_erase(uint32_t address, uint32_t length);

// Tag cache: entry t is the address of the record of tag t seen or written
// last (0: unknown). Kept only while enabled and total_size <= 64 KiB.
extern uint16_t *nvds_tag_cache;
extern uint16_t nvds_nxt_tag_addr;
extern uint8_t nvds_nxt_tag_status;
extern uint8_t nvds_disable_tag_cache;

uint8_t nvds_init(uint8_t *base, uint32_t total_size);
void nvds_init_memory();
void nvds_reset_tag_cache();

// Walk callback: a non-zero result stops the walk and becomes its result.
using nvds_walk_cb = uint32_t (*)(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read,
                                  void *arg);
uint32_t nvds_walk(nvds_walk_cb callback, void *arg);
uint8_t nvds_walk_tag(uint32_t address, uint8_t header[4], uint32_t *next);

uint8_t nvds_put(uint8_t tag, uint16_t length, const uint8_t *data);
// Offset of the end of the chain, where the next record goes.
uint32_t nvds_chain_end();
uint8_t nvds_put8(uint8_t tag, uint8_t length, const uint8_t *data);

uint8_t nvds_browse_tag(uint8_t tag, uint8_t header[4], uint32_t *address);
uint8_t nvds_get(uint8_t tag, uint16_t *length, uint8_t *dst);
uint8_t nvds_get8(uint8_t tag, uint8_t *length, uint8_t *dst);
uint8_t nvds_del(uint8_t tag);
uint8_t nvds_lock(uint8_t tag);
uint8_t nvds_del_all_unlocked_workarounds(uint8_t tag);

const char *nvds_stat(uint32_t code);

// Header decoding helpers shared by the engine and its callers.
inline uint32_t nvds_header_length(const uint8_t header[4])
{
    return (header[2] & 0x80) ? 4 : 3;
}
inline uint16_t nvds_data_length(const uint8_t header[4])
{
    return (header[2] & 0x80) ? uint16_t((header[2] & 0x7F) + header[3] * 128) : header[2];
}
inline bool nvds_is_live(uint8_t status)
{
    return (status & (NVDS_STATUS_INVALID | NVDS_STATUS_PRESENT)) == NVDS_STATUS_PRESENT;
}

// Thrown by the assertion diagnostic once it has been printed; the program
// ends with `status`.
struct nvds_abort {
    int status;
};
[[noreturn]] void assert_err(const char *condition, const char *file, int line);

#endif
