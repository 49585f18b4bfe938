// JSON documents read whole, with the place of every error: syntax errors,
// numbers beyond a double, duplicate keys and NUL bytes.
#ifndef IMGFORGE_COMPOSE_JSON_READER_H
#define IMGFORGE_COMPOSE_JSON_READER_H

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace imgforge {

// Parses the document; on an error returns false with the reason and its
// place ("invalid JSON at line 3, column 1").
bool read_json(std::string_view text, nlohmann::json &doc, std::string &error);

} // namespace imgforge

#endif
