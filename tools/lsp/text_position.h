#ifndef RKL_LSP_TEXT_POSITION_H
#define RKL_LSP_TEXT_POSITION_H

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace rkl::lsp {

// A place in a text as the protocol counts it: the line from 0 and the
// character within the line in UTF-16 code units, the protocol's default
// encoding (for the ASCII that module texts are mostly written in, one unit
// per byte).
struct Position {
    int line = 0;
    int character = 0;
};

// The byte offset of `position` in `text`: a character past the end of its
// line means the line's end, a line past the last the text's end.
std::size_t offsetAt(const std::string& text, Position position);
// The position of byte offset `offset` of `text`.
Position positionAt(const std::string& text, std::size_t offset);

// The protocol's Position and Range objects.
nlohmann::json toJson(Position position);
nlohmann::json rangeJson(const std::string& text, std::size_t offset, std::size_t length);
// Position from a request's "position" member; throws nlohmann's type
// errors for a malformed one.
Position positionFrom(const nlohmann::json& position);

}  // namespace rkl::lsp

#endif
