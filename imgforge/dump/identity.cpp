#include "dump/identity.h"

namespace imgforge {

namespace {

constexpr size_t BD_ADDR_LEN = 6;
constexpr size_t KEY_LEN = 16;
constexpr size_t LTK_RECORD_LEN = 28;
constexpr size_t PARAM_LEN_DEVICE_NAME = 248;

struct peer_bd_address {
    uint8_t addr[BD_ADDR_LEN];
    uint8_t addr_type;
};

struct peer_irk {
    uint8_t key[KEY_LEN];
    uint8_t addr[BD_ADDR_LEN];
    uint8_t addr_type;
};

static_assert(sizeof(peer_bd_address) == 7 && sizeof(peer_irk) == 23);

} // namespace

int pretty_BD_ADDRESS_content(const record_reader &read, uint32_t addr, uint16_t len,
                              walk_args &args)
{
    uint8_t bd[BD_ADDR_LEN];
    read_zero_filled(read, addr, len, bd, sizeof bd);
    show_bd_addr(args.out, bd);
    return 0;
}

int pretty_DEVICE_NAME_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args)
{
    uint8_t name[PARAM_LEN_DEVICE_NAME];
    read_zero_filled(read, addr, len, name, sizeof name);
    size_t n = len < sizeof name ? len : sizeof name;
    args.out.put('\'');
    print_text(args.out, name, text_length(name, n));
    args.out.put('\'');
    return 0;
}

int pretty_LTK_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    uint8_t record[LTK_RECORD_LEN];
    read_zero_filled(read, addr, len, record, sizeof record);
    args.out.write("key=0x");
    for (size_t i = 0; i < KEY_LEN; i++)
        args.out.printf("%02x", record[i]);
    return 0;
}

int pretty_PEER_BD_ADDRESS_content(const record_reader &read, uint32_t addr, uint16_t len,
                                   walk_args &args)
{
    peer_bd_address peer;
    read_zero_filled(read, addr, len, &peer, sizeof peer);
    show_bd_addr(args.out, peer.addr);
    args.out.printf(", type: %s", addr_type_to_str(peer.addr_type));
    return 0;
}

int pretty_PEER_IRK_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    peer_irk irk;
    read_zero_filled(read, addr, len, &irk, sizeof irk);
    args.out.write("key=");
    print_spaced_hex(args.out, irk.key, sizeof irk.key);
    args.out.write(",addr=");
    show_bd_addr(args.out, irk.addr);
    args.out.printf(",addr_type=%s", addr_type_to_str(irk.addr_type));
    return 0;
}

int pretty_PERIPH_BONDED_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    uint8_t bonded;
    read_zero_filled(read, addr, len, &bonded, sizeof bonded);
    args.out.write(bonded ? "true" : "false");
    return 0;
}

} // namespace imgforge
