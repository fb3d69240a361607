#include "Ownership.h"

#include "InstallScope.h"
#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/ControlProcess.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <initializer_list>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

namespace ownership {
namespace {

std::string LastComponent(const std::string& path)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Expands %NAME% strings; the text as it was when that fails.
std::string Expanded(const std::string& text)
{
    if (text.find('%') == std::string::npos)
        return text;
    const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0)
        return text;
    std::vector<char> buffer(needed + 1);
    const DWORD got = ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return got == 0 || got > buffer.size() ? text : std::string(buffer.data());
}

// The file an InprocServer32 value names, in normal form: blanks around it
// and one pair of quotation marks dropped, environment strings expanded.
// False for a bare module name (found along the search path: nobody can
// tell which file that is) and anything else that is no full path.
bool ServerFile(const std::string& value, std::string& normal)
{
    std::string text = winlib::Trim(value);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return NormalizeEntryPath(Expanded(text), normal);
}

// The last component of a path in its long form: a short (8.3) name is
// asked of the file system, which knows it only while the file exists.
std::string LongLastComponent(const std::string& path)
{
    const std::string last = LastComponent(path);
    if (last.find('~') == std::string::npos)
        return last;
    char buffer[MAX_PATH] = {};
    const DWORD got = ::GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    return got == 0 || got >= MAX_PATH ? last : LastComponent(buffer);
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The registry view a module of this machine type registers itself in
// (the one of its own regsvr32), as the flag that selects it from this
// program: none when it is this program's own view.
REGSAM ViewOf(winlib::ModuleMachine machine)
{
    constexpr bool program64 = sizeof(void*) == 8;
    if (machine == winlib::ModuleMachine::X86)
        return program64 ? KEY_WOW64_32KEY : 0;
    if (machine == winlib::ModuleMachine::X64)
        return program64 ? 0 : KEY_WOW64_64KEY;
    return 0;
}

winlib::ModuleMachine MachineOf(const std::string& path)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? winlib::ReadModuleMachine(file.get()) : winlib::ModuleMachine::NotAModule;
}

enum class KeyFate { Deleted, Absent, Stays };

// Checks the key through an open handle and deletes that very key when it
// is empty: a key made anew under the same name meanwhile is not touched.
KeyFate DeleteIfEmpty(const char* subKey)
{
    winlib::RegKey key;
    // In the view the product key lives in, as its parents were made.
    const LONG opened = key.Open(HKEY_LOCAL_MACHINE, subKey, KEY_QUERY_VALUE | DELETE, runfront::ProductKeyView());
    if (opened == ERROR_FILE_NOT_FOUND)
        return KeyFate::Absent;
    if (opened != ERROR_SUCCESS || !key.IsEmpty())
        return KeyFate::Stays;
    // An empty sub-key name addresses the open key itself.
    return ::RegDeleteKeyA(key.get(), "") == ERROR_SUCCESS ? KeyFate::Deleted : KeyFate::Stays;
}

}  // namespace

bool LiesIn(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.empty())
        return false;
    if (winlib::EqualNoCase(path, folder) || IsPathWithin(path, folder))
        return true;
    // Another spelling: compare the folders on the way that exist (the
    // target itself may be gone already) with the installation folder.
    // A drive's root is never the installation folder.
    std::string current = path;
    for (;;) {
        if (IsFolder(current) && winlib::IsSameFolder(current, folder))
            return true;
        const std::size_t slash = winlib::FindLastBackslash(current);
        if (slash == std::string::npos || slash <= 2)
            return false;
        current.erase(slash);
    }
}

namespace {
// The target a loaded link stores: nothing is resolved or looked for (the
// target of a shortcut being removed may be gone already).
bool StoredTarget(IShellLinkA* link, std::string& target)
{
    std::vector<char> buffer(4 * MAX_PATH, '\0');
    if (FAILED(link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, SLGP_RAWPATH)))
        return false;
    buffer.back() = '\0';
    target = Expanded(buffer.data());
    return !target.empty();
}

// A shell link is a few kilobytes; a larger file is none of Setup's.
constexpr DWORD kLargestShortcut = 1u << 20;
}  // namespace

bool ReadShortcutTarget(const std::string& linkPath, std::string& target)
{
    target.clear();
    const winlib::ScopedComInit com;
    winlib::ScopedComPtr<IShellLinkA> link;
    winlib::ScopedComPtr<IPersistFile> file;
    const int n = ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, &wide[0], n);
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.receive_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.receive_void())) ||
        FAILED(file->Load(wide.c_str(), STGM_READ)))
        return false;
    return StoredTarget(link.get(), target);
}

