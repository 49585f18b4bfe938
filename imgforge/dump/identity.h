// Decoders of the device identity and bonding records: addresses, name,
// long-term and identity resolving keys, bonding flags.
#ifndef IMGFORGE_DUMP_IDENTITY_H
#define IMGFORGE_DUMP_IDENTITY_H

#include "dump/forms.h"

namespace imgforge {

int pretty_BD_ADDRESS_content(const record_reader &read, uint32_t addr, uint16_t len,
                              walk_args &args);
int pretty_DEVICE_NAME_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args);
int pretty_LTK_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_PEER_BD_ADDRESS_content(const record_reader &read, uint32_t addr, uint16_t len,
                                   walk_args &args);
int pretty_PEER_IRK_content(const record_reader &read, uint32_t addr, uint16_t len,
                            walk_args &args);
int pretty_PERIPH_BONDED_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);

} // namespace imgforge

#endif
