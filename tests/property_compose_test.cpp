// Laws of the images built from descriptions, and of the files of flash
// programmers.
#include "cli_harness.h"
#include "imgforge.h"
#include "property.h"
#include "random_image.h"

#include <nlohmann/json.hpp>

using namespace cli;
using json = nlohmann::json;

namespace {

// A column a random table may have, and how to make one of its cells.
struct column_kind {
    const char *header;
    const char *manifest_key;
    rc::Gen<std::string> cell;
};

rc::Gen<std::string> hex_cell(size_t min, size_t max)
{
    return rc::gen::map(rc::gen::container<std::vector<uint8_t>>(rc::gen::arbitrary<uint8_t>()),
                        [=](std::vector<uint8_t> b) {
                            b.resize(std::clamp(b.size(), min, max), 0x5A);
                            return hex_of(b, "");
                        });
}

template <class T> rc::Gen<std::string> number_cell()
{
    return rc::gen::map(rc::gen::arbitrary<T>(), [](T v) { return std::to_string(v); });
}

std::vector<column_kind> column_kinds()
{
    return {
        {"BD_ADDRESS:bd_address", "bd_address",
         rc::gen::map(rc::gen::container<std::vector<uint8_t>>(6, rc::gen::arbitrary<uint8_t>()),
                      [](const std::vector<uint8_t> &b) { return hex_of(b, ":"); })},
        {"DEVICE_NAME:text", "text",
         rc::gen::map(rc::gen::container<std::string>(rc::gen::inRange<char>(' ', '~')),
                      [](std::string s) { return s.substr(0, 248); })},
        {"0a:u32", "u32", number_cell<uint32_t>()},
        {"0d:u16", "u16", number_cell<uint16_t>()},
        {"11:u8", "u8", number_cell<uint8_t>()},
        {"08", "data", hex_cell(0, 300)},
        {"fc:hex", "data", hex_cell(8, 8)},
        {"fc", "data", hex_cell(8, 8)},
    };
}

std::string csv_quoted(const std::string &cell)
{
    std::string out = "\"";
    for (char c : cell)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

class BatchProperty : public Sandbox {};

// With no option before --batch, every row's image is what --manifest of
// that row alone gives.
TEST_F(BatchProperty, EveryRowIsItsOwnManifest)
{
    const std::vector<column_kind> kinds = column_kinds();
    check_property(40, [&] {
        auto picked =
            *rc::gen::unique<std::vector<size_t>>(rc::gen::inRange<size_t>(0, kinds.size()));
        size_t rows = *rc::gen::inRange<size_t>(1, 5);
        std::string table = "id";
        for (size_t k : picked)
            table += std::string(",") + kinds[k].header;
        table += "\r\n";
        std::vector<json> manifests;
        for (size_t r = 0; r < rows; r++) {
            json records = json::array();
            table += "r" + std::to_string(r);
            bool blank_row = *rc::gen::inRange(0, 4) == 0;
            for (size_t k : picked) {
                bool empty = blank_row || *rc::gen::inRange(0, 3) == 0;
                std::string cell = empty ? "" : *kinds[k].cell;
                table += "," + csv_quoted(cell);
                std::string header = kinds[k].header;
                std::string tag = header.substr(0, header.find(':'));
                // An empty cell puts nothing, whatever its type.
                if (!cell.empty())
                    records.push_back({{"tag", tag}, {kinds[k].manifest_key, cell}});
            }
            table += "\n";
            manifests.push_back({{"records", records}});
        }
        RC_LOG() << table;
        write("t.csv", table);
        std::filesystem::remove_all(path("out"));
        result batch = run({"--batch", "t.csv", "-O", "out"});
        RC_ASSERT(batch.status == 0);
        for (size_t r = 0; r < rows; r++) {
            write("m.json", manifests[r].dump());
            result alone = run({"--manifest", "m.json", "-b"});
            RC_ASSERT(alone.status == 0);
            RC_ASSERT(read("out/r" + std::to_string(r) + ".bin") == as_bytes(alone.out));
        }
    });
}

} // namespace

namespace {

// The live records of an image file, read as the tool reads it.
std::vector<imgforge::record> live_records(const random_image::made &m, const bytes &file)
{
    imgforge::image img;
    if (m.otp)
        imgforge::make_otp(img);
    else
        imgforge::set_size(img, m.size);
    imgforge::load_bytes(img, file, "image");
    return imgforge::records(img);
}

bool same(const std::vector<imgforge::record> &a, const std::vector<imgforge::record> &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const auto &x, const auto &y) {
               return x.tag == y.tag && x.locked == y.locked && x.data == y.data;
           });
}

class RoundTrip : public Sandbox {};

// An image read with its form and size and written as --json, built again by
// --manifest: the same live records (tag, data, lock, order), and the same
// bytes when it held no deleted or incomplete record.
TEST_F(RoundTrip, JsonThenManifestGivesTheImageBack)
{
    check_property(60, [&] {
        bool clean = *rc::gen::arbitrary<bool>();
        random_image::made m = random_image::generate(clean);
        write("x.bin", m.file);
        std::vector<std::string> read = {"-f", std::to_string(m.size), "-r", "x.bin", "--json"};
        if (m.otp)
            read = {"-i", "-r", "x.bin", "--json"};
        result doc = run(read);
        RC_ASSERT(doc.status == 0);
        write("m.json", doc.out);
        result back = run({"--manifest", "m.json", m.full ? "-F" : "-b", "-b"});
        RC_LOG() << back.err;
        RC_ASSERT(back.status == 0);
        RC_ASSERT(same(live_records(m, as_bytes(back.out)), live_records(m, m.file)));
        if (clean)
            RC_ASSERT(as_bytes(back.out) == m.file);
    });
}

class FormatsRoundTrip : public Sandbox {};

// An image written by --ihex or --srec at a base and read by -r at the same
// base gives the bytes -b writes.
TEST_F(FormatsRoundTrip, RecordsThenReadGiveTheImageBack)
{
    check_property(25, [&] {
        random_image::made m = random_image::generate(*rc::gen::arbitrary<bool>());
        write("x.bin", m.file);
        std::vector<std::string> shape = {"-f", std::to_string(m.size)};
        if (m.otp)
            shape = {"-i"};
        const std::string base = std::to_string(random_image::base_address(m.file.size()));
        const char *format = *rc::gen::element("--ihex", "--srec");
        auto with = [&](std::vector<std::string> args) {
            args.insert(args.begin(), shape.begin(), shape.end());
            args.insert(args.end(), {"--base", base});
            if (m.full)
                args.push_back("-F");
            return run(args);
        };
        result text = with({"-r", "x.bin", format});
        RC_LOG() << format << " --base " << base << "\n" << text.err;
        RC_ASSERT(text.status == 0);
        write("x.txt", text.out);
        result back = with({"-r", "x.txt", "-b"});
        RC_LOG() << back.err;
        RC_ASSERT(back.status == 0);
        RC_ASSERT(back.out == with({"-r", "x.bin", "-b"}).out);
    });
}

} // namespace
