#include "FileHelpers.h"

#include "winlib/FileFind.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace testfs {

void MakeDirs(const std::string& path)
{
    // Most calls come for a folder that is there already: one look then.
    if (IsDirectory(path))
        return;
    for (std::size_t i = 0; i <= path.size(); i += (i < path.size() ? winlib::CharLength(path, i) : 1)) {
        if (i == path.size() || path[i] == '\\') {
            if (i > 0 && path[i - 1] != ':')
                ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
}

bool WriteFile(const std::string& path, const std::string& content)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    if (slash != std::string::npos)
        MakeDirs(path.substr(0, slash));
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    DWORD written = 0;
    return content.empty() || (::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                                           nullptr) &&
                               written == content.size());
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

std::string ModuleHeaders(WORD machine, WORD magic, LONG lfanew)
{
    std::string bytes(static_cast<std::size_t>(lfanew) + 24 + 0xF0, '\0');
    IMAGE_DOS_HEADER dos = {};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = lfanew;
    std::memcpy(&bytes[0], &dos, sizeof(dos));
    const DWORD signature = IMAGE_NT_SIGNATURE;
    std::memcpy(&bytes[lfanew], &signature, sizeof(signature));
    IMAGE_FILE_HEADER file = {};
    file.Machine = machine;
    file.SizeOfOptionalHeader = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 0xF0 : 0xE0;
    file.Characteristics = IMAGE_FILE_DLL | IMAGE_FILE_EXECUTABLE_IMAGE;
    std::memcpy(&bytes[lfanew + 4], &file, sizeof(file));
    std::memcpy(&bytes[lfanew + 24], &magic, sizeof(magic));
    return bytes;
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

std::vector<std::string> ReadTextLines(const std::string& path)
{
    std::vector<std::string> lines = SplitLines(ReadFile(path));
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

}  // namespace testfs

namespace testfs {
namespace {

// Wine's own export that names the Unix file behind a DOS path.
using UnixNameFunction = char*(CDECL*)(LPCWSTR);

std::wstring Wide(const std::string& text)
{
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

// Runs a Unix program with its arguments (each quoted for the Unix side by
// Wine's own splitting: no argument may hold a double quote) and returns
// once it was started. Wine gives no handle for such a process: it sets
// hProcess to null and leaves hThread holding a stray value, which must
// never be closed (it may be the number of a handle this process uses, a
// registry key redirected for a test, say). Callers wait for the effect.
bool RunUnix(const char* program, const std::vector<std::string>& arguments)
{
    std::string line = std::string("\"") + program + "\"";
    for (const std::string& argument : arguments) {
        if (argument.find('"') != std::string::npos)
            return false;
        line += " \"" + argument + "\"";
    }
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(program, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    if (info.hProcess != nullptr) {
        ::WaitForSingleObject(info.hProcess, 10000);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    return true;
}

// Waits until done() holds, up to ten seconds.
template <typename Done>
bool WaitFor(Done done)
{
    for (int i = 0; i < 200; ++i) {
        if (done())
            return true;
        ::Sleep(50);
    }
    return done();
}

}  // namespace

namespace {

// The Unix name of a path given as Windows knows it (long forms with
// "\\?\" included); empty when there is none.
std::string UnixPathOfWide(const std::wstring& path)
{
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto unixName =
        kernel != nullptr ? reinterpret_cast<UnixNameFunction>(
                                reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")))
                          : nullptr;
    if (unixName == nullptr)
        return std::string();
    char* name = unixName(path.c_str());
    if (name == nullptr)
        return std::string();
    std::string result(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

}  // namespace

std::string UnixPathOf(const std::string& path)
{
    return UnixPathOfWide(Wide(path));
}

bool MakeUnixSymlink(const std::string& link, const std::string& target)
{
    // The target's Unix name: a missing target's name is its folder's
    // plus the last component.
    const std::string linkUnix = UnixPathOf(link);
    std::string targetUnix = UnixPathOf(target);
    if (linkUnix.empty() || targetUnix.empty())
        return false;
    if (!RunUnix("Z:\\bin\\ln", {"-s", targetUnix, linkUnix}))
        return false;
    // A link to something that exists shows once it is made; one that
    // dangles is not listed by Wine at all, so its making is only waited for.
    if (::GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    return WaitFor([&] { return ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

bool SwapForUnixSymlink(const std::string& path, const std::string& target)
{
    const std::string pathUnix = UnixPathOf(path);
    const std::string targetUnix = UnixPathOf(target);
    if (pathUnix.empty() || targetUnix.empty())
        return false;
    const DWORD before = ::GetFileAttributesA(path.c_str());
    if (before == INVALID_FILE_ATTRIBUTES)
        return false;
    // One shell line: the link is made beside the object and renamed over
    // it (a folder is moved aside first, since rename cannot replace a
    // folder by a link).
    const std::string temporary = pathUnix + ".link-new";
    std::string script = "ln -s '" + targetUnix + "' '" + temporary + "' && ";
    if ((before & FILE_ATTRIBUTE_DIRECTORY) != 0)
        script += "mv '" + pathUnix + "' '" + pathUnix + ".swapped' && ";
    script += "mv -T '" + temporary + "' '" + pathUnix + "'";
    if (script.find('"') != std::string::npos || !RunUnix("Z:\\bin\\sh", {"-c", script}))
        return false;
    return WaitFor([&] {
        const DWORD now = ::GetFileAttributesA(path.c_str());
        if ((before & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return ::GetFileAttributesA((path + ".link-new").c_str()) == INVALID_FILE_ATTRIBUTES &&
               now != INVALID_FILE_ATTRIBUTES;
    });
}

bool RemoveUnixSymlink(const std::string& link)
{
    const std::string linkUnix = UnixPathOf(link);
    if (linkUnix.empty())
        return false;
    // The link may dangle, and Wine does not show a dangling link: a file
    // made once the link is gone tells when the removal has happened.
    const std::string done = link + ".link-removed";
    const std::string script = "rm -f -- '" + linkUnix + "' && : > '" + linkUnix + ".link-removed'";
    if (linkUnix.find('\'') != std::string::npos || script.find('"') != std::string::npos ||
        !RunUnix("Z:\\bin\\sh", {"-c", script}))
        return false;
    const bool removed = WaitFor([&] { return ::GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    ::DeleteFileA(done.c_str());
    return removed;
}

bool ChmodUnix(const std::string& path, const std::string& mode)
{
    const std::string unixPath = UnixPathOf(path);
    if (unixPath.empty() || mode.find_first_not_of("01234567") != std::string::npos)
        return false;
    // The host's program gives no handle to wait on: a file made beside
    // the path once the mode is set tells when it is done.
    const std::string done = winlib::StripTrailingBackslashes(path) + ".chmod-done";
    const std::string script = "chmod " + mode + " -- '" + unixPath + "' && : > '" + UnixPathOf(done) + "'";
    if (unixPath.find('\'') != std::string::npos || script.find('"') != std::string::npos ||
        !RunUnix("Z:\\bin\\sh", {"-c", script}))
        return false;
    const bool set = WaitFor([&] { return ::GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    ::DeleteFileA(done.c_str());
    return set;
}

namespace {

// Paths in their long form ("\\?\C:\..."): a tree may hold paths longer
// than the ANSI calls take (a test of long paths leaves one), and it is
// removed all the same.
std::wstring LongForm(const std::string& path)
{
    const std::wstring wide = Wide(path);
    if (wide.compare(0, 4, L"\\\\?\\") == 0)
        return wide;
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD got = size > 0 ? ::GetFullPathNameW(wide.c_str(), size, &full[0], nullptr) : 0;
    if (got == 0 || got >= size)
        return wide;
    full.resize(got);
    return L"\\\\?\\" + full;
}

// True when the file at path is reached through a link: the file the
// system opens has another path than the one given. (Wine 8 shows a Unix
// link to a file by no attribute; the path of what it opened tells.)
bool IsLinkedFile(const std::wstring& path)
{
    const winlib::ScopedHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        return false;
    const DWORD size = ::GetFinalPathNameByHandleW(file.get(), nullptr, 0, 0);
    std::wstring opened(size, L'\0');
    const DWORD got = size > 0 ? ::GetFinalPathNameByHandleW(file.get(), &opened[0], size, 0) : 0;
    if (got == 0 || got >= size)
        return false;
    opened.resize(got);
    return ::CompareStringOrdinal(opened.c_str(), -1, path.c_str(), -1, TRUE) != CSTR_EQUAL;
}

// Removes the link at path itself, never what it leads to. Wine 8 deletes
// the target of a file link and removes a folder link neither way: the
// host's rm takes the link there (no -r: never a folder).
void RemoveLink(const std::wstring& path, bool folder)
{
    const std::string unixPath = UnixPathOfWide(path);
    if (!unixPath.empty()) {
        if (RunUnix("Z:\\bin\\rm", {"-f", unixPath}))
            WaitFor([&] { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
        return;
    }
    if (folder)
        ::RemoveDirectoryW(path.c_str());
    else
        ::DeleteFileW(path.c_str());
}

// Deletes one entry found in a folder listing (with its attributes from
// there). A link goes as the link: what it leads to stays as it is, its
// attributes included.
void RemoveEntry(const std::wstring& path, DWORD attributes)
{
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (!folder && IsLinkedFile(path))) {
        RemoveLink(path, folder);
        return;
    }
    constexpr DWORD kProtecting = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((attributes & kProtecting) != 0) {
        const DWORD rest = attributes & ~(kProtecting | FILE_ATTRIBUTE_DIRECTORY);
        ::SetFileAttributesW(path.c_str(), rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL);
    }
    if (!folder) {
        ::DeleteFileW(path.c_str());
        return;
    }
    {
        WIN32_FIND_DATAW data;
        // Each entry's attributes come with the listing: no second look.
        const winlib::ScopedFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find.valid()) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..")
                    RemoveEntry(path + L"\\" + name, data.dwFileAttributes);
            } while (::FindNextFileW(find.get(), &data));
        }
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

bool RemoveTree(const std::string& path)
{
    const std::wstring longForm = LongForm(path);
    const DWORD attributes = ::GetFileAttributesW(longForm.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        RemoveEntry(longForm, attributes);
    return ::GetFileAttributesW(longForm.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace testfs
