// Helpers for 8-bit strings in the ANSI code page (GBK on a Chinese
// Windows). In GBK the second byte of a double-byte character can be 0x5C,
// the backslash (淺 is 9C 5C), so every test for a backslash at the end of a
// path, every search for the last backslash and every case-insensitive
// comparison walks the string character by character. Use these helpers
// for all of them; a plain byte test is a bug.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace winlib {

// True when c starts a double-byte character in the ANSI code page.
bool IsLeadByte(char c);

// Length in bytes (1 or 2) of the character starting at s[i]. A lead byte
// at the very end of the string counts as one byte.
std::size_t CharLength(const std::string& s, std::size_t i);

// Byte index of the first byte of the last character of s, or npos when s is
// empty.
std::size_t LastCharIndex(const std::string& s);

// True when the last character of s is a backslash.
bool EndsWithBackslash(const std::string& s);

// True when the last character of s is a backslash or a forward slash.
bool EndsWithSeparator(const std::string& s);

// Appends a backslash unless the last character already is one.
void AppendBackslash(std::string& s);

// Byte index of the last backslash character of s, or npos.
std::size_t FindLastBackslash(const std::string& s);

// s without leading and trailing white space (blank, tab, CR, LF, VT, FF).
// None of those bytes can be the second byte of a GBK character, so a byte
// scan is safe here.
std::string Trim(const std::string& s);
// s without trailing white space (the same bytes as Trim).
std::string TrimRight(const std::string& s);

// Compares two strings ignoring the case of ASCII letters; double-byte
// characters must match exactly.
bool EqualNoCase(const std::string& a, const std::string& b);

// printf-style formatting into a std::string of whatever length it needs.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace winlib
