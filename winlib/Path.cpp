#include "winlib/Path.h"

#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <vector>

namespace winlib {

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || EndsWithSeparator(folder))
        return folder + name;
    return folder + '\\' + name;
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = FindLastBackslash(path);
    return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string StripTrailingBackslashes(std::string path)
{
    while (EndsWithBackslash(path))
        path.erase(LastCharIndex(path));
    return path;
}

std::size_t FindLastSeparator(const std::string& s)
{
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] == '\\' || s[i] == '/')
            found = i;
    return found;
}

namespace {

bool FolderIdentity(const std::string& folder, BY_HANDLE_FILE_INFORMATION& info)
{
    const ScopedHandle handle(::CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle && ::GetFileInformationByHandle(handle.get(), &info) != FALSE;
}

}  // namespace

bool IsSameFolder(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION a = {};
    BY_HANDLE_FILE_INFORMATION b = {};
    if (FolderIdentity(first, a) && FolderIdentity(second, b))
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
               a.nFileIndexLow == b.nFileIndexLow;
    return EqualNoCase(StripTrailingBackslashes(first), StripTrailingBackslashes(second));
}

std::string ProgramFileName()
{
    // Long paths reach 32767 characters; the buffer doubles up to past that.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0)
            return std::string();
        if (got < buffer.size())
            return std::string(buffer.data(), got);
        if (buffer.size() > 0x10000)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramFolder()
{
    const std::string program = ProgramFileName();
    return program.empty() ? program : ParentFolder(program);
}

std::string CurrentFolder()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (got == 0)
            return std::string();
        if (got < buffer.size())
            return std::string(buffer.data(), got);
        // Too small: got is the size needed, terminator included.
        buffer.resize(got);
    }
}

}  // namespace winlib
