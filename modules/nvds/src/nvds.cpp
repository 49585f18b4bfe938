// NVDS storage engine.
#include "nvds.h"

#include <cstdlib>
#include <cstring>

const uint8_t nvds_magic_number[4] = {'N', 'V', 'D', 'S'};

namespace {

// A failed bounds or chain check is kept in the handle; the operation then
// stops, writes nothing more and returns NVDS_CORRUPT. The engine needs no
// exceptions and no C++ runtime, so a C program links it as it is.
#define NVDS_CHECK(r, text, ok) ((ok) || fault_at(r, text, __FILE__, __LINE__))

bool fault_at(nvds_region *r, const char *condition, const char *file, int line)
{
    r->fault = {condition, file, line};
    return false;
}

constexpr uint8_t STATUS_NEW = NVDS_STATUS_UNLOCKED | NVDS_STATUS_PRESENT;

bool is_workaround(uint8_t tag)
{
    return tag >= NVDS_FIRST_WORKAROUND_TAG;
}

// Builds a record header; returns its length (3 or 4).
uint32_t make_header(uint8_t tag, uint16_t length, uint8_t header[4])
{
    header[0] = tag;
    header[1] = STATUS_NEW;
    if (length < 128) {
        header[2] = uint8_t(length);
        header[3] = 0xFF;
        return 3;
    }
    header[2] = uint8_t(0x80 | (length & 0x7F));
    header[3] = uint8_t(length >> 7);
    return 4;
}

// --- Memory access ---------------------------------------------------------------------------

// Without memory present there is nothing to check: the null backend reads
// nothing and writes nothing.
bool in_range(nvds_region *r, uint32_t address, uint32_t length)
{
    return NVDS_CHECK(r, "((address + length) <= nvds_env.total_size)",
                      !r->flash_type || uint64_t(address) + length <= r->total_size);
}

bool read_at(nvds_region *r, uint32_t address, uint32_t length, uint8_t *dst)
{
    if (!in_range(r, address, length))
        return false;
    r->backend->read(r->context, r->flash_type, r->base + address, length, dst);
    return true;
}

// Callers write only within records a walk has found, or the magic.
void write_at(nvds_region *r, uint32_t address, uint32_t length, const uint8_t *src)
{
    if (in_range(r, address, length))
        r->backend->write(r->context, r->flash_type, r->base + address, length, src);
}

// 0 when the stored bytes equal the data, possibly after programming them.
uint32_t cmp_at(nvds_region *r, uint32_t address, uint32_t length, const uint8_t *data)
{
    uint32_t result = 1;
    if (in_range(r, address, length))
        r->backend->cmp(r->context, r->flash_type, &result, r->base + address, length, data);
    return result;
}

void write_status(nvds_region *r, uint32_t record, uint8_t status)
{
    write_at(r, record + 1, 1, &status);
}

// Erases the region and writes the magic; false when the memory refuses to
// be erased.
bool init_memory(nvds_region *r)
{
    r->chain_known = 0;
    if (r->backend->erase(r->context, r->flash_type, r->base, r->total_size) != 0)
        return false;
    write_at(r, 0, sizeof nvds_magic_number, nvds_magic_number);
    return true;
}

void reset_cache(nvds_region *r)
{
    r->chain_known = 0;
    r->nxt_tag_status = 0;
    r->nxt_tag_addr = NVDS_FIRST_RECORD;
    r->cache_on = !r->cache_disabled && r->total_size <= NVDS_CACHE_MAX_REGION;
    if (r->cache_on)
        std::memset(r->tag_cache, 0, sizeof r->tag_cache);
}

void index_record(nvds_region *r, uint8_t tag, uint32_t address)
{
    if (r->cache_on)
        r->tag_cache[tag] = uint16_t(address);
}

// --- Walking ---------------------------------------------------------------------------------

// One record of the chain as a walk sees it.
struct record_at {
    uint32_t address;
    uint8_t header[4];
    uint32_t header_length;
    uint16_t length;
    uint32_t next;

