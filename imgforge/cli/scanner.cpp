#include "cli/scanner.h"

#include <cstdio>
#include <cstring>

namespace imgforge {

const opt *option_scanner::next(const char **arg, bool *error)
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
        return o;
    }
    if (!group_ends) {
        *arg = group + pos;
        advance();
        return o;
    }
    advance();
    if (index >= argc) {
        report(error, "option requires an argument", c);
        return o;
    }
    *arg = argv[index++];
    return o;
}

void option_scanner::advance()
{
    index++;
    pos = 0;
}

void option_scanner::report(bool *error, const char *what, char c)
{
    std::fprintf(stderr, "%s: %s -- %c\n", argv[0], what, c);
    *error = true;
}

} // namespace imgforge
