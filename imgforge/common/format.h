// printf into a string, and values shown inside messages.
#ifndef IMGFORGE_COMMON_FORMAT_H
#define IMGFORGE_COMMON_FORMAT_H

#include <string>
#include <string_view>

namespace imgforge {

#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
format(const char *fmt, ...);

// A cell, key or argument as a message shows it: at most its first 40 bytes,
// then "...", with NUL and control bytes as "\xNN". Never used for file
// paths.
std::string excerpt(std::string_view text);

} // namespace imgforge

#endif
