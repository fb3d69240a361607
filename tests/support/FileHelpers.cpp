#include "FileHelpers.h"

#include "winlib/FileFind.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <algorithm>

namespace testfs {

void MakeDirs(const std::string& path)
{
    for (std::size_t i = 0; i <= path.size(); i += (i < path.size() ? winlib::CharLength(path, i) : 1)) {
        if (i == path.size() || path[i] == '\\') {
            if (i > 0 && path[i - 1] != ':')
                ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
}

void WriteFile(const std::string& path, const std::string& content)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    if (slash != std::string::npos)
        MakeDirs(path.substr(0, slash));
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.valid() && !content.empty())
        ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::string ReadFile(const std::string& path)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    std::string content;
    if (!file.valid())
        return content;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

void RemoveTree(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::string& name : ListFolder(path))
            RemoveTree(path + "\\" + name);
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryA(path.c_str());
    } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const std::string program(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, program.rfind('\\') + 1);
}

std::string CurrentFolder()
{
    char buffer[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace testfs
