// Content decoders of the advertising and activity records.
#include "dump/adv.h"

#include "common/bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

namespace imgforge {

namespace {

// Enumerations: value to name, "?" for unnamed values.
struct enum_name {
    uint32_t value;
    const char *name;
};
using enum_table = std::span<const enum_name>;

const char *value_to_name(enum_table names, uint32_t value)
{
    for (const enum_name &n : names)
        if (n.value == value)
            return n.name;
    return "?";
}

constexpr enum_name own_addr_type_names[] = {{0, "STATIC"}, {1, "GEN_RSLV"}, {2, "GEN_NON_RSLV"}};
constexpr enum_name adv_type_names[] = {{0, "LEGACY"}, {1, "EXTENDED"}, {2, "PERIODIC"}};
constexpr enum_name disc_mode_names[] = {
    {0, "NON_DISC"}, {1, "GEN_DISC"}, {2, "LIM_DISC"}, {3, "BEACON"}, {4, "MAX"}};
constexpr enum_name prop_names[] = {{0, "NON_CONN_NON_SCAN"},
                                    {2, "NON_CONN_SCAN"},
                                    {3, "UNDIR_CONN"},
                                    {5, "DIR_CONN"},
                                    {13, "DIR_CONN_HDC"}};
constexpr enum_name filter_pol_names[] = {
    {0, "ANY_CON_ANY"}, {1, "WLST_CON_ANY"}, {2, "ANY_CON_WLST"}, {3, "WLST_CON_WLST"}};
constexpr enum_name peer_addr_type_names[] = {{0, "public"}, {1, "private random"}};
constexpr enum_name phy_names[] = {
    {0, "PHY_UNDEF"}, {1, "PHY_1MBPS"}, {2, "PHY_2MBPS"}, {3, "PHY_CODED"}};

// One printed field of adv_param.
enum class field_form : uint8_t { name, dbm, hex, bd_addr, adv_intv, period_intv };

struct adv_field {
    const char *label;
    size_t offset;
    size_t width; // bytes of a numeric field
    field_form form;
    enum_table names = {};
};

#define ADV_FIELD(member) offsetof(adv_param, member), sizeof(adv_param::member)

constexpr adv_field adv_param_fields[] = {
    {"type", ADV_FIELD(type), field_form::name, adv_type_names},
    {"disc_mode", ADV_FIELD(disc_mode), field_form::name, disc_mode_names},
    {"prop", ADV_FIELD(prop), field_form::name, prop_names},
    {"max_tx_pwr", ADV_FIELD(max_tx_pwr), field_form::dbm},
    {"filter_pol", ADV_FIELD(filter_pol), field_form::name, filter_pol_names},
    {"peer_addr", ADV_FIELD(peer_addr), field_form::bd_addr},
    {"peer_addr_ty", ADV_FIELD(peer_addr_ty), field_form::name, peer_addr_type_names},
    {"prim.adv_intv_min", ADV_FIELD(prim_adv_intv_min), field_form::adv_intv},
    {"prim.adv_intv_max", ADV_FIELD(prim_adv_intv_max), field_form::adv_intv},
    {"prim.chnl_map", ADV_FIELD(prim_chnl_map), field_form::hex},
    {"prim.phy", ADV_FIELD(prim_phy), field_form::name, phy_names},
    {"second.max_skip", ADV_FIELD(second_max_skip), field_form::hex},
    {"second.phy", ADV_FIELD(second_phy), field_form::name, phy_names},
    {"second.adv_sid", ADV_FIELD(second_adv_sid), field_form::hex},
    {"period.adv_intv_min", ADV_FIELD(period_adv_intv_min), field_form::period_intv},
    {"period.adv_intv_max", ADV_FIELD(period_adv_intv_max), field_form::period_intv},
};

#undef ADV_FIELD

uint32_t field_value(const uint8_t *p, size_t width)
{
    switch (width) {
    case 1:
        return p[0];
    case 2:
        return le16(p);
    default:
        return le32(p);
    }
}

void print_adv_field(const text_sink &out, const adv_param &param, const adv_field &f)
{
    const uint8_t *p = reinterpret_cast<const uint8_t *>(&param) + f.offset;
    uint32_t value = field_value(p, f.width);
    intv_text buf;
    switch (f.form) {
    case field_form::name:
        out.write(value_to_name(f.names, value));
        break;
    case field_form::dbm:
        out.printf("%ddBm", int(int8_t(value)));
        break;
    case field_form::hex:
        out.printf("%02x", unsigned(value));
        break;
    case field_form::bd_addr:
        show_bd_addr(out, p);
        break;
    case field_form::adv_intv:
        out.write(adv_intv_to_str(value, buf));
        break;
    case field_form::period_intv:
        out.write(period_adv_intv_to_str(value, buf));
        break;
    }
}

// Interval of `us` microseconds in its largest whole unit.
const char *intv_to_str(uint64_t us, const char *zero_text, intv_text &buf)
{
    auto t = static_cast<unsigned long long>(us);
    if (t == 0)
        std::snprintf(buf, sizeof buf, "%s", zero_text);
    else if (t % 1000000 == 0)
        std::snprintf(buf, sizeof buf, "%llus", t / 1000000);
    else if (t % 1000 == 0)
        std::snprintf(buf, sizeof buf, "%llums", t / 1000);
    else
        std::snprintf(buf, sizeof buf, "%lluus", t);
    return buf;
}

// Eddystone-URL frame: type, TX power, scheme prefix code, encoded URL.
constexpr uint8_t eddystone_url_frame = 0x10;
constexpr size_t eddystone_url_header = 3;

constexpr const char *scheme_prefixes[] = {"http://www.", "https://www.", "http://", "https://"};
constexpr const char *tld_texts[] = {".com/", ".org/", ".edu/", ".net/", ".info/", ".biz/", ".gov/",
                                     ".com",  ".org",  ".edu",  ".net",  ".info",  ".biz",  ".gov"};

// The top-level domain of a URL: url[0..at) before it, url[next..) after it.
struct tld_match {
    size_t at;
    unsigned code;
    size_t next;
};

// A TLD text present in full at url[i].
std::optional<tld_match> literal_tld(const uint8_t *url, size_t m, size_t i)
{
    for (unsigned code = 0; code < std::size(tld_texts); code++) {
        size_t n = std::strlen(tld_texts[code]);
        if (n <= m - i && std::memcmp(url + i, tld_texts[code], n) == 0)
            return tld_match{i, code, i + n};
    }
    return std::nullopt;
}

// First TLD of the URL: a code byte (outside 0x21-0x7F) or a literal text.
std::optional<tld_match> find_tld(const uint8_t *url, size_t m)
{
    for (size_t i = 0; i < m; i++) {
        if (url[i] < 0x21 || url[i] > 0x7F)
            return tld_match{i, url[i], i + 1};
        if (auto tld = literal_tld(url, m, i))
            return tld;
    }
    return std::nullopt;
}

// URL text after the first TLD: every code byte expanded, other bytes as
// text.
void print_url_rest(const text_sink &out, const uint8_t *rest, size_t n)
{
    size_t from = 0;
    for (size_t i = 0; i < n; i++) {
        if (rest[i] >= std::size(tld_texts))
            continue;
        print_text(out, rest + from, i - from);
        out.write(tld_texts[rest[i]]);
        from = i + 1;
    }
    print_text(out, rest + from, n - from);
}

// URL text after the scheme prefix, the TLD expanded.
int print_url(const text_sink &out, const uint8_t *url, size_t m,
              const std::optional<tld_match> &tld)
{
    if (!tld) {
        print_text(out, url, m);
        return 0;
    }
    print_text(out, url, tld->at);
    if (tld->code >= std::size(tld_texts)) {
        out.printf("unknown Eddystone TLD '%02x'", tld->code);
        return 1;
    }
    out.write(tld_texts[tld->code]);
    print_url_rest(out, url + tld->next, m - tld->next);
    return 0;
}

// AD data shown as bytes: 'xx xx'.
void print_quoted_hex(const text_sink &out, const uint8_t *data, uint8_t len)
{
    out.put('\'');
    print_spaced_hex(out, data, len);
    out.put('\'');
}

// Known services; AA FE is the Eddystone UUID 0xFEAA.
constexpr uint8_t eddystone_uuid[] = {0xAA, 0xFE};
constexpr service_desc svc_list_service{eddystone_uuid, "Eddystone", nullptr};
constexpr service_desc svc_data_service{eddystone_uuid, "Eddystone", show_eddystone_data};
constexpr service_desc sh_lname_service{{}, "Shortened Local Name", show_eddystone_local_name};
constexpr service_desc ct_lname_service{{}, "Complete Local Name", show_eddystone_local_name};

// Printers of the known services by AD type.
struct ad_type_printer {
    uint8_t ad_type;
    ad_printer printer;
};
constexpr ad_type_printer services[] = {
    {0x03, show_svc_list}, {0x16, show_svc_data}, {0x08, show_sh_lname}, {0x09, show_ct_lname}};

ad_printer printer_for(uint8_t ad_type)
{
    for (const ad_type_printer &s : services)
        if (s.ad_type == ad_type)
            return s.printer;
    return printer_default;
}

void report_incomplete(const text_sink &err, int recno, size_t off, uint32_t addr)
{
    err.printf("ERROR in record #%d (offset %d relative to address %#x): incomplete header\n",
               recno, int(off), unsigned(addr));
}

void report_too_large(const text_sink &err, int recno, const std::vector<uint8_t> &buf, size_t off,
                      uint32_t addr)
{
    err.printf("ERROR in record #%d (offset %d relative to address %#x): too large -- "
               "%lu>%lu left in this NVDS section\n",
               recno, int(off), unsigned(addr), static_cast<unsigned long>(buf[off]),
               static_cast<unsigned long>(buf.size() - off - 1));
    err.write("unprocessed trailing bytes: ");
    print_spaced_hex(err, buf.data() + off, buf.size() - off);
    err.put('\n');
}

} // namespace

const char *adv_intv_to_str(uint32_t value, intv_text &buf)
{
    return intv_to_str(uint64_t(value) * 625, "0us", buf);
}

const char *period_adv_intv_to_str(uint32_t value, intv_text &buf)
{
    return intv_to_str(uint64_t(value) * 1250, "0ms", buf);
}

int show_adv_param(const text_sink &out, const adv_param &param)
{
    bool first = true;
    for (const adv_field &f : adv_param_fields) {
        out.printf(first ? "%s=" : ", %s=", f.label);
        print_adv_field(out, param, f);
        first = false;
    }
    return 0;
}

int show_act_crt_cmd(const text_sink &out, const act_crt_cmd &cmd)
{
    out.printf("addr_type=%s adv_param={", value_to_name(own_addr_type_names, cmd.own_addr_type));
    show_adv_param(out, cmd.adv);
    out.put('}');
    return 0;
}

int read_rec(ad_rec &out, const uint8_t *bytes)
{
    if (bytes[0] == 0)
        return -1;
    out.type = bytes[1];
    out.len = uint8_t(bytes[0] - 1);
    out.data = bytes + 2;
    return bytes[0] + 1;
}

int printer_default(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t)
{
    print_spaced_hex(out, data, len);
    return 0;
}

int show_aux(const text_sink &out, const uint8_t *data, uint8_t len, const service_desc &svc,
             const char *label)
{
    size_t n = svc.id.size();
    if (len < n || !std::equal(svc.id.begin(), svc.id.end(), data)) {
        out.printf("unknown %s ID ", label);
        print_quoted_hex(out, data, len);
        return 1;
    }
    if (svc.printer)
        svc.printer(out, data + n, uint8_t(len - n));
    else
        out.write(svc.name);
    return 0;
}

int show_svc_list(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t)
{
    return show_aux(out, data, len, svc_list_service, "svc");
}

int show_svc_data(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t)
{
    return show_aux(out, data, len, svc_data_service, "svc_data");
}

int show_sh_lname(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t)
{
    return show_aux(out, data, len, sh_lname_service, nullptr);
}

int show_ct_lname(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t)
{
    return show_aux(out, data, len, ct_lname_service, nullptr);
}

int show_eddystone_local_name(const text_sink &out, const uint8_t *data, uint8_t len)
{
    print_text(out, data, text_length(data, len));
    return 0;
}

int show_eddystone_data(const text_sink &out, const uint8_t *data, uint8_t len)
{
    if (len < eddystone_url_header) {
        out.write("incomplete Eddystone frame ");
        print_quoted_hex(out, data, len);
        return 1;
    }
    const uint8_t *url = data + eddystone_url_header;
    size_t m = len - eddystone_url_header;
    std::optional<tld_match> tld = find_tld(url, m);
    if (!tld)
        out.messages().write("WARNING: could not find a TLD in eddystone beacon");
    out.printf("%ddBm ", int(int8_t(data[1])));
    if (data[0] != eddystone_url_frame) {
        out.printf("unknown frame type '%02x'", data[0]);
        return 1;
    }
    if (data[2] >= std::size(scheme_prefixes)) {
        out.printf("unknown Eddystone scheme prefix '%02x'", data[2]);
        return 1;
    }
    out.write(scheme_prefixes[data[2]]);
    return print_url(out, url, m, tld);
}

int pretty_APP_BLE_DATA_content_aux(const record_reader &read, uint32_t addr, uint16_t len,
                                    const text_sink &out)
{
    if (len == 0) {
        out.write(" <empty>");
        return 0;
    }
    text_sink err = out.messages();
    std::vector<uint8_t> buf(len);
    read(addr, len, buf.data());
    int errors = 0;
    size_t off = 0;
    for (int recno = 1;; recno++) {
        if (len - off == 1) {
            report_incomplete(err, recno, off, addr);
            return errors + 1;
        }
        ad_rec rec;
        int size = read_rec(rec, buf.data() + off);
        if (size < 0)
            return errors;
        if (off + size_t(size) > len) {
            report_too_large(err, recno, buf, off, addr);
            return errors + 1;
        }
        out.put(' ');
        errors += printer_for(rec.type)(out, rec.data, rec.len, rec.type) != 0;
        off += size_t(size);
        if (off == len)
            return errors;
    }
}

int pretty_ACT_STRT_CMD_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args)
{
    act_strt_cmd cmd;
    read_zero_filled(read, addr, len, &cmd, sizeof cmd);
    args.out.printf("duration=%ums, max_adv_evt=%u", unsigned(le16(cmd.duration)) * 10,
                    unsigned(cmd.max_adv_evt));
    return 0;
}

int pretty_RSTRT_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                             walk_args &args)
{
    uint8_t restart_duration[4];
    read_zero_filled(read, addr, len, restart_duration, sizeof restart_duration);
    args.out.printf("%llums", static_cast<unsigned long long>(le32(restart_duration)) * 10);
    return 0;
}

int pretty_ACT_CRT_CMD_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args)
{
    act_crt_cmd cmd;
    read_zero_filled(read, addr, len, &cmd, sizeof cmd);
    return show_act_crt_cmd(args.out, cmd);
}

int pretty_APP_BLE_DATA_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args)
{
    return pretty_APP_BLE_DATA_content_aux(read, addr, len, args.out);
}

} // namespace imgforge
