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

DestinationCheck CheckDestination(const std::string& path, const std::string& sourceDir)
{
    DestinationCheck check;
    if (HasControlCharacter(path))
        return check;
    check.folder = NormaliseFolder(path);
    if (check.folder.empty())
        return check;
    check.deepest = PathCharacters(check.folder) + DeepestRelativePath(sourceDir);
    if (check.deepest > kLongestInstalledPath)
        check.verdict = DestinationCheck::Verdict::kTooDeep;
    else if (HoldsOtherFiles(check.folder))
        check.verdict = DestinationCheck::Verdict::kHoldsOtherFiles;
    else
        check.verdict = DestinationCheck::Verdict::kAccepted;
    return check;
}

bool HasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace engine
