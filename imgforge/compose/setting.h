// --set: one record given as TAG=VALUE or TAG:TYPE=VALUE.
#ifndef IMGFORGE_COMPOSE_SETTING_H
#define IMGFORGE_COMPOSE_SETTING_H

#include "image/image.h"

#include <string_view>

namespace imgforge {

// Puts the record the setting stands for, checked whole first; `what` names
// the setting in the message of a bad one (status 1).
void put_setting(image &img, std::string_view text, const char *what);

} // namespace imgforge

#endif
