// Where a printer's text goes: a stream (standard output for -p), a string,
// a function that takes it piece by piece (the decoded texts of --json), or
// nowhere. Beside the text, messages about
// it (the decoders' complaints, standard error for -p) go to a second sink,
// or are dropped. A sink is a handle: copies write to the same place.
#ifndef IMGFORGE_COMMON_SINK_H
#define IMGFORGE_COMMON_SINK_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace imgforge {

#if defined(__MINGW32__)
#define IMGFORGE_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define IMGFORGE_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define IMGFORGE_PRINTF(fmt, args)
#endif

class text_sink {
  public:
    // Text dropped.
    text_sink() = default;
    // Text to a stream, messages to `messages` (none: dropped).
    explicit text_sink(FILE *stream, const text_sink *messages = nullptr)
        : stream(stream), message_sink(messages)
    {
    }
    // Text appended to a string, messages to `messages` (none: dropped).
    explicit text_sink(std::string &text, const text_sink *messages = nullptr)
        : text(&text), message_sink(messages)
    {
    }
    // Text handed to `take` piece by piece; messages dropped.
    using taker = void (*)(void *context, std::string_view piece);
    text_sink(taker take, void *context) : take(take), context(context) {}

    void printf(const char *fmt, ...) const IMGFORGE_PRINTF(2, 3);
    void vprintf(const char *fmt, va_list args) const;
    void write(std::string_view data) const;
    void put(char c) const;
    // Hands a stream's buffered text to the system, so that a message
    // written to another stream after it comes after it.
    void flush() const;

    // The sink of messages about this text.
    text_sink messages() const { return message_sink ? *message_sink : text_sink(); }
    // The stream written to, or nullptr.
    FILE *file() const { return stream; }

  private:
    FILE *stream = nullptr;
    std::string *text = nullptr;
    taker take = nullptr;
    void *context = nullptr;
    const text_sink *message_sink = nullptr;
};

} // namespace imgforge

#endif
