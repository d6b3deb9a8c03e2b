// Paths: the input is parsed as a path text, and as the bracketed path of
// an option reference when it starts with "[".
//
// Properties:
// - an accepted path prints for reading back to a text that parses to the
//   same path and prints the same (unless a name is empty, which prints as
//   nothing, or the last name is a keyword, which reads back as one);
// - a path scores itself and each of its single names above 0, the empty
//   path at 0, and is not found in the empty path.

#include <zamcore/zamcore.h>

#include "support/fuzz_world.h"

namespace {

// A plain name that the lexer reads as a keyword where nothing follows it.
bool readsAsKeyword(const std::string& name) {
    if (ZAM::rklQuoteId(name) != name) {
        return false;
    }
    const std::vector<int> kinds = fuzz::tokenKinds(name);
    return kinds.size() != 1 || kinds.front() != ZAMLexer::TK_IDENTIFIER;
}

bool printsBack(const ZAMPath& path) {
    for (const std::string& name : path.path()) {
        if (name.empty()) {
            return false;
        }
    }
    return path.isEmpty() || !readsAsKeyword(path.path().back());
}

void checkScores(const ZAMPath& path, const std::string& input) {
    fuzz::require(path.compare(ZAMPath::EmptyPath) == 0, "the empty path does not score 0", input);
    if (path.isEmpty()) {
        return;
    }
    fuzz::require(path.compare(path) > 0, "a path does not find itself", input);
    fuzz::require(ZAMPath::EmptyPath.compare(path) == -1, "the empty path holds a path", input);
    // The first names suffice; each check walks the whole path.
    const std::vector<std::string>& names = path.path();
    for (std::size_t i = 0; i < names.size() && i < 64; ++i) {
        fuzz::require(path.compare(ZAMPath(std::vector<std::string>{names[i]})) > 0,
                      "a path does not find one of its names", input);
    }
}

void checkBracketPath(const std::string& input) {
    fuzz::attempt([&] {
        ZAMLexer lexer(input);
        ZAMPath::parseBracketPath(lexer);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    checkBracketPath(input);
    ZAMPath path;
    if (!fuzz::attempt([&] { path = ZAMPath::parsePath(input); }).accepted) {
        return 0;
    }
    path.toDisplayString();
    checkScores(path, input);
    if (!printsBack(path)) {
        return 0;
    }
    const std::string written = path.toParseableString();
    ZAMPath again;
    fuzz::require(fuzz::attempt([&] { again = ZAMPath::parsePath(written); }).accepted,
                  "the printed path was refused", input);
    fuzz::require(again == path, "the printed path reads back as another", input);
    fuzz::require(again.toParseableString() == written, "the path read back prints differently",
                  input);
    return 0;
}
