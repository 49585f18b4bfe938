/* NVDS storage engine: tagged records in a flash-like region.
 *
 * Region layout: the magic "NVDS" at offset 0, then a chain of records, each
 * a header (tag, status, 1- or 2-byte length) followed by its data. The first
 * record position whose tag byte is 0xFF ends the chain. Every change either
 * clears bits (append into erased space, mark deleted or locked) or erases the
 * whole region (format, compaction).
 *
 * Everything the engine knows of a region lives in its handle, nvds_region:
 * two handles over two regions work side by side, in two threads at once.
 * The engine prints nothing and never ends the process: a corrupt chain makes
 * an operation return NVDS_CORRUPT and leaves the failed check in the handle.
 * C and C++ both compile this header. */
#ifndef NVDS_H
#define NVDS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes returned by every engine operation. */
enum {
    NVDS_OK = 0,
    NVDS_FAIL = 1,
    NVDS_TAG_NOT_DEFINED = 2,
    NVDS_NO_SPACE_AVAILABLE = 3,
    NVDS_LENGTH_OUT_OF_RANGE = 4,
    NVDS_PARAM_LOCKED = 5,
    NVDS_CORRUPT = 6,
    NVDS_NOT_FORMATTED = 7 /* nvds_open: the region does not start with the magic */
};

/* Record status bits: a set bit is the erased state. */
enum {
    NVDS_STATUS_INVALID = 0x01,  /* clear: record written completely */
    NVDS_STATUS_UNLOCKED = 0x02, /* clear: record locked */
    NVDS_STATUS_PRESENT = 0x04   /* clear: record deleted */
};

enum {
    NVDS_END_TAG = 0xFF,
    NVDS_FIRST_WORKAROUND_TAG = 0xFC,
    NVDS_MAX_LENGTH = 0x7FFF,
    NVDS_FIRST_RECORD = 4
};
#define NVDS_CACHE_MAX_REGION 0x10000u

/* The four bytes every region starts with: "NVDS". */
extern const uint8_t nvds_magic_number[4];

/* Memory backend: the flash access functions the engine calls with memory
 * addresses (base + offset) and the handle's context. A non-zero result of
 * erase is a refusal (such as OTP memory, which cannot be erased): the
 * operation that needed it returns NVDS_FAIL with the region unchanged. */
typedef struct nvds_backend {
    int (*identify)(void *context, uint8_t *type);
    int (*read)(void *context, uint8_t type, const uint8_t *src, uint32_t length, uint8_t *dst);
    int (*write)(void *context, uint8_t type, uint8_t *dst, uint32_t length, const uint8_t *src);
    int (*erase)(void *context, uint8_t type, uint8_t *dst, uint32_t length);
    int (*cmp)(void *context, uint8_t type, uint32_t *result, uint8_t *stored, uint32_t length,
               const uint8_t *data);
} nvds_backend;

/* Plain memory backend: erased bytes are 0xFF; cmp programs in place when
 * the new bytes only clear bits of the stored ones (0 in *result), else
 * leaves memory as it is and gives the first difference. A backend of one's
 * own may reuse these; the engine reads headers straight from memory when
 * its read is nvds_flash_read. */
int nvds_flash_identify(void *context, uint8_t *type);
int nvds_flash_read(void *context, uint8_t type, const uint8_t *src, uint32_t length, uint8_t *dst);
int nvds_flash_write(void *context, uint8_t type, uint8_t *dst, uint32_t length,
                     const uint8_t *src);
int nvds_flash_erase(void *context, uint8_t type, uint8_t *dst, uint32_t length);
int nvds_flash_cmp(void *context, uint8_t type, uint32_t *result, uint8_t *stored, uint32_t length,
                   const uint8_t *data);
extern const nvds_backend nvds_memory_backend;

/* The check that found a corrupt chain: its text, source file and line. */
typedef struct nvds_fault {
    const char *condition; /* NULL: none */
    const char *file;
    int line;
} nvds_fault;

/* Everything the engine knows of one region. Its fields belong to the
 * engine; read them only through the functions below. */