bool KeepsHeldShortcut(HANDLE held, const std::string& installFolder)
{
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(held, &size) || size.QuadPart <= 0 || size.QuadPart > kLargestShortcut)
        return true;
    std::vector<char> bytes(static_cast<std::size_t>(size.QuadPart));
    OVERLAPPED at = {};  // from the start, whatever the handle's position
    DWORD got = 0;
    if (!::ReadFile(held, bytes.data(), static_cast<DWORD>(bytes.size()), &got, &at) || got != bytes.size())
        return true;
    const winlib::ScopedComInit com;
    winlib::ScopedComPtr<IStream> stream;
    winlib::ScopedComPtr<IShellLinkA> link;
    winlib::ScopedComPtr<IPersistStream> persist;
    ULONG written = 0;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.receive())) ||
        FAILED(stream->Write(bytes.data(), got, &written)) || written != got)
        return true;
    const LARGE_INTEGER start = {};
    std::string target;
    std::string normal;
    return FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
           FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     link.receive_void())) ||
           FAILED(link->QueryInterface(IID_IPersistStream, persist.receive_void())) ||
           FAILED(persist->Load(stream.get())) || !StoredTarget(link.get(), target) ||
           !NormalizeEntryPath(target, normal) || !LiesIn(normal, installFolder);
}

bool ShortcutPointsInto(const std::string& linkPath, const std::string& installFolder)
{
    std::string target;
    std::string normal;
    return ReadShortcutTarget(linkPath, target) && NormalizeEntryPath(target, normal) && LiesIn(normal, installFolder);
}

bool KeepsShortcut(const std::string& linkPath, const std::string& installFolder)
{
    if (!installFolder.empty() && IsPathWithin(linkPath, installFolder))
        return false;
    if (::GetFileAttributesA(linkPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;  // gone already: nothing to keep
    return !ShortcutPointsInto(linkPath, installFolder);
}

ControlRegistration ClassifyRegistration(const std::string& controlPath, const std::vector<std::string>& servers)
{
    const std::string name = LongLastComponent(controlPath);
    bool ours = false;
    bool others = false;
    for (const std::string& value : servers) {
        std::string file;
        if (!ServerFile(value, file))
            continue;
        const std::string last = LastComponent(file);
        // Most classes are another program's: only a file of this name,
        // or a short name that may be one, is looked at further.
        if (!winlib::EqualNoCase(last, name) && last.find('~') == std::string::npos)
            continue;
        if (winlib::EqualNoCase(file, controlPath) || winlib::IsSameFolder(file, controlPath))
            ours = true;
        else if (winlib::EqualNoCase(LongLastComponent(file), name))
            others = true;
    }
    if (ours)
        return others ? ControlRegistration::Shared : ControlRegistration::Ours;
    return others ? ControlRegistration::OthersOnly : ControlRegistration::None;
}

std::vector<std::string> RegisteredServers(REGSAM view)
{
    std::vector<std::string> servers;
    winlib::RegKey classes;
    if (classes.Open(HKEY_CLASSES_ROOT, "CLSID", KEY_ENUMERATE_SUB_KEYS | view) != ERROR_SUCCESS)
        return servers;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD length = sizeof(name);
        const LONG result = ::RegEnumKeyExA(classes.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            continue;  // a name longer than any class identifier
        winlib::RegKey server;
        std::string value;
        if (server.Open(classes.get(), std::string(name) + "\\InprocServer32", KEY_QUERY_VALUE | view) ==
                ERROR_SUCCESS &&
            server.ReadString("", value, 4 * MAX_PATH) && !value.empty())
            servers.push_back(value);
    }
    return servers;
}

ControlRegistration FindRegistration(const std::string& controlPath)
{
    return ClassifyRegistration(controlPath, RegisteredServers(ViewOf(MachineOf(controlPath))));
}

namespace {

// Deletes the keys in order, each only when empty, and stops at the first
// that stays (it keeps its own parent filled).
std::vector<std::string> RemoveEmptyKeys(std::initializer_list<std::string> keys)
{
    std::vector<std::string> removed;
    for (const std::string& key : keys) {
        const KeyFate fate = DeleteIfEmpty(key.c_str());
        if (fate == KeyFate::Stays)
            break;
        if (fate == KeyFate::Deleted)
            removed.push_back(key);
    }
    return removed;
}

// The key above a registry path ("" for a path without a backslash).
std::string ParentKey(const std::string& key)
{
    const std::size_t slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

}  // namespace

std::vector<std::string> RemoveEmptyProductParents()
{
    return RemoveEmptyKeys({installlog::kProductParentKey, installlog::kVendorKey});
}

std::vector<std::string> RemoveEmptyComponentParents()
{
    const std::string components = ParentKey(installlog::kActiveSetupKey);
    return RemoveEmptyKeys({components, ParentKey(components)});
}

}  // namespace ownership