    uint8_t tag() const { return header[0]; }
    uint8_t status() const { return header[1]; }
    bool live() const { return nvds_is_live(header[1]); }
    uint32_t data() const { return address + header_length; }
    uint32_t size() const { return header_length + length; }
};

// What a walk step finds: a record, the end of the chain, or a corrupt
// chain (a header past the region, a record running past its last byte).
enum step { RECORD, END, BAD };

// Reads the record at `address`. Every walk goes through here, so it reads
// headers in place when it can.
inline step read_record(nvds_region *r, uint32_t address, record_at &rec)
{
    rec.address = address;
    std::memset(rec.header, NVDS_END_TAG, 4);
    if (!in_range(r, address, 4))
        return BAD;
    if (r->direct_reads)
        std::memcpy(rec.header, r->base + address, 4);
    else
        read_at(r, address, 4, rec.header);
    if (rec.header[0] == NVDS_END_TAG)
        return END;
    rec.header_length = nvds_header_length(rec.header);
    rec.length = nvds_data_length(rec.header);
    uint64_t following = uint64_t(address) + rec.header_length + rec.length;
    if (!NVDS_CHECK(r, "0", following <= uint64_t(r->total_size) - 1))
        return BAD;
    rec.next = uint32_t(following);
    return RECORD;
}

// The end of the chain, or 0 for a corrupt one.
uint32_t chain_end_of(nvds_region *r)
{
    if (r->chain_known)
        return r->chain_end;
    uint32_t end = NVDS_FIRST_RECORD;
    record_at rec;
    step s;
    while ((s = read_record(r, end, rec)) == RECORD)
        end = rec.next;
    return s == END ? end : 0;
}

// --- Put -------------------------------------------------------------------------------------

// Live records of the put's tag, to be marked deleted once the new record is
// in place; a put replaces few, so a small array grows rarely.
struct replaced_list {
    struct entry {
        uint32_t address;
        uint8_t status;
    };
    entry *items = nullptr;
    size_t count = 0, capacity = 0;
    uint32_t length = 0; // bytes of the replaced records

