// Laws of the integrity check: what random edits make is sound, and every
// cut of a record and every changed byte where the medium must be erased or
// hold the magic is found.
#include "image/chain.h"
#include "imgforge.h"
#include "property.h"
#include "random_image.h"

namespace {

using bytes = std::vector<uint8_t>;

// The problems --check reports for the file; a file that cannot be read at
// all (damage that makes its start read as Intel HEX or S-records) counts as
// one that has them.
size_t problems(const random_image::made &m, const bytes &file)
try {
    imgforge::image img;
    img.keep_damaged = true;
    if (m.otp)
        imgforge::make_otp(img);
    else
        imgforge::set_size(img, m.size);
    imgforge::load_bytes(img, file, "image");
    return imgforge::check(img).problems.size();
} catch (const imgforge::error &) {
    return SIZE_MAX;
}

TEST(CheckProperty, SoundImagesPassAndDamageIsFound)
{
    check_property(200, [] {
        random_image::made m = random_image::generate(*rc::gen::arbitrary<bool>());
        RC_ASSERT(problems(m, m.file) == 0u);
        // The chain as the medium holds it, read in its logical form.
        uint32_t region = m.otp ? m.size - 4 : m.size;
        bytes logical(region, 0xFF);
        for (size_t i = 0; i < std::min<size_t>(region, m.file.size()); i++)
            logical[i] = m.otp ? uint8_t(~m.file[i]) : m.file[i];
        std::vector<imgforge::stored_record> records;
        imgforge::chain_end end = imgforge::walk_stored(logical.data(), region, [&](const auto &r) {
            records.push_back(r);
            return true;
        });
        bytes damaged = m.file;
        uint8_t flip = *rc::gen::inRange<uint8_t>(1, 255);
        int kind = *rc::gen::inRange(0, 3);
        if (kind == 0 && !records.empty()) {
            // A cut after the first byte of a record's header, before its end.
            const auto &r = *rc::gen::elementOf(records);
            damaged.resize(*rc::gen::inRange<size_t>(r.at + 1, r.data + r.length));
        } else if (kind == 1 && end.at + 1 < std::min<size_t>(region, m.file.size())) {
            damaged[*rc::gen::inRange<size_t>(end.at + 1,
                                              std::min<size_t>(region, m.file.size()))] ^= flip;
        } else {
            damaged[*rc::gen::inRange<size_t>(0, 4)] ^= flip;
        }
        RC_ASSERT(problems(m, damaged) > 0u);
    });
}

} // namespace
