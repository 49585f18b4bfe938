#include "compose/ids.h"

#include "common/format.h"

#include <cstring>

namespace imgforge {

namespace {

char fold(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equal_folded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

// Device names Windows keeps in every folder, whatever their extension.
bool reserved_name(std::string_view id)
{
    std::string_view stem = id.substr(0, id.find('.'));
    for (const char *name : {"CON", "PRN", "AUX", "NUL"})
        if (equal_folded(stem, name))
            return true;
    if (stem.size() != 4 || stem[3] < '1' || stem[3] > '9')
        return false;
    return equal_folded(stem.substr(0, 3), "COM") || equal_folded(stem.substr(0, 3), "LPT");
}

} // namespace

std::string id_error(std::string_view id)
{
    if (id.empty())
        return "the id is empty";
    if (id.size() > MAX_ID_LENGTH)
        return format("the id '%s' is longer than %zu bytes", excerpt(id).c_str(), MAX_ID_LENGTH);
    if (id == "." || id == "..")
        return format("'%s' is not an id", std::string(id).c_str());
    for (char c : id) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return format("the id '%s' holds a control byte", excerpt(id).c_str());
        if (c == '/' || c == '\\')
            return format("the id '%s' holds a path separator", excerpt(id).c_str());
        if (std::strchr(":*?\"<>|", c))
            return format("the id '%s' holds '%c', which a file name cannot hold",
                          excerpt(id).c_str(), c);
    }
    if (id.back() == '.' || id.back() == ' ')
        return format("the id '%s' ends in a %s", excerpt(id).c_str(),
                      id.back() == '.' ? "dot" : "space");
    if (reserved_name(id))
        return format("the id '%s' is a device name on Windows", excerpt(id).c_str());
    return {};
}

size_t id_index::fold_hash::operator()(std::string_view s) const
{
    size_t h = 14695981039346656037ull; // FNV-1a
    for (char c : s)
        h = (h ^ static_cast<unsigned char>(fold(c))) * 1099511628211ull;
    return h;
}

bool id_index::fold_equal::operator()(std::string_view a, std::string_view b) const
{
    return equal_folded(a, b);
}

unsigned id_index::add(std::string_view id, unsigned row)
{
    auto [it, added] = rows.emplace(id, row);
    return added ? 0 : it->second;
}

} // namespace imgforge