    replaced_list() = default;
    replaced_list(const replaced_list &) = delete;
    replaced_list &operator=(const replaced_list &) = delete;
    ~replaced_list() { std::free(items); }
    bool add(uint32_t address, uint8_t status, uint32_t size)
    {
        if (count == capacity) {
            size_t more = capacity ? 2 * capacity : 4;
            void *grown = std::realloc(items, more * sizeof *items);
            if (!grown)
                return false;
            items = static_cast<entry *>(grown);
            capacity = more;
        }
        items[count++] = {address, status};
        length += size;
        return true;
    }
    void mark_deleted(nvds_region *r) const
    {
        for (size_t i = 0; i < count; i++)
            write_status(r, items[i].address, items[i].status & ~NVDS_STATUS_PRESENT);
    }
};

// The result of a compaction.
enum compaction { COMPACTED, NO_MEMORY, NO_ERASE, CORRUPT_CHAIN };

// Moves the live records to the front of a freshly erased region, keeping
// their order, and indexes them in the tag cache. Records of `drop_tag`
// (when below the workaround tags) are left out. The region is unchanged
// unless it compacted; `end` is the new chain end.
compaction compact(nvds_region *r, uint32_t live_length, int drop_tag, uint32_t &end)
{
    // Slack so that a full 4-byte header read of the last record stays inside.
    uint8_t *scratch = static_cast<uint8_t *>(std::malloc(live_length + 4));
    if (!scratch)
        return NO_MEMORY;
    uint32_t used = 0;
    record_at rec;
    step s;
    for (uint32_t address = NVDS_FIRST_RECORD; (s = read_record(r, address, rec)) == RECORD;
         address = rec.next) {
        if (!rec.live() || rec.tag() == drop_tag)
            continue;
        if (!NVDS_CHECK(r, "total_length <= length", uint64_t(used) + rec.size() <= live_length) ||
            !read_at(r, rec.address, rec.size(), scratch + used)) {
            s = BAD;
            break;
        }
        used += rec.size();
    }
    compaction result = s == BAD ? CORRUPT_CHAIN : init_memory(r) ? COMPACTED : NO_ERASE;
    if (result == COMPACTED) {
        reset_cache(r);
        for (uint32_t at = 0; at < used;
             at += nvds_header_length(scratch + at) + nvds_data_length(scratch + at))
            index_record(r, scratch[at], NVDS_FIRST_RECORD + at);
        if (used)
            write_at(r, NVDS_FIRST_RECORD, used, scratch);
        end = NVDS_FIRST_RECORD + used;
    }
    std::free(scratch);
    return result;
}

bool fits(const nvds_region *r, uint64_t end, uint32_t header_length, uint16_t length)
{
    return end + header_length + length + 4 <= r->total_size;
}

uint8_t compaction_status(compaction c)
{
    return c == CORRUPT_CHAIN ? uint8_t(NVDS_CORRUPT) : uint8_t(NVDS_FAIL);
}

uint8_t put(nvds_region *r, uint8_t tag, uint16_t length, const uint8_t *data)
{
    if (tag == NVDS_END_TAG)
        return NVDS_FAIL;
    if (length > NVDS_MAX_LENGTH)
        return NVDS_LENGTH_OUT_OF_RANGE;

    // First pass: find the live records this put replaces and the size of
    // the records that survive it. A workaround tag replaces nothing, so a
    // known chain needs no pass.
    replaced_list replaced;
    uint32_t kept_length = 0;
    uint32_t end = NVDS_FIRST_RECORD;
    bool walk = !(r->chain_known && is_workaround(tag));
    if (!walk) {
        end = r->chain_end;
        kept_length = r->chain_live;
    }
    r->chain_known = 0;
    record_at rec;
    step s = END;
    for (; walk && (s = read_record(r, end, rec)) == RECORD; end = rec.next) {
        if (!rec.live())
            continue;
        if (is_workaround(tag) || rec.tag() != tag) {
            kept_length += rec.size();
            continue;
        }
        if (!(rec.status() & NVDS_STATUS_UNLOCKED))
            return NVDS_PARAM_LOCKED;
        if (rec.length == length && cmp_at(r, rec.data(), length, data) == 0) {
            // Already holds the value (possibly just programmed in place);
            // earlier duplicates are superseded by it.
            replaced.mark_deleted(r);
            return NVDS_OK;
        }
        if (!replaced.add(end, rec.status(), rec.size()))
            return NVDS_FAIL;
    }
    if (s == BAD)
        return NVDS_CORRUPT;

    uint8_t new_header[4];
    uint32_t header_length = make_header(tag, length, new_header);
    if (!fits(r, end, header_length, length)) {
        // Replaced records survive a compaction that still leaves no room, so
        // a refused put loses nothing.
        bool room_after = fits(r, NVDS_FIRST_RECORD + uint64_t(kept_length), header_length, length);
        uint32_t live = kept_length + (room_after ? 0 : replaced.length);
        compaction c = compact(r, live, room_after && !is_workaround(tag) ? tag : -1, end);
        if (c != COMPACTED)
            return compaction_status(c);
        if (!room_after) {
            r->chain_known = 1;
            r->chain_end = end;
            r->chain_live = live;
            return NVDS_NO_SPACE_AVAILABLE;
        }
        replaced.count = 0;
    }

    // Data first: an interrupted write leaves the header position erased,
    // which reads as the end of the chain.
    if (length)
        write_at(r, end + header_length, length, data);
    write_at(r, end, header_length, new_header);
    replaced.mark_deleted(r);
    index_record(r, tag, end);
    uint32_t size = header_length + length;
    r->chain_known = 1;
    r->chain_end = end + size;
    r->chain_live = kept_length + size;
    return NVDS_OK;
}

// --- Look-up and record maintenance --------------------------------------------------------

// Steps from `start` to the first live record of `tag`, indexing every live
// record passed. A resuming walk continues the incremental indexing.
uint8_t browse_from(nvds_region *r, uint32_t start, uint8_t tag, uint8_t header[4],
                    uint32_t *address, bool resuming)
{
    record_at rec;
    uint32_t current = start;
    step s;
    for (; (s = read_record(r, current, rec)) == RECORD; current = rec.next) {
        if (!rec.live())
            continue;
        index_record(r, rec.tag(), current);
        if (rec.tag() == tag) {
            if (resuming)
                r->nxt_tag_addr = uint16_t(current);
            std::memcpy(header, rec.header, 4);
            *address = current;
            return NVDS_OK;
        }
    }
    if (s == BAD)
        return NVDS_CORRUPT;
    if (resuming) {
        r->nxt_tag_status = NVDS_TAG_NOT_DEFINED;
        r->nxt_tag_addr = uint16_t(current);
    }
    std::memcpy(header, rec.header, 4);
    *address = current;
    return NVDS_TAG_NOT_DEFINED;
}

uint8_t browse(nvds_region *r, uint8_t tag, uint8_t header[4], uint32_t *address)
{
    if (!r->cache_on)
        return browse_from(r, NVDS_FIRST_RECORD, tag, header, address, false);
    if (uint16_t cached = r->tag_cache[tag]) {
        uint8_t status = browse_from(r, cached, tag, header, address, false);
        if (status == NVDS_OK || status == NVDS_CORRUPT)
            return status;
        // The cached record is gone; an earlier live record of the tag (a
        // workaround tag, or a duplicate in a loaded image) may remain.
        status = browse_from(r, NVDS_FIRST_RECORD, tag, header, address, false);
        if (status == NVDS_TAG_NOT_DEFINED)
            r->tag_cache[tag] = 0;
        return status;
    }
    if (r->nxt_tag_status) {
        *address = r->nxt_tag_addr;
        return r->nxt_tag_status;
    }
    return browse_from(r, r->nxt_tag_addr, tag, header, address, true);
}

// Clears a status bit of the record the look-up finds for `tag`.
uint8_t clear_status_bit(nvds_region *r, uint8_t tag, uint8_t bit, bool refuse_locked)
{
    uint8_t header[4];
    uint32_t address = 0;
    uint8_t status = browse(r, tag, header, &address);
    if (status != NVDS_OK)
        return status;
    if (refuse_locked && !(header[1] & NVDS_STATUS_UNLOCKED))
        return NVDS_PARAM_LOCKED;
    write_status(r, address, header[1] & ~bit);
    return NVDS_OK;
}

// The backend when no memory is present: nothing to read, write or erase.
int null_read(void *, uint8_t, const uint8_t *, uint32_t, uint8_t *)
{
    return 0;
}
int null_write(void *, uint8_t, uint8_t *, uint32_t, const uint8_t *)
{
    return 0;
}
int null_erase(void *, uint8_t, uint8_t *, uint32_t)
{
    return 0;
}
int null_cmp(void *, uint8_t, uint32_t *result, uint8_t *, uint32_t, const uint8_t *)
{
    *result = 1;
    return 0;
}
constexpr nvds_backend null_backend = {nvds_flash_identify, null_read, null_write, null_erase,
                                       null_cmp};

} // namespace

