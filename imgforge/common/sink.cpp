#include "common/sink.h"

namespace imgforge {

void text_sink::printf(const char *fmt, ...) const
{
    va_list args;
    va_start(args, fmt);
    vprintf(fmt, args);
    va_end(args);
}

void text_sink::vprintf(const char *fmt, va_list args) const
{
    if (stream) {
        std::vfprintf(stream, fmt, args);
        return;
    }
    if (!text)
        return;
    // Most pieces are short: one pass through a local buffer.
    char local[256];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(local, sizeof local, fmt, args);
    if (n > 0 && size_t(n) < sizeof local) {
        text->append(local, size_t(n));
    } else if (n > 0) {
        size_t at = text->size();
        text->resize(at + size_t(n) + 1);
        std::vsnprintf(text->data() + at, size_t(n) + 1, fmt, again);
        text->resize(at + size_t(n));
    }
    va_end(again);
}

void text_sink::write(std::string_view data) const
{
    if (stream)
        std::fwrite(data.data(), 1, data.size(), stream);
    else if (text)
        text->append(data);
}

void text_sink::put(char c) const
{
    if (stream)
        std::fputc(c, stream);
    else if (text)
        text->push_back(c);
}

void text_sink::flush() const
{
    if (stream)
        std::fflush(stream);
}

} // namespace imgforge
