// Random images for properties: random edits through the engine (puts of
// tags that often meet, deletes, locks, register writes), in flash form of
// any size or in OTP form with a random hardware word, as a file holds them.
// Every record keeps its tag's length rule.
#ifndef IMGFORGE_TESTS_RANDOM_IMAGE_H
#define IMGFORGE_TESTS_RANDOM_IMAGE_H

#include "dump/catalogue.h"
#include "nvds.h"

#include <rapidcheck.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace random_image {

using bytes = std::vector<uint8_t>;

struct made {
    bool otp;
    uint32_t size; // the flash size, 4096 for OTP
    bool full;     // written whole (-F -b), else up to 4 bytes past the last record
    bytes file;    // as -b writes it
};

// Tags that meet: a few ordinary ones, a register-write tag, and one whose
// length has a rule.
inline rc::Gen<uint8_t> tag()
{
    return rc::gen::element<uint8_t>(0x08, 0x1C, 0x1D, 0x3F, 0xFC, 0xFE, 0x02, 0x0A);
}

inline rc::Gen<bytes> data()
{
    return rc::gen::oneOf(rc::gen::container<bytes>(rc::gen::arbitrary<uint8_t>()),
                          rc::gen::map(rc::gen::inRange<size_t>(0, 400), [](size_t n) {
                              bytes b(n);
                              for (size_t i = 0; i < n; i++)
                                  b[i] = uint8_t(i * 7 + n);
                              return b;
                          }));
}

// Data cut or padded to the tag's length rule.
inline void keep_length_rule(uint8_t tag, bytes &data)
{
    const imgforge::tag_info *info = imgforge::find_tag_info(tag);
    if (info && info->rule == imgforge::length_rule::exact)
        data.resize(info->size, 0x5A);
    if (info && info->rule == imgforge::length_rule::at_most && data.size() > info->size)
        data.resize(info->size);
}

// An image made by random edits; `clean`: no edit that leaves a deleted
// record (no replacement, no delete).
inline made generate(bool clean)
{
    made m;
    m.otp = *rc::gen::inRange(0, 4) == 0;
    m.size = m.otp ? 4096
                   : *rc::gen::oneOf(rc::gen::inRange<uint32_t>(8, 600),
                                     rc::gen::inRange<uint32_t>(600, 70000));
    m.full = m.otp || *rc::gen::arbitrary<bool>();
    uint32_t region_size = m.otp ? m.size - 4 : m.size;
    bytes region(m.size, 0xFF);
    nvds_region r{};
    nvds_open(&r, region.data(), region_size, nullptr, nullptr);
    nvds_format(&r);
    std::vector<uint8_t> used;
    int edits = *rc::gen::inRange(0, 12);
    for (int i = 0; i < edits; i++) {
        uint8_t t = *tag();
        bool again = std::find(used.begin(), used.end(), t) != used.end();
        int kind = *rc::gen::inRange(0, 6);
        if (kind < 4 && !(clean && again && t < NVDS_FIRST_WORKAROUND_TAG)) {
            bytes d = *data();
            keep_length_rule(t, d);
            if (d.size() <= NVDS_MAX_LENGTH)
                nvds_put(&r, t, uint16_t(d.size()), d.data());
            used.push_back(t);
        } else if (kind == 4) {
            nvds_lock(&r, t);
        } else if (!clean) {
            nvds_del(&r, t);
        }
    }
    if (clean) // a refused put may have compacted the image: nothing deleted stays
        nvds_compact(&r);
    uint32_t length = m.full ? m.size : nvds_chain_end(&r) + 4;
    m.file.assign(region.begin(), region.begin() + length);
    if (m.otp) {
        // SPARE (bits 13-14) lists 0 and 1 only: every other field value has a
        // description.
        uint32_t word = *rc::gen::arbitrary<uint32_t>() & ~(uint32_t(1) << 14);
        for (int k = 0; k < 4; k++)
            m.file[m.size - 4 + k] = uint8_t(~(word >> (8 * k)));
        for (uint8_t &b : m.file)
            b = uint8_t(~b);
    }
    return m;
}

// A base address for n bytes: anywhere, just below a 64 KiB boundary, or at
// the top of the 4 GiB.
inline uint32_t base_address(size_t n)
{
    uint64_t top = (uint64_t(1) << 32) - n;
    uint64_t back = *rc::gen::inRange<uint64_t>(0, 48);
    uint64_t boundary = uint64_t(*rc::gen::arbitrary<uint16_t>()) << 16;
    const uint64_t picks[] = {*rc::gen::inRange<uint64_t>(0, top + 1),
                              boundary - std::min(back, boundary), top - std::min(back, top)};
    return uint32_t(std::min(picks[*rc::gen::inRange(0, 3)], top));
}

} // namespace random_image

#endif