extern "C" {

// --- Plain memory backend ----------------------------------------------------------------------

int nvds_flash_identify(void *, uint8_t *type)
{
    *type = 1;
    return 0;
}

// Zero-length accesses may come with null pointers (empty records).
int nvds_flash_read(void *, uint8_t, const uint8_t *src, uint32_t length, uint8_t *dst)
{
    if (length)
        std::memcpy(dst, src, length);
    return 0;
}

int nvds_flash_write(void *, uint8_t, uint8_t *dst, uint32_t length, const uint8_t *src)
{
    if (length)
        std::memcpy(dst, src, length);
    return 0;
}

int nvds_flash_erase(void *, uint8_t, uint8_t *dst, uint32_t length)
{
    std::memset(dst, 0xFF, length);
    return 0;
}

namespace {

// True when every byte of data can be programmed over stored: it has no 1
// where the stored byte has a 0. Checked a word at a time.
bool programmable(const uint8_t *stored, const uint8_t *data, uint32_t length)
{
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t s, d;
        std::memcpy(&s, stored + i, 8);
        std::memcpy(&d, data + i, 8);
        if ((s | d) != s)
            return false;
    }
    for (; i < length; i++)
        if ((stored[i] | data[i]) != stored[i])
            return false;
    return true;
}

} // namespace

