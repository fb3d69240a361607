// Walking an 8-bit text of a double-byte code page (GBK on a Chinese
// Windows) by whole characters, without Windows headers: the plain C++
// parts of both programs (the path rule, the command-line parser) take the
// caller's lead-byte test, so that a character whose second byte is 0x5C
// (the backslash) or 0x7C ('|') is never split or taken for that byte.
// (The Windows side walks with winlib's helpers, on the system's own test.)
#pragma once

#include <cstddef>
#include <string_view>

namespace installlog {

// True when the byte starts a double-byte character of the text's code page.
using LeadByteTest = bool (*)(unsigned char);

// GBK (code page 936): lead bytes are 0x81 to 0xFE.
inline bool IsGbkLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

// Bytes of the character at i: 2 for a lead byte that has a second byte.
inline std::size_t CharLength(std::string_view text, std::size_t i, LeadByteTest isLeadByte)
{
    return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace installlog
