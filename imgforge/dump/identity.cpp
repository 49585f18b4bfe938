#include "dump/identity.h"

#include <cstdio>

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

int pretty_BD_ADDRESS_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t bd[BD_ADDR_LEN];
    read_zero_filled(read, addr, len, bd, sizeof bd);
    show_bd_addr(stdout, bd);
    return 0;
}

int pretty_DEVICE_NAME_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t name[PARAM_LEN_DEVICE_NAME];
    read_zero_filled(read, addr, len, name, sizeof name);
    size_t n = len < sizeof name ? len : sizeof name;
    std::putchar('\'');
    print_text(stdout, name, text_length(name, n));
    std::putchar('\'');
    return 0;
}

int pretty_LTK_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t record[LTK_RECORD_LEN];
    read_zero_filled(read, addr, len, record, sizeof record);
    std::printf("key=0x");
    for (size_t i = 0; i < KEY_LEN; i++)
        std::printf("%02x", record[i]);
    return 0;
}

int pretty_PEER_BD_ADDRESS_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    peer_bd_address peer;
    read_zero_filled(read, addr, len, &peer, sizeof peer);
    show_bd_addr(stdout, peer.addr);
    std::printf(", type: %s", addr_type_to_str(peer.addr_type));
    return 0;
}

int pretty_PEER_IRK_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    peer_irk irk;
    read_zero_filled(read, addr, len, &irk, sizeof irk);
    std::printf("key=");
    print_spaced_hex(stdout, irk.key, sizeof irk.key);
    std::printf(",addr=");
    show_bd_addr(stdout, irk.addr);
    std::printf(",addr_type=%s", addr_type_to_str(irk.addr_type));
    return 0;
}

int pretty_PERIPH_BONDED_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t bonded;
    read_zero_filled(read, addr, len, &bonded, sizeof bonded);
    std::printf("%s", bonded ? "true" : "false");
    return 0;
}

} // namespace imgforge