// Compare-and-program: equal data gives 0; data that differ only by clearing
// bits are programmed over the stored bytes and also give 0; otherwise the
// first difference (new minus stored) is the result and memory is unchanged.
int nvds_flash_cmp(void *, uint8_t, uint32_t *result, uint8_t *stored, uint32_t length,
                   const uint8_t *data)
{
    uint32_t first = 0;
    while (first < length && stored[first] == data[first])
        first++;
    if (first == length) {
        *result = 0;
        return 0;
    }
    if (!programmable(stored + first, data + first, length - first)) {
        *result = uint32_t(int(data[first]) - int(stored[first]));
        return 0;
    }
    std::memcpy(stored + first, data + first, length - first);
    *result = 0;
    return 0;
}

const nvds_backend nvds_memory_backend = {nvds_flash_identify, nvds_flash_read, nvds_flash_write,
                                          nvds_flash_erase, nvds_flash_cmp};

const char *nvds_stat(uint32_t code)
{
    static constexpr const char *texts[] = {
        "OK",           "FAIL",    "TAG_NOT_DEFINED", "NO_SPACE_AVAILABLE", "LENGTH_OUT_OF_RANGE",
        "PARAM_LOCKED", "CORRUPT", "NOT_FORMATTED"};
    return code < sizeof texts / sizeof texts[0] ? texts[code] : "?";
}

uint8_t nvds_open(nvds_region *r, uint8_t *base, uint32_t total_size, const nvds_backend *backend,
                  void *context)
{
    std::memset(r, 0, sizeof *r);
    r->backend = backend ? backend : &nvds_memory_backend;
    r->context = context;
    uint8_t type = 0;
    r->backend->identify(context, &type);
    if (type == 0) {
        r->backend = &null_backend;
        reset_cache(r);
        return NVDS_FAIL;
    }
    r->base = base;
    r->total_size = total_size;
    r->flash_type = type;
    r->direct_reads = r->backend->read == nvds_flash_read;
    reset_cache(r);
    uint8_t magic[sizeof nvds_magic_number];
    if (!read_at(r, 0, sizeof magic, magic))
        return NVDS_CORRUPT;
    return std::memcmp(magic, nvds_magic_number, sizeof magic) == 0 ? NVDS_OK : NVDS_NOT_FORMATTED;
}

uint8_t nvds_format(nvds_region *r)
{
    if (!init_memory(r))
        return NVDS_FAIL;
    reset_cache(r);
    return NVDS_OK;
}

void nvds_set_tag_cache(nvds_region *r, int enabled)
{
    r->cache_disabled = !enabled;
    reset_cache(r);
}

void nvds_reset_tag_cache(nvds_region *r)
{
    reset_cache(r);
}

int nvds_read(nvds_region *r, uint32_t address, uint32_t length, uint8_t *dst)
{
    return read_at(r, address, length, dst) ? NVDS_OK : NVDS_CORRUPT;
}

