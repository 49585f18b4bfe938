// Byte sequences the tests build records from, and the raw listing's form.
#ifndef IMGFORGE_TESTS_TEST_BYTES_H
#define IMGFORGE_TESTS_TEST_BYTES_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The words, little-endian.
inline std::vector<uint8_t> words(const std::vector<uint32_t> &values)
{
    std::vector<uint8_t> b;
    for (uint32_t v : values)
        for (int k = 0; k < 4; k++)
            b.push_back(uint8_t(v >> (8 * k)));
    return b;
}
inline std::vector<uint8_t> le32(uint32_t v)
{
    return words({v});
}

// n bytes counting up from `first`.
inline std::vector<uint8_t> seq(size_t n, uint8_t first = 0)
{
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = uint8_t(first + i);
    return b;
}

// The data as the raw listing shows it: " %02x" for each byte; or "%02x"
// joined by `separator`.
inline std::string hex_of(const std::vector<uint8_t> &data)
{
    std::string out;
    char b[4];
    for (uint8_t c : data)
        out.append(b, size_t(std::snprintf(b, sizeof b, " %02x", c)));
    return out;
}
inline std::string hex_of(const std::vector<uint8_t> &data, const std::string &separator)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < data.size(); i++)
        out += (i ? separator : "") +
               std::string(b, size_t(std::snprintf(b, sizeof b, "%02x", data[i])));
    return out;
}

#endif
