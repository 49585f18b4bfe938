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
    if (!text && !take)
        return;
    // Most pieces are short: one pass through a local buffer.
    char local[256];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(local, sizeof local, fmt, args);
    if (n > 0 && size_t(n) < sizeof local) {
        write(std::string_view(local, size_t(n)));
    } else if (n > 0) {
        std::string whole(size_t(n) + 1, '\0');
        std::vsnprintf(whole.data(), whole.size(), fmt, again);
        write(std::string_view(whole.data(), size_t(n)));
    }
    va_end(again);
}

void text_sink::write(std::string_view data) const
{
    if (stream)
        std::fwrite(data.data(), 1, data.size(), stream);
    else if (text)
        text->append(data);
    else if (take)
        take(context, data);
}

void text_sink::put(char c) const
{
    if (stream)
        std::fputc(c, stream);
    else if (text)
        text->push_back(c);
    else if (take)
        take(context, std::string_view(&c, 1));
}

void text_sink::flush() const
{
    if (stream)
        std::fflush(stream);
}

} // namespace imgforge
