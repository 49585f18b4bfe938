// The ids of a batch table, which name its image files: every id must be a
// file name on every system, and no two may name the same file on one that
// ignores letter case.
#ifndef IMGFORGE_COMPOSE_IDS_H
#define IMGFORGE_COMPOSE_IDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace imgforge {

inline constexpr size_t MAX_ID_LENGTH = 200;

// Why `id` cannot name a file, or an empty text.
std::string id_error(std::string_view id);

// The ids seen so far, ignoring ASCII letter case, with their rows.
class id_index {
  public:
    // The row that already has `id`, or 0 after adding it for `row`. The
    // text must outlive the index.
    unsigned add(std::string_view id, unsigned row);

  private:
    struct fold_hash {
        size_t operator()(std::string_view s) const;
    };
    struct fold_equal {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::unordered_map<std::string_view, unsigned, fold_hash, fold_equal> rows;
};

} // namespace imgforge

#endif
