#include "winlib/StringUtil.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace winlib {

bool IsLeadByte(char c)
{
    return ::IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(c)) != FALSE;
}

std::size_t CharLength(const std::string& s, std::size_t i)
{
    return (IsLeadByte(s[i]) && i + 1 < s.size()) ? 2 : 1;
}

std::size_t LastCharIndex(const std::string& s)
{
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        last = i;
    return last;
}

bool EndsWithBackslash(const std::string& s)
{
    const std::size_t last = LastCharIndex(s);
    return last != std::string::npos && s[last] == '\\';
}

bool EndsWithSeparator(const std::string& s)
{
    const std::size_t last = LastCharIndex(s);
    return last != std::string::npos && (s[last] == '\\' || s[last] == '/');
}

void AppendBackslash(std::string& s)
{
    if (!EndsWithBackslash(s))
        s += '\\';
}

std::size_t FindLastBackslash(const std::string& s)
{
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] == '\\')
            found = i;
    return found;
}

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string Trim(const std::string& s)
{
    std::size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

std::string TrimRight(const std::string& s)
{
    std::size_t end = s.size();
    while (end > 0 && IsBlank(s[end - 1]))
        --end;
    return s.substr(0, end);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t len = CharLength(a, i);
        if (len == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    return result;
}

}  // namespace winlib