typedef struct nvds_region {
    const nvds_backend *backend;
    void *context;
    uint8_t *base;
    uint32_t total_size;
    uint8_t flash_type; /* 0: no memory present */
    uint8_t direct_reads;
    /* Tag cache: entry t is the address of the record of tag t seen or
     * written last (0: unknown); kept while enabled and the region is at
     * most 64 KiB. */
    uint8_t cache_disabled;
    uint8_t cache_on;
    uint8_t nxt_tag_status;
    uint16_t nxt_tag_addr;
    uint16_t tag_cache[256];
    /* What the last full pass of a put learnt: the chain end and the size
     * of its live records, kept while only puts and locks change them. */
    uint8_t chain_known;
    uint32_t chain_end;
    uint32_t chain_live;
    nvds_fault fault;
} nvds_region;

/* Binds a handle to the region of `total_size` bytes at `base`, through
 * `backend` (NULL: the memory backend) with `context` for its calls, with an
 * empty tag cache. Nothing is written: NVDS_NOT_FORMATTED when the region
 * does not start with the magic (call nvds_format), NVDS_FAIL when no memory
 * is present, else NVDS_OK. */
uint8_t nvds_open(nvds_region *region, uint8_t *base, uint32_t total_size,
                  const nvds_backend *backend, void *context);
/* Erases the region and writes the magic. */
uint8_t nvds_format(nvds_region *region);
/* Turns the tag cache off (for a region whose memory something else also
 * changes) or on again; either empties it, as does nvds_reset_tag_cache. */
void nvds_set_tag_cache(nvds_region *region, int enabled);
void nvds_reset_tag_cache(nvds_region *region);

/* Bounds-checked access to region offsets. */
int nvds_read(nvds_region *region, uint32_t address, uint32_t length, uint8_t *dst);

/* Walk callback: a non-zero result stops the walk and becomes its result. */
typedef uint32_t (*nvds_walk_cb)(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len,
                                 void *arg);
/* Calls `callback` for every live record in chain order; returns
 * NVDS_TAG_NOT_DEFINED at the end of the chain, the callback's non-zero
 * result, or NVDS_CORRUPT. */
uint32_t nvds_walk(nvds_region *region, nvds_walk_cb callback, void *arg);
/* One step: reads the 4 header bytes at `address` and stores the start of
 * the following record in *next. NVDS_TAG_NOT_DEFINED at the end. */
uint8_t nvds_walk_tag(nvds_region *region, uint32_t address, uint8_t header[4], uint32_t *next);

uint8_t nvds_put(nvds_region *region, uint8_t tag, uint16_t length, const uint8_t *data);
uint8_t nvds_put8(nvds_region *region, uint8_t tag, uint8_t length, const uint8_t *data);
/* Rewrites the region with its live records only, in chain order: what a
 * put that runs out of room keeps. Needs an erase. */
uint8_t nvds_compact(nvds_region *region);
/* Offset of the end of the chain, where the next record goes. */
uint32_t nvds_chain_end(nvds_region *region);

uint8_t nvds_browse_tag(nvds_region *region, uint8_t tag, uint8_t header[4], uint32_t *address);
uint8_t nvds_get(nvds_region *region, uint8_t tag, uint16_t *length, uint8_t *dst);
uint8_t nvds_get8(nvds_region *region, uint8_t tag, uint8_t *length, uint8_t *dst);
uint8_t nvds_del(nvds_region *region, uint8_t tag);
uint8_t nvds_lock(nvds_region *region, uint8_t tag);
uint8_t nvds_del_all_unlocked_workarounds(nvds_region *region, uint8_t tag);

/* The text of a status code ("?" for an unknown one). */
const char *nvds_stat(uint32_t code);

/* Header fields shared by the engine and its callers. */
static inline uint32_t nvds_header_length(const uint8_t header[4])
{
    return (header[2] & 0x80) ? 4 : 3;
}
static inline uint16_t nvds_data_length(const uint8_t header[4])
{
    return (header[2] & 0x80) ? (uint16_t)((header[2] & 0x7F) + header[3] * 128) : header[2];
}
static inline int nvds_is_live(uint8_t status)
{
    return (status & (NVDS_STATUS_INVALID | NVDS_STATUS_PRESENT)) == NVDS_STATUS_PRESENT;
}

#ifdef __cplusplus
}
#endif

#endif
