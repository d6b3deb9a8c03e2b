#ifndef ZAMCORE_LANGUAGE_PATH_H
#define ZAMCORE_LANGUAGE_PATH_H

#include <string>
#include <vector>

#include "zamcore/runtime/export.h"

class ZAMLexer;

// A sequence of names that places something in the host's product structure,
// root first. A plain value: copied by value, may be empty, and names may be
// any strings.
class ZAMCORE_API ZAMPath {
  public:
    // The path of no names.
    static const ZAMPath EmptyPath;

    ZAMPath() = default;
    ZAMPath(const ZAMPath& other) = default;
    ZAMPath& operator=(const ZAMPath& other) = default;
    explicit ZAMPath(const std::vector<std::string>& names);
    // The first `count` of the zero-terminated strings in `names`.
    ZAMPath(int count, char** names);

    void append(const std::string& name);
    void reverse();
    bool isEmpty() const { return names_.empty(); }
    const std::vector<std::string>& path() const { return names_; }

    // The names joined with ".", unquoted.
    std::string toDisplayString() const;
    // The names quoted as identifiers and joined with ".", so that parsePath
    // reads them back (an empty name prints as nothing and is lost).
    std::string toParseableString() const;

    // Parses names separated by "."; an empty text gives an empty path.
    static ZAMPath parsePath(const std::string& text);
    // Reads an optional "[" names "]" at the lexer's current token; without
    // a "[" it consumes nothing and returns the empty path.
    static ZAMPath parseBracketPath(ZAMLexer& lexer);

    bool operator==(const ZAMPath& other) const { return names_ == other.names_; }

    // The score of the first occurrence of `other` as an unbroken run inside
    // this path: 0 when `other` is empty, -1 when it does not occur, otherwise
    // the sum of the weights 2^(m-1-p) of the matched positions p in this
    // path of m names.
    int compare(const ZAMPath& other) const;

  private:
    std::vector<std::string> names_;
};

#endif
