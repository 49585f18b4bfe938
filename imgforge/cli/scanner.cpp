#include "cli/scanner.h"

#include "common/format.h"
#include "common/platform.h"

#include <algorithm>
#include <vector>

#include <cstdio>
#include <cstring>

namespace imgforge {

option_action option_scanner::next(const char **arg, bool *error)
{
    *error = false;
    if (pos == 0) {
        if (index >= argc)
            return nullptr;
        const char *a = argv[index];
        if (a[0] != '-' || a[1] == '\0')
            return nullptr;
        if (std::strcmp(a, "--") == 0) {
            index++;
            return nullptr;
        }
        if (a[1] == '-')
            return next_long(arg, error);
        pos = 1;
    }
    const char *group = argv[index];
    char c = group[pos++];
    bool group_ends = group[pos] == '\0';
    const opt *o = find_opt(c);
    if (!o || !o->has_arg) {
        if (group_ends)
            advance();
        if (!o)
            report(error, "unknown option", c);
        return o ? o->action : nullptr;
    }
    if (!group_ends) {
        *arg = group + pos;
        advance();
        return o->action;
    }
    advance();
    if (index >= argc) {
        report(error, "option requires an argument", c);
        return nullptr;
    }
    *arg = argv[index++];
    return o->action;
}

option_action option_scanner::next_long(const char **arg, bool *error)
{
    const char *text = argv[index++] + 2;
    const char *equals = std::strchr(text, '=');
    std::string_view name = equals ? std::string_view(text, size_t(equals - text)) : text;
    const long_opt *o = find_long_opt(name);
    if (!o) {
        report_unknown_long(error, name);
        return nullptr;
    }
    if (!o->has_arg && equals) {
        report_long(error, "%s: option '--%.*s' doesn't allow an argument\n", name);
        return nullptr;
    }
    if (o->has_arg && equals) {
        *arg = equals + 1;
    } else if (o->has_arg) {
        if (index >= argc) {
            report_long(error, "%s: option '--%.*s' requires an argument\n", name);
            return nullptr;
        }
        *arg = argv[index++];
    }
    return o->action;
}

void option_scanner::advance()
{
    index++;
    pos = 0;
}

// A mistyped long option gets a hint, not the whole usage.
void option_scanner::report_unknown_long(bool *error, std::string_view name)
{
    if (!quiet) {
        std::string text = excerpt(name);
        std::fprintf(stderr, "ERROR: unknown option '--%s'\n", text.c_str());
        if (const long_opt *near = nearest_long_opt(name))
            std::fprintf(stderr, "hint: did you mean '--%s'?\n", near->name);
    }
    with_usage = false;
    *error = true;
}

void option_scanner::report(bool *error, const char *what, char c)
{
    if (!quiet)
        std::fprintf(stderr, "%s: %s -- %c\n", invocation_name(argv[0]).c_str(), what, c);
    with_usage = true;
    *error = true;
}

void option_scanner::report_long(bool *error, const char *format, std::string_view name)
{
    if (!quiet)
        std::fprintf(stderr, format, invocation_name(argv[0]).c_str(), int(name.size()),
                     name.data());
    *error = true;
}

namespace {

// Edits (insertions, deletions, substitutions) from a to b.
size_t levenshtein(std::string_view a, std::string_view b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

const long_opt *nearest_long_opt(std::string_view name)
{
    const long_opt *best = nullptr;
    size_t best_distance = 3;
    for (const long_opt &o : long_opts) {
        size_t d = levenshtein(name, o.name);
        if (d < best_distance) {
            best = &o;
            best_distance = d;
        }
    }
    return best;
}

} // namespace imgforge
