#include "common/format.h"

#include <cstdarg>
#include <cstdio>

namespace imgforge {

std::string format(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string text(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, fmt, again);
    va_end(again);
    return text;
}

} // namespace imgforge

namespace imgforge {

std::string excerpt(std::string_view text)
{
    constexpr size_t shown = 40;
    std::string out;
    for (size_t i = 0; i < text.size() && i < shown; i++) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            out += format("\\x%02x", c);
        else
            out += char(c);
    }
    if (text.size() > shown)
        out += "...";
    return out;
}

} // namespace imgforge
