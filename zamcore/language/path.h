#ifndef ZAMCORE_LANGUAGE_PATH_H
#define ZAMCORE_LANGUAGE_PATH_H

#include <cstddef>
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

    // Parses names separated by "." (path text: plain or single-quoted names;
    // dots are separators only, so extra dots change nothing). An empty text
    // gives an empty path. Anything other than a name or "." raises the syntax
    // error "SE_path_internal"; a keyword at the end of the text counts as
    // anything else.
    static ZAMPath parsePath(const std::string& text);
    // Reads an optional "[" names "]" at the lexer's current token and the
    // token after the "]". Without a "[" it consumes nothing and returns the
    // empty path; a "[" not closed right after its names raises "SE_path".
    static ZAMPath parseBracketPath(ZAMLexer& lexer);

    bool operator==(const ZAMPath& other) const { return names_ == other.names_; }

    // Where `other` first occurs as an unbroken run of names inside this
    // path: 0 when `other` is empty, -1 when it does not occur, otherwise a
    // positive score. Among the runs of one path, a run that starts nearer
    // the root always scores higher, and of two runs with the same start the
    // longer one does.
    //
    // For a path of m <= 31 names the score is the sum of the weights
    // 2^(m-1-p) of the matched positions p (for a.b.c: a 4, b.c 3, a.b.c 7).
    // Longer paths cannot be scored so in an int; there the score is the rank
    // of the run among all runs of the path in the order above, counting from
    // 1 for the last name alone: (m-s)(m-s-1)/2 + n for a run of n names
    // starting at s. It saturates at the int maximum, which first happens for
    // paths of more than 65535 names; only there can two runs tie.
    int compare(const ZAMPath& other) const;

private:
    // Collects names and skips dots until any other token.
    static ZAMPath readNames(ZAMLexer& lexer);
    // The score of a run of n names at `start` in a path of m names.
    static int matchScore(std::size_t m, std::size_t start, std::size_t n);

    std::vector<std::string> names_;
};

#endif
