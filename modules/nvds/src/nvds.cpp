// NVDS storage engine.
#include "nvds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#define NVDS_CHECK(text, ok)                                                                       \
    do {                                                                                           \
        if (!(ok))                                                                                 \
            assert_err(text, __FILE__, __LINE__);                                                  \
    } while (0)

nvds_env_t nvds_env;
uint16_t *nvds_tag_cache;
uint16_t nvds_nxt_tag_addr = NVDS_FIRST_RECORD;
uint8_t nvds_nxt_tag_status;
uint8_t nvds_disable_tag_cache;

namespace {

const nvds_backend *backend = &nvds_memory_backend;

// What the last full pass of a put learnt about the chain, kept while only
// puts and locks change it: where it ends and the size of its live records.
// A put of a workaround tag, which replaces nothing, then needs no walk.
struct chain_summary {
    bool known;
    uint32_t end;
    uint32_t live_length;
};
chain_summary chain;

// Headers are read straight from memory when the region is plain memory.
bool direct_reads;
void update_direct_reads()
{
    direct_reads = nvds_env.read == nvds_read && backend->read == flash_read;
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

void write_status(uint32_t record, uint8_t status)
{
    nvds_env.write(record + 1, 1, &status);
}

} // namespace

void nvds_set_backend(const nvds_backend *b)
{
    backend = b ? b : &nvds_memory_backend;
}

void assert_err(const char *condition, const char *file, int line)
{
    std::fflush(stdout);
    std::fprintf(stderr, "ASSERT ERR(%s) at %s:%d\n", condition, file, line);
    throw nvds_abort{4};
}

const char *nvds_stat(uint32_t code)
{
    static const char *const texts[] = {
        "OK",           "FAIL",   "TAG_NOT_DEFINED", "NO_SPACE_AVAILABLE", "LENGTH_OUT_OF_RANGE",
        "PARAM_LOCKED", "CORRUPT"};
    return code < sizeof texts / sizeof texts[0] ? texts[code] : "?";
}

// --- Memory access -------------------------------------------------------------------------------

int nvds_null_read(uint32_t, uint32_t, uint8_t *)
{
    return 0;
}
uint32_t nvds_null_cmp(uint32_t, uint32_t, const uint8_t *)
{
    return 1;
}
int nvds_null_write(uint32_t, uint32_t, const uint8_t *)
{
    return 0;
}
int nvds_null_erase(uint32_t, uint32_t)
{
    return 0;
}

int nvds_read(uint32_t address, uint32_t length, uint8_t *dst)
{
    NVDS_CHECK("((address + length) <= nvds_env.total_size)",
               uint64_t(address) + length <= nvds_env.total_size);
    return backend->read(nvds_env.flash_type, nvds_env.base + address, length, dst);
}

uint32_t nvds_cmp(uint32_t address, uint32_t length, const uint8_t *data)
{
    NVDS_CHECK("((address + length) <= nvds_env.total_size)",
               uint64_t(address) + length <= nvds_env.total_size);
    uint32_t result = 1;
    backend->cmp(nvds_env.flash_type, &result, nvds_env.base + address, length, data);
    return result;
}

int nvds_write(uint32_t address, uint32_t length, const uint8_t *src)
{
    NVDS_CHECK("((address + length) <= nvds_env.total_size)",
               uint64_t(address) + length <= nvds_env.total_size);
    return backend->write(nvds_env.flash_type, nvds_env.base + address, length, src);
}

int nvds_erase(uint32_t address, uint32_t length)
{
    return backend->erase(nvds_env.flash_type, nvds_env.base + address, length);
}

// --- Initialisation and tag cache ----------------------------------------------------------------

void nvds_reset_tag_cache()
{
    chain.known = false;
    nvds_nxt_tag_status = 0;
    nvds_nxt_tag_addr = NVDS_FIRST_RECORD;
    if (!nvds_disable_tag_cache && nvds_env.total_size <= NVDS_CACHE_MAX_REGION) {
        if (!nvds_tag_cache)
            nvds_tag_cache = static_cast<uint16_t *>(std::malloc(256 * sizeof(uint16_t)));
        if (nvds_tag_cache)
            std::memset(nvds_tag_cache, 0, 256 * sizeof(uint16_t));
    } else {
        std::free(nvds_tag_cache);
        nvds_tag_cache = nullptr;
    }
}

void nvds_init_memory()
{
    chain.known = false;
    nvds_env.erase(0, nvds_env.total_size);
    nvds_env.write(0, sizeof nvds_magic_number, nvds_magic_number);
}

uint8_t nvds_init(uint8_t *base, uint32_t total_size)
{
    uint8_t type = 0;
    backend->identify(&type);
    if (type == 0) {
        nvds_env = {nvds_null_read, nvds_null_cmp, nvds_null_write, nvds_null_erase, nullptr, 0, 0};
        update_direct_reads();
        nvds_reset_tag_cache();
        return NVDS_FAIL;
    }
    nvds_env = {nvds_read, nvds_cmp, nvds_write, nvds_erase, base, total_size, type};
    update_direct_reads();
    nvds_reset_tag_cache();
    uint8_t magic[sizeof nvds_magic_number];
    nvds_env.read(0, sizeof magic, magic);
    if (std::memcmp(magic, nvds_magic_number, sizeof magic) != 0)
        nvds_init_memory();
    return NVDS_OK;
}

// --- Walking -------------------------------------------------------------------------------------

namespace {

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

// Reads the record at `address`; false at the end of the chain. Every walk
// goes through here, so it reads headers in place when it can.
inline bool read_record(uint32_t address, record_at &r)
{
    r.address = address;
    if (direct_reads) {
        NVDS_CHECK("((address + length) <= nvds_env.total_size)",
                   uint64_t(address) + 4 <= nvds_env.total_size);
        std::memcpy(r.header, nvds_env.base + address, 4);
    } else {
        std::memset(r.header, NVDS_END_TAG, 4);
        nvds_env.read(address, 4, r.header);
    }
    if (r.header[0] == NVDS_END_TAG)
        return false;
    r.header_length = nvds_header_length(r.header);
    r.length = nvds_data_length(r.header);
    uint64_t following = uint64_t(address) + r.header_length + r.length;
    NVDS_CHECK("0", following <= uint64_t(nvds_env.total_size) - 1);
    r.next = uint32_t(following);
    return true;
}

} // namespace

uint8_t nvds_walk_tag(uint32_t address, uint8_t header[4], uint32_t *next)
{
    record_at r;
    bool more = read_record(address, r);
    std::memcpy(header, r.header, 4);
    if (!more)
        return NVDS_TAG_NOT_DEFINED;
    *next = r.next;
    return NVDS_OK;
}

uint32_t nvds_walk(nvds_walk_cb callback, void *arg)
{
    record_at r;
    for (uint32_t address = NVDS_FIRST_RECORD; read_record(address, r); address = r.next) {
        if (!r.live())
            continue;
        uint32_t result = callback(r.tag(), r.data(), r.length, nvds_env.read, arg);
        if (result != 0)
            return result;
    }
    return NVDS_TAG_NOT_DEFINED;
}

// --- Put -----------------------------------------------------------------------------------------

namespace {

// Live records of the put's tag, to be marked deleted once the new record is
// in place.
struct replaced_record {
    uint32_t address;
    uint8_t status;
};

// Moves the live records to the front of a freshly erased region, keeping
// their order, and indexes them in the tag cache. Records of `drop_tag`
// (when below the workaround tags) are left out. Returns the new chain end.
uint32_t compact(uint32_t live_length, int drop_tag)
{
    // Slack so that a full 4-byte header read of the last record stays inside.
    std::vector<uint8_t> scratch(live_length + 4);
    nvds_reset_tag_cache();
    uint32_t used = 0;
    record_at r;
    for (uint32_t address = NVDS_FIRST_RECORD; read_record(address, r); address = r.next) {
        if (!r.live() || r.tag() == drop_tag)
            continue;
        NVDS_CHECK("total_length <= length", uint64_t(used) + r.size() <= live_length);
        nvds_env.read(r.address, r.size(), scratch.data() + used);
        if (nvds_tag_cache)
            nvds_tag_cache[r.tag()] = uint16_t(NVDS_FIRST_RECORD + used);
        used += r.size();
    }
    nvds_init_memory();
    if (used)
        nvds_env.write(NVDS_FIRST_RECORD, used, scratch.data());
    return NVDS_FIRST_RECORD + used;
}

bool fits(uint64_t end, uint32_t header_length, uint16_t length)
{
    return end + header_length + length + 4 <= nvds_env.total_size;
}

} // namespace

uint8_t nvds_put(uint8_t tag, uint16_t length, const uint8_t *data)
{
    if (tag == NVDS_END_TAG)
        return NVDS_FAIL;
    if (length > NVDS_MAX_LENGTH)
        return NVDS_LENGTH_OUT_OF_RANGE;

    // First pass: find the live records this put replaces and the size of
    // the records that survive it. A workaround tag replaces nothing, so a
    // known chain needs no pass.
    std::vector<replaced_record> replaced;
    uint32_t kept_length = 0;
    uint32_t replaced_length = 0;
    uint32_t end = NVDS_FIRST_RECORD;
    bool walk = !(chain.known && is_workaround(tag));
    if (!walk) {
        end = chain.end;
        kept_length = chain.live_length;
    }
    chain.known = false;
    record_at r;
    for (; walk && read_record(end, r); end = r.next) {
        if (!r.live())
            continue;
        if (is_workaround(tag) || r.tag() != tag) {
            kept_length += r.size();
            continue;
        }
        if (!(r.status() & NVDS_STATUS_UNLOCKED))
            return NVDS_PARAM_LOCKED;
        if (r.length == length && nvds_env.cmp(r.data(), length, data) == 0) {
            // Already holds the value (possibly just programmed in place);
            // earlier duplicates are superseded by it.
            for (const replaced_record &old : replaced)
                write_status(old.address, old.status & ~NVDS_STATUS_PRESENT);
            return NVDS_OK;
        }
        replaced.push_back({end, r.status()});
        replaced_length += r.size();
    }

    uint8_t new_header[4];
    uint32_t header_length = make_header(tag, length, new_header);
    if (!fits(end, header_length, length)) {
        // Replaced records survive a compaction that still leaves no room, so
        // a refused put loses nothing.
        bool room_after = fits(NVDS_FIRST_RECORD + uint64_t(kept_length), header_length, length);
        if (room_after) {
            end = compact(kept_length, is_workaround(tag) ? -1 : tag);
            replaced.clear();
            replaced_length = 0;
        } else {
            uint32_t compacted = compact(kept_length + replaced_length, -1);
            chain = {true, compacted, kept_length + replaced_length};
            return NVDS_NO_SPACE_AVAILABLE;
        }
    }

    // Data first: an interrupted write leaves the header position erased,
    // which reads as the end of the chain.
    if (length)
        nvds_env.write(end + header_length, length, data);
    nvds_env.write(end, header_length, new_header);
    for (const replaced_record &old : replaced)
        write_status(old.address, old.status & ~NVDS_STATUS_PRESENT);
    if (nvds_tag_cache)
        nvds_tag_cache[tag] = uint16_t(end);
    uint32_t size = header_length + length;
    chain = {true, end + size, kept_length + size};
    return NVDS_OK;
}

uint32_t nvds_chain_end()
{
    if (chain.known)
        return chain.end;
    uint32_t end = NVDS_FIRST_RECORD;
    record_at r;
    while (read_record(end, r))
        end = r.next;
    return end;
}

uint8_t nvds_put8(uint8_t tag, uint8_t length, const uint8_t *data)
{
    return nvds_put(tag, length, data);
}

// --- Look-up and record maintenance --------------------------------------------------------------

namespace {

// Steps from `start` to the first live record of `tag`, indexing every live
// record passed. A resuming walk continues the incremental indexing.
uint8_t browse_from(uint32_t start, uint8_t tag, uint8_t header[4], uint32_t *address,
                    bool resuming)
{
    record_at r;
    uint32_t current = start;
    for (; read_record(current, r); current = r.next) {
        if (!r.live())
            continue;
        if (nvds_tag_cache)
            nvds_tag_cache[r.tag()] = uint16_t(current);
        if (r.tag() == tag) {
            if (resuming)
                nvds_nxt_tag_addr = uint16_t(current);
            std::memcpy(header, r.header, 4);
            *address = current;
            return NVDS_OK;
        }
    }
    if (resuming) {
        nvds_nxt_tag_status = NVDS_TAG_NOT_DEFINED;
        nvds_nxt_tag_addr = uint16_t(current);
    }
    std::memcpy(header, r.header, 4);
    *address = current;
    return NVDS_TAG_NOT_DEFINED;
}

} // namespace

uint8_t nvds_browse_tag(uint8_t tag, uint8_t header[4], uint32_t *address)
{
    if (!nvds_tag_cache)
        return browse_from(NVDS_FIRST_RECORD, tag, header, address, false);
    if (uint16_t cached = nvds_tag_cache[tag]) {
        if (browse_from(cached, tag, header, address, false) == NVDS_OK)
            return NVDS_OK;
        // The cached record is gone; an earlier live record of the tag (a
        // workaround tag, or a duplicate in a loaded image) may remain.
        uint8_t status = browse_from(NVDS_FIRST_RECORD, tag, header, address, false);
        if (status != NVDS_OK)
            nvds_tag_cache[tag] = 0;
        return status;
    }
    if (nvds_nxt_tag_status) {
        *address = nvds_nxt_tag_addr;
        return nvds_nxt_tag_status;
    }
    return browse_from(nvds_nxt_tag_addr, tag, header, address, true);
}

uint8_t nvds_get(uint8_t tag, uint16_t *length, uint8_t *dst)
{
    uint8_t header[4];
    uint32_t address = 0;
    uint8_t status = nvds_browse_tag(tag, header, &address);
    if (status != NVDS_OK) {
        *length = 0;
        return status;
    }
    uint16_t record_length = nvds_data_length(header);
    if (record_length > *length)
        return NVDS_LENGTH_OUT_OF_RANGE;
    nvds_env.read(address + nvds_header_length(header), record_length, dst);
    *length = record_length;
    return NVDS_OK;
}

uint8_t nvds_get8(uint8_t tag, uint8_t *length, uint8_t *dst)
{
    uint16_t wide = *length;
    uint8_t status = nvds_get(tag, &wide, dst);
    *length = uint8_t(wide);
    return status;
}

namespace {

// Clears a status bit of the record the look-up finds for `tag`.
uint8_t clear_status_bit(uint8_t tag, uint8_t bit, bool refuse_locked)
{
    uint8_t header[4];
    uint32_t address = 0;
    uint8_t status = nvds_browse_tag(tag, header, &address);
    if (status != NVDS_OK)
        return status;
    if (refuse_locked && !(header[1] & NVDS_STATUS_UNLOCKED))
        return NVDS_PARAM_LOCKED;
    write_status(address, header[1] & ~bit);
    return NVDS_OK;
}

} // namespace

uint8_t nvds_del(uint8_t tag)
{
    chain.known = false; // a live record may go
    return clear_status_bit(tag, NVDS_STATUS_PRESENT, true);
}

uint8_t nvds_lock(uint8_t tag)
{
    return clear_status_bit(tag, NVDS_STATUS_UNLOCKED, false);
}

uint8_t nvds_del_all_unlocked_workarounds(uint8_t tag)
{
    if (!is_workaround(tag))
        return NVDS_FAIL;
    chain.known = false;
    record_at r;
    for (uint32_t address = NVDS_FIRST_RECORD; read_record(address, r); address = r.next)
        if (r.live() && r.tag() == tag && (r.status() & NVDS_STATUS_UNLOCKED))
            write_status(address, r.status() & ~NVDS_STATUS_PRESENT);
    return NVDS_OK;
}
