#include "engine/Destination.h"

#include "engine/AcadRelease.h"
#include "engine/InstallStep.h"
#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/FileFind.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <algorithm>

namespace engine {
namespace {

// The longest relative path below root (which ends in a backslash) plus
// prefix, in characters, over every file and folder of the tree.
std::size_t DeepestBelow(const std::string& root, std::size_t prefixLength, bool recursive)
{
    std::size_t deepest = 0;
    CFileFind finder;
    BOOL more = finder.FindFile((root + "*.*").c_str());
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        const std::size_t length = prefixLength + PathCharacters(finder.GetFileName());
        if (finder.IsDirectory()) {
            if (!recursive)
                continue;
            deepest = std::max(deepest, length);
            deepest = std::max(deepest, DeepestBelow(finder.GetFilePath() + "\\", length + 1, true));
        } else {
            deepest = std::max(deepest, length);
        }
    }
    return deepest;
}

}  // namespace

std::string NormaliseFolder(const std::string& folder)
{
    const std::string trimmed = winlib::Trim(folder);
    std::string result;
    result.reserve(trimmed.size() + 1);
    for (std::size_t i = 0; i < trimmed.size();) {
        const std::size_t length = winlib::CharLength(trimmed, i);
        const char c = trimmed[i];
        if (length == 1 && (c == '\\' || c == '/')) {
            // The two separators that open a network path stay; any other
            // separator after a separator is dropped.
            const bool networkStart = result.size() == 1 && result[0] == '\\';
            if (result.empty() || networkStart || result.back() != '\\' || winlib::LastCharIndex(result) != result.size() - 1)
                result += '\\';
        } else {
            result.append(trimmed, i, length);
        }
        i += length;
    }
    if (!result.empty())
        winlib::AppendBackslash(result);
    return result;
}

std::size_t PathCharacters(const std::string& text)
{
    if (text.empty())
        return 0;
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    return wide > 0 ? static_cast<std::size_t>(wide) : text.size();
}

std::size_t DeepestRelativePath(const std::string& sourceDir)
{
    std::size_t deepest = PathCharacters(installlog::kLogFileName);
    for (const AcadRelease& release : AcadReleases())
        deepest = std::max(deepest, PathCharacters(release.shortcutName));
    // No medium: only the installation's own files count (a blank folder
    // must never turn into a search of the current drive's root).
    if (winlib::Trim(sourceDir).empty())
        return deepest;
    std::string root = sourceDir;
    winlib::AppendBackslash(root);
    for (const char* name : ProductFolders()) {
        const std::size_t length = PathCharacters(name);
        deepest = std::max(deepest, length);
        deepest = std::max(deepest, DeepestBelow(root + name + "\\", length + 1, true));
    }
    return std::max(deepest, DeepestBelow(root, 0, false));
}

bool FindEarlierInstallation(std::string& folder)
{
    folder.clear();
    std::string recorded;
    if (!runfront::ReadInstalledFolder(recorded) || HasControlCharacter(recorded))
        return false;
    const std::string normal = NormaliseFolder(recorded);
    if (normal.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesA((normal + installlog::kLogFileName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    folder = normal;
    return true;
}

bool HoldsOtherFiles(const std::string& folder)
{
    std::string root = folder;
    winlib::AppendBackslash(root);
    std::string earlier;
    if (FindEarlierInstallation(earlier) && winlib::IsSameFolder(earlier, root))
        return false;
    CFileFind finder;
    BOOL more = finder.FindFile((root + "*.*").c_str());
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            return true;
    }
    return false;
}

std::string LongForm(const std::string& path)
{
    // From the whole path back to its drive, at whole characters: the
    // first prefix the system can name gives the long form of that part.
    std::string prefix = winlib::StripTrailingBackslashes(path);
    std::string rest;
    while (!prefix.empty()) {
        // A drive alone ("C:") would name its current folder.
        if (prefix.size() == 2 && prefix[1] == ':')
            return prefix + "\\" + rest;
        const DWORD needed = ::GetLongPathNameA(prefix.c_str(), nullptr, 0);
        if (needed > 0) {
            std::string buffer(needed, '\0');
            const DWORD got = ::GetLongPathNameA(prefix.c_str(), &buffer[0], needed);
            if (got > 0 && got < needed) {
                buffer.resize(got);
                return buffer + rest;
            }
        }
        const std::size_t slash = winlib::FindLastBackslash(prefix);
        if (slash == std::string::npos)
            break;
        rest = prefix.substr(slash) + rest;
        prefix.erase(slash);
    }
    return path;
}

DestinationCheck CheckDestination(const std::string& path, const std::string& sourceDir)
{
    DestinationCheck check;
    if (HasControlCharacter(path)) {
        check.refusal = installlog::PathRefusal::kBadCharacter;
        return check;
    }
    const std::string regular = NormaliseFolder(path);
    std::string normal;
    check.refusal = installlog::NormalizeInstallFolder(
        LongForm(regular), normal, [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
    if (check.refusal != installlog::PathRefusal::kNone)
        return check;
    check.folder = normal + "\\";
    check.deepest = PathCharacters(check.folder) + DeepestRelativePath(sourceDir);
    if (check.deepest > kLongestInstalledPath)
        check.verdict = DestinationCheck::Verdict::kTooDeep;
    else if (HoldsOtherFiles(check.folder))
        check.verdict = DestinationCheck::Verdict::kHoldsOtherFiles;
    else
        check.verdict = DestinationCheck::Verdict::kAccepted;
    return check;
}

const char* RefusalText(installlog::PathRefusal refusal)
{
    switch (refusal) {
    case installlog::PathRefusal::kNotOnADrive:
        return "安装路径必须是本机驱动器上的完整路径（例如 C:\\Program Files\\Kestrova\\ZEMLO），"
               "不能是网络路径或相对路径，请重新输入安装路径。";
    case installlog::PathRefusal::kBadComponent:
        return "安装路径中有无效的文件夹名（“.”、“..”、以点或空格结尾的名称或设备名），请重新输入安装路径。";
    case installlog::PathRefusal::kDriveRoot:
        return "不能安装到驱动器的根文件夹，请选择或输入一个文件夹。";
    case installlog::PathRefusal::kEmpty:
    case installlog::PathRefusal::kBadCharacter:
    case installlog::PathRefusal::kNone:
    default:
        return "安装路径中含有无效的字符，请重新输入安装路径。";
    }
}

bool HasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace engine