uint32_t nvds_walk(nvds_region *r, nvds_walk_cb callback, void *arg)
{
    record_at rec;
    step s;
    for (uint32_t address = NVDS_FIRST_RECORD; (s = read_record(r, address, rec)) == RECORD;
         address = rec.next) {
        if (!rec.live())
            continue;
        uint32_t result = callback(r, rec.tag(), rec.data(), rec.length, arg);
        if (result != 0)
            return result;
    }
    return s == END ? NVDS_TAG_NOT_DEFINED : NVDS_CORRUPT;
}

uint8_t nvds_walk_tag(nvds_region *r, uint32_t address, uint8_t header[4], uint32_t *next)
{
    record_at rec;
    step s = read_record(r, address, rec);
    std::memcpy(header, rec.header, 4);
    if (s == RECORD)
        *next = rec.next;
    return s == RECORD ? NVDS_OK : s == END ? NVDS_TAG_NOT_DEFINED : NVDS_CORRUPT;
}

uint8_t nvds_put(nvds_region *r, uint8_t tag, uint16_t length, const uint8_t *data)
{
    return put(r, tag, length, data);
}

uint8_t nvds_put8(nvds_region *r, uint8_t tag, uint8_t length, const uint8_t *data)
{
    return put(r, tag, length, data);
}

uint8_t nvds_compact(nvds_region *r)
{
    uint32_t live = 0;
    record_at rec;
    step s;
    for (uint32_t address = NVDS_FIRST_RECORD; (s = read_record(r, address, rec)) == RECORD;
         address = rec.next)
        live += rec.live() ? rec.size() : 0;
    if (s == BAD)
        return NVDS_CORRUPT;
    uint32_t end = 0;
    compaction c = compact(r, live, -1, end);
    if (c != COMPACTED)
        return compaction_status(c);
    r->chain_known = 1;
    r->chain_end = end;
    r->chain_live = live;
    return NVDS_OK;
}

uint32_t nvds_chain_end(nvds_region *r)
{
    return chain_end_of(r);
}

uint8_t nvds_browse_tag(nvds_region *r, uint8_t tag, uint8_t header[4], uint32_t *address)
{
    return browse(r, tag, header, address);
}

uint8_t nvds_get(nvds_region *r, uint8_t tag, uint16_t *length, uint8_t *dst)
{
    uint8_t header[4];
    uint32_t address = 0;
    uint8_t status = browse(r, tag, header, &address);
    if (status != NVDS_OK) {
        *length = 0;
        return status;
    }
    uint16_t record_length = nvds_data_length(header);
    if (record_length > *length)
        return NVDS_LENGTH_OUT_OF_RANGE;
    if (!read_at(r, address + nvds_header_length(header), record_length, dst))
        return NVDS_CORRUPT;
    *length = record_length;
    return NVDS_OK;
}

uint8_t nvds_get8(nvds_region *r, uint8_t tag, uint8_t *length, uint8_t *dst)
{
    uint16_t wide = *length;
    uint8_t status = nvds_get(r, tag, &wide, dst);
    *length = uint8_t(wide);
    return status;
}

uint8_t nvds_del(nvds_region *r, uint8_t tag)
{
    r->chain_known = 0; // a live record may go
    return clear_status_bit(r, tag, NVDS_STATUS_PRESENT, true);
}

uint8_t nvds_lock(nvds_region *r, uint8_t tag)
{
    return clear_status_bit(r, tag, NVDS_STATUS_UNLOCKED, false);
}

uint8_t nvds_del_all_unlocked_workarounds(nvds_region *r, uint8_t tag)
{
    if (!is_workaround(tag))
        return NVDS_FAIL;
    r->chain_known = 0;
    record_at rec;
    step s;
    for (uint32_t address = NVDS_FIRST_RECORD; (s = read_record(r, address, rec)) == RECORD;
         address = rec.next)
        if (rec.live() && rec.tag() == tag && (rec.status() & NVDS_STATUS_UNLOCKED))
            write_status(r, address, rec.status() & ~NVDS_STATUS_PRESENT);
    return s == END ? NVDS_OK : NVDS_CORRUPT;
}

} // extern "C"
