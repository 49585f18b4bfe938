#include "cli/scanner.h"

#include "common/platform.h"

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
        report_long(error, "%s: unrecognized option '--%.*s'\n", text);
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

void option_scanner::report(bool *error, const char *what, char c)
{
    if (!quiet)
        std::fprintf(stderr, "%s: %s -- %c\n", invocation_name(argv[0]).c_str(), what, c);
    *error = true;
}

void option_scanner::report_long(bool *error, const char *format, std::string_view name)
{
    if (!quiet)
        std::fprintf(stderr, format, invocation_name(argv[0]).c_str(), int(name.size()),
                     name.data());
    *error = true;
}

} // namespace imgforge
