// The decoded dump's text of records, as strings.
#ifndef IMGFORGE_REPORT_DECODED_H
#define IMGFORGE_REPORT_DECODED_H

#include "image/chain.h"
#include "nvds.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imgforge {

// What -p prints for each record after its "@%04x NAME " prefix, without the
// final line end; none for unknown tags, range markers and lengths the dump
// stops on. No USER_APP file is written and the decoders' messages are
// dropped.
class decoded_texts {
  public:
    decoded_texts(nvds_region &region, const std::vector<stored_record> &records);
    std::optional<std::string_view> operator[](size_t i) const;

  private:
    struct slice {
        size_t begin, end;
    };
    std::string all; // every record's text, one after the other
    std::vector<std::optional<slice>> slices;
};

} // namespace imgforge

#endif
