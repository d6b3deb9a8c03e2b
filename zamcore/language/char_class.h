#ifndef ZAMCORE_LANGUAGE_CHAR_CLASS_H
#define ZAMCORE_LANGUAGE_CHAR_CLASS_H

namespace zamcore {

// The character classes of the rule language. They are 7-bit ASCII whatever
// the locale: a byte above 127 is never a letter, a digit or white space.
// Callers pass bytes as unsigned char.

namespace detail {

enum CharClass : unsigned char { kLetter = 1, kDigit = 2, kSpace = 4, kUnderscore = 8 };

// One lookup per character: the lexer asks for every byte of every text.
struct CharClasses {
    unsigned char of[256];
    constexpr CharClasses() : of() {
        for (int c = 'a'; c <= 'z'; ++c) {
            of[c] = kLetter;
            of[c - 'a' + 'A'] = kLetter;
        }
        for (int c = '0'; c <= '9'; ++c) {
            of[c] = kDigit;
        }
        for (int c = '\t'; c <= '\r'; ++c) {
            of[c] = kSpace;
        }
        of[static_cast<unsigned char>(' ')] = kSpace;
        of[static_cast<unsigned char>('_')] = kUnderscore;
    }
};

inline constexpr CharClasses kCharClasses{};

}  // namespace detail

constexpr bool isLetter(unsigned char c) {
    return (detail::kCharClasses.of[c] & detail::kLetter) != 0;
}
constexpr bool isDigit(unsigned char c) {
    return (detail::kCharClasses.of[c] & detail::kDigit) != 0;
}
// Space, tab, newline, vertical tab, form feed and carriage return.
constexpr bool isSpace(unsigned char c) {
    return (detail::kCharClasses.of[c] & detail::kSpace) != 0;
}
constexpr bool isWordChar(unsigned char c) {
    return (detail::kCharClasses.of[c] &
            (detail::kLetter | detail::kDigit | detail::kUnderscore)) != 0;
}

}  // namespace zamcore

#endif
