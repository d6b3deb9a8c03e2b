#include "text_position.h"

#include <algorithm>

namespace rkl::lsp {

namespace {

// UTF-16 code units of the character whose UTF-8 lead byte is `lead`: two
// for the four-byte sequences (outside the basic plane), none for
// continuation bytes, one otherwise.
int utf16Units(unsigned char lead) {
    if ((lead & 0xC0) == 0x80) {
        return 0;
    }
    return lead >= 0xF0 ? 2 : 1;
}

}  // namespace

std::size_t offsetAt(const std::string& text, Position position) {
    std::size_t offset = 0;
    for (int line = 0; line < position.line; ++line) {
        const std::size_t newline = text.find('\n', offset);
        if (newline == std::string::npos) {
            return text.size();
        }
        offset = newline + 1;
    }
    for (int units = 0; offset < text.size() && text[offset] != '\n';) {
        const int step = utf16Units(static_cast<unsigned char>(text[offset]));
        // A position between the halves of a surrogate pair stops before it.
        if (units + step > position.character) {
            break;
        }
        units += step;
        ++offset;
    }
    return offset;
}

Position positionAt(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    Position position;
    std::size_t lineStart = 0;
    for (std::size_t newline = text.find('\n'); newline != std::string::npos && newline < offset;
         newline = text.find('\n', lineStart)) {
        ++position.line;
        lineStart = newline + 1;
    }
    for (std::size_t i = lineStart; i < offset; ++i) {
        position.character += utf16Units(static_cast<unsigned char>(text[i]));
    }
    return position;
}

nlohmann::json toJson(Position position) {
    return {{"line", position.line}, {"character", position.character}};
}

nlohmann::json rangeJson(const std::string& text, std::size_t offset, std::size_t length) {
    return {{"start", toJson(positionAt(text, offset))},
            {"end", toJson(positionAt(text, offset + length))}};
}

Position positionFrom(const nlohmann::json& position) {
    return Position{position.at("line").get<int>(), position.at("character").get<int>()};
}

}  // namespace rkl::lsp
