#include "installlog/PathRule.h"

#include <algorithm>
#include <cstring>

namespace installlog {
namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(std::string_view a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

// The names Windows takes for devices whatever folder they stand in, with
// or without an extension (and blanks before it).
bool IsDeviceName(std::string_view component)
{
    static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",   "COM4",
                                           "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",
                                           "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
    std::size_t length = std::min(component.find('.'), component.size());
    while (length > 0 && component[length - 1] == ' ')
        --length;
    const std::string_view base = component.substr(0, length);
    for (const char* device : kDevices)
        if (EqualNoCase(base, device))
            return true;
    return false;
}

PathRefusal CheckComponent(std::string_view component, LeadByteTest isLeadByte)
{
    std::size_t last = 0;
    for (std::size_t i = 0; i < component.size(); i += CharLength(component, i, isLeadByte)) {
        last = i;
        if (CharLength(component, i, isLeadByte) == 2)
            continue;
        if (std::strchr(":*?\"<>|", component[i]) != nullptr)
            return PathRefusal::kBadCharacter;
    }
    // "." and ".." end in a dot too.
    if (component[last] == '.' || component[last] == ' ')
        return PathRefusal::kBadComponent;
    return IsDeviceName(component) ? PathRefusal::kBadComponent : PathRefusal::kNone;
}

}  // namespace

PathRefusal NormalizePath(std::string_view text, std::string& out, LeadByteTest isLeadByte)
{
    if (text.empty())
        return PathRefusal::kEmpty;
    // Control characters are below 0x40, never the second byte of a GBK
    // character: a byte scan is safe.
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return PathRefusal::kBadCharacter;
    }
    const auto separator = [&](std::size_t i) { return text[i] == '\\' || text[i] == '/'; };
    // A drive letter, its colon and a separator: everything else
    // (relative, root-relative, drive-relative, network, "\\?\", "\\.\")
    // is refused.
    if (text.size() < 3 || !IsAsciiLetter(text[0]) || text[1] != ':' || !separator(2))
        return PathRefusal::kNotOnADrive;

    std::string normal;
    normal.reserve(text.size());
    normal += text[0];
    normal += ':';
    std::size_t i = 3;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && !separator(end))
            end += CharLength(text, end, isLeadByte);
        const std::string_view component = text.substr(i, end - i);
        // Doubled and trailing separators add nothing.
        if (!component.empty()) {
            const PathRefusal refusal = CheckComponent(component, isLeadByte);
            if (refusal != PathRefusal::kNone)
                return refusal;
            normal += '\\';
            normal.append(component.data(), component.size());
        }
        i = end + 1;
    }
    out = normal;
    return PathRefusal::kNone;
}

PathRefusal NormalizeInstallFolder(std::string_view text, std::string& out, LeadByteTest isLeadByte)
{
    std::string normal;
    const PathRefusal refusal = NormalizePath(text, normal, isLeadByte);
    if (refusal != PathRefusal::kNone)
        return refusal;
    if (normal.size() <= 2)
        return PathRefusal::kDriveRoot;
    out = normal;
    return PathRefusal::kNone;
}

}  // namespace installlog
