// The few things that differ between platforms.
#ifndef IMGFORGE_PLATFORM_H
#define IMGFORGE_PLATFORM_H

namespace imgforge {

#ifdef _WIN32
inline constexpr char DIR_SEPARATOR = '\\';
#else
inline constexpr char DIR_SEPARATOR = '/';
#endif

// Switches standard output to binary mode; false (with errno) on failure.
bool set_stdout_binary();

// Opens a file for reading raw bytes; -1 (with errno) on failure.
int open_binary_read(const char *path);

// Last path component of the invocation name.
const char *program_name(const char *argv0);

} // namespace imgforge

#endif
