// Reviewed expected outputs kept as files in tests/golden/.
#ifndef IMGFORGE_TESTS_GOLDEN_H
#define IMGFORGE_TESTS_GOLDEN_H

#include <fstream>
#include <iterator>
#include <string>

inline std::string golden(const std::string &name)
{
    std::ifstream f(std::string(IMGFORGE_SOURCE_DIR) + "/tests/golden/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

#endif
