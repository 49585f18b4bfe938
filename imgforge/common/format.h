// printf into a string.
#ifndef IMGFORGE_COMMON_FORMAT_H
#define IMGFORGE_COMMON_FORMAT_H

#include <string>

namespace imgforge {

#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
format(const char *fmt, ...);

} // namespace imgforge

#endif
