#ifndef ZAMCORE_LANGUAGE_CHAR_CLASS_H
#define ZAMCORE_LANGUAGE_CHAR_CLASS_H

namespace zamcore {

// The character classes of the rule language. They are 7-bit ASCII whatever
// the locale: a byte above 127 is never a letter, a digit or white space.
// Callers pass bytes as unsigned char.

inline bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
// Space, tab, newline, vertical tab, form feed and carriage return.
inline bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isWordChar(unsigned char c) {
    return isLetter(c) || isDigit(c) || c == '_';
}

}  // namespace zamcore

#endif
