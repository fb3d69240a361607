#include "InstallScope.h"

#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The names Windows takes for devices whatever folder they stand in, with
// or without an extension.
bool IsDeviceName(const std::string& component)
{
    static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                           "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                           "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
    std::size_t length = std::min(component.find('.'), component.size());
    while (length > 0 && component[length - 1] == ' ')
        --length;
    // Every device name has three, four, six or seven characters.
    if (length < 3 || length > 7 || length == 5)
        return false;
    const std::string base = component.substr(0, length);
    for (const char* device : kDevices)
        if (winlib::EqualNoCase(base, device))
            return true;
    return false;
}

// A component as Windows would take it literally: not "." or "..", no
// trailing dot or blank (Windows drops those, so the name would mean
// another one), no character that is a wildcard or a stream separator.
bool IsPlainComponent(const std::string& component)
{
    if (component.empty())
        return false;
    const char last = component[winlib::LastCharIndex(component)];
    if (last == '.' || last == ' ')
        return false;
    for (std::size_t i = 0; i < component.size(); i += winlib::CharLength(component, i)) {
        if (winlib::CharLength(component, i) == 2)
            continue;
        if (std::strchr(":*?\"<>|", component[i]) != nullptr)
            return false;
    }
    return !IsDeviceName(component);
}

// The last component of a path in normal form.
std::string LastComponent(const std::string& path)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    // The suffix is ASCII; it must start on a character of the text.
    std::size_t i = 0;
    while (i < text.size() - n)
        i += winlib::CharLength(text, i);
    return i == text.size() - n && winlib::EqualNoCase(text.substr(i), suffix);
}

}  // namespace

bool NormalizeEntryPath(const std::string& text, std::string& out)
{
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return false;
    }
    // "/" is a separator to Windows; it is never a GBK trail byte.
    std::string path = text;
    for (std::size_t i = 0; i < path.size(); i += winlib::CharLength(path, i))
        if (path[i] == '/')
            path[i] = '\\';
    // A drive letter, its colon and a backslash: everything else (relative,
    // root-relative, drive-relative, UNC, "\\?\", "\\.\") is refused.
    if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\')
        return false;

    std::string normal = path.substr(0, 2);
    std::size_t i = 3;
    while (i < path.size()) {
        std::size_t end = i;
        while (end < path.size() && path[end] != '\\')
            end += winlib::CharLength(path, end);
        const std::string component = path.substr(i, end - i);
        // Doubled and trailing backslashes add nothing.
        if (!component.empty()) {
            if (!IsPlainComponent(component))
                return false;
            normal += '\\';
            normal += component;
        }
        i = end + 1;
    }
    out = normal;
    return true;
}

bool IsPathWithin(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() <= folder.size() + 1)
        return false;
    // folder ends on a whole character, so when the bytes before agree the
    // byte after it starts a character of path.
    return path[folder.size()] == '\\' && winlib::EqualNoCase(path.substr(0, folder.size()), folder);
}

CInstallScope::CInstallScope(const std::string& installFolder)
{
    std::string normal;
    // A drive's root would put every file of the drive inside.
    if (NormalizeEntryPath(installFolder, normal) && normal.size() > 2)
        m_strFolder = normal;
}

bool CInstallScope::AllowsFile(const std::string& text, std::string& path) const
{
    std::string normal;
    if (!NormalizeEntryPath(text, normal))
        return false;
    if (!Holds(normal) && (!EndsWithNoCase(LastComponent(normal), ".lnk") || normal.size() <= 2))
        return false;
    path = normal;
    return true;
}

bool CInstallScope::AllowsFolder(const std::string& text, std::string& path) const
{
    std::string normal;
    if (!NormalizeEntryPath(text, normal) || normal.size() <= 2)
        return false;
    if (!Holds(normal) && !(IsValid() && winlib::EqualNoCase(normal, m_strFolder)) &&
        !winlib::EqualNoCase(LastComponent(normal), installlog::kMenuFolderName))
        return false;
    path = normal;
    return true;
}

bool CInstallScope::AllowsControl(const std::string& text, std::string& path) const
{
    std::string normal;
    if (!NormalizeEntryPath(text, normal) || !Holds(normal))
        return false;
    path = normal;
    return true;
}

bool CInstallScope::AllowsKey(std::string_view text, std::string& subKey)
{
    installlog::RegRootDigit root = installlog::kOtherRoot;
    std::string_view key;
    if (!installlog::SplitRegKeyEntry(text, root, key) || root != installlog::kLocalMachine)
        return false;
    const std::string name(key);
    for (const char* allowed : {installlog::kProductKey, installlog::kUninstallKey, installlog::kActiveSetupKey}) {
        if (winlib::EqualNoCase(name, allowed)) {
            subKey = allowed;
            return true;
        }
    }
    return false;
}
