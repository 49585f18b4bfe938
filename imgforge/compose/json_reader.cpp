#include "compose/json_reader.h"

#include "common/format.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace imgforge {

namespace {

using json = nlohmann::json;

// "line L, column C" of the byte at `at` (both from 1).
std::string place(std::string_view text, size_t at)
{
    at = std::min(at, text.size());
    size_t line = 1 + size_t(std::count(text.begin(), text.begin() + long(at), '\n'));
    size_t newline = at ? text.rfind('\n', at - 1) : std::string_view::npos;
    size_t column = newline == std::string_view::npos ? at + 1 : at - newline;
    return format("line %zu, column %zu", line, column);
}

// Reads the text a byte at a time and tells how far the parser has read.
struct counting_iterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char *;
    using reference = const char &;

    const char *at;
    const char **read; // shared: one past the last byte read

    reference operator*() const { return *at; }
    counting_iterator &operator++()
    {
        *read = ++at;
        return *this;
    }
    counting_iterator operator++(int)
    {
        counting_iterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const counting_iterator &other) const { return at == other.at; }
    bool operator!=(const counting_iterator &other) const { return at != other.at; }
};

// Builds the document, refusing a key that its object already has.
class builder : public nlohmann::json_sax<json> {
  public:
    builder(std::string_view text, const char *const &read, json &doc)
        : text(text), read(read), doc(doc)
    {
    }
    std::string error;

    bool null() override { return value(nullptr); }
    bool boolean(bool v) override { return value(v); }
    bool number_integer(number_integer_t v) override { return value(v); }
    bool number_unsigned(number_unsigned_t v) override { return value(v); }
    bool number_float(number_float_t v, const string_t &) override { return value(v); }
    bool string(string_t &v) override { return value(std::move(v)); }
    bool binary(binary_t &v) override { return value(std::move(v)); }
    bool start_object(std::size_t) override
    {
        stack.push_back(insert(json::object()));
        return true;
    }
    bool start_array(std::size_t) override
    {
        stack.push_back(insert(json::array()));
        return true;
    }
    bool end_object() override { return end(); }
    bool end_array() override { return end(); }

    bool key(string_t &k) override
    {
        if (!stack.back()->contains(k)) {
            pending = std::move(k);
            return true;
        }
        error = format("duplicate key '%s' at %s", excerpt(k).c_str(),
                       place(text, key_start()).c_str());
        return false;
    }

    bool parse_error(std::size_t position, const std::string &,
                     const nlohmann::detail::exception &) override
    {
        // The position counts the bytes read, the one in error included.
        error = "invalid JSON at " + place(text, position ? position - 1 : 0);
        return false;
    }

  private:
    std::string_view text;
    const char *const &read;
    json &doc;
    std::vector<json *> stack;
    std::string pending;

    // The key's opening quote: its closing quote is the last byte read.
    size_t key_start() const
    {
        size_t at = size_t(read - text.data()) - 1;
        while (at > 0) {
            at--;
            size_t slashes = 0;
            while (slashes < at && text[at - 1 - slashes] == '\\')
                slashes++;
            if (text[at] == '"' && slashes % 2 == 0)
                break;
        }
        return at;
    }
    // Puts a value where the document stands; returns it.
    json *insert(json v)
    {
        if (stack.empty()) {
            doc = std::move(v);
            return &doc;
        }
        json &parent = *stack.back();
        if (parent.is_array()) {
            parent.push_back(std::move(v));
            return &parent.back();
        }
        return &(parent[pending] = std::move(v));
    }
    template <class T> bool value(T &&v)
    {
        insert(json(std::forward<T>(v)));
        return true;
    }
    bool end()
    {
        stack.pop_back();
        return true;
    }
};

} // namespace

bool read_json(std::string_view text, json &doc, std::string &error)
{
    if (const void *nul = std::memchr(text.data(), 0, text.size())) {
        error =
            "a NUL byte at " + place(text, size_t(static_cast<const char *>(nul) - text.data()));
        return false;
    }
    const char *read = text.data();
    builder sax(text, read, doc);
    counting_iterator first{text.data(), &read}, last{text.data() + text.size(), &read};
    bool ok = json::sax_parse(first, last, &sax);
    error = sax.error;
    return ok && error.empty();
}

} // namespace imgforge
