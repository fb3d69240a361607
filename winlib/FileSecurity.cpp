#include "winlib/FileSecurity.h"

#include "winlib/Handles.h"

#include <aclapi.h>

#include <cwchar>
#include <vector>

namespace winlib {
namespace {

// The well-known accounts that are administrators by definition.
bool IsAdministratorSid(PSID sid)
{
    static const WELL_KNOWN_SID_TYPE kAdministrators[] = {WinBuiltinAdministratorsSid, WinLocalSystemSid};
    for (WELL_KNOWN_SID_TYPE type : kAdministrators)
        if (::IsWellKnownSid(sid, type))
            return true;
    // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
    static const DWORD kTrustedInstaller[] = {80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u};
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID installer = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 6, kTrustedInstaller[0], kTrustedInstaller[1], kTrustedInstaller[2],
                                    kTrustedInstaller[3], kTrustedInstaller[4], kTrustedInstaller[5], 0, 0,
                                    &installer))
        return false;
    const bool same = ::EqualSid(sid, installer) != FALSE;
    ::FreeSid(installer);
    return same;
}

// True when sid is the account this program runs as and that account is
// an administrator here (a member of the Administrators group in its token).
bool IsThisAdministrator(PSID sid)
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    const ScopedHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return false;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!::EqualSid(sid, user->User.Sid))
        return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(administrators);
    BOOL member = FALSE;
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
           ::CheckTokenMembership(nullptr, administrators, &member) && member;
}

bool IsAdministrator(PSID sid)
{
    return sid != nullptr && ::IsValidSid(sid) && (IsAdministratorSid(sid) || IsThisAdministrator(sid));
}

// The entry gives whoever it names the rights of its owner: CREATOR OWNER
// on what is created below, whose owner is then who created it (who may
// already create there only when another entry lets them).
bool IsCreatorOwner(PSID sid)
{
    return ::IsWellKnownSid(sid, WinCreatorOwnerSid) != FALSE;
}

}  // namespace

bool OnlyAdministratorsMayChange(HANDLE object)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                          nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    // The owner may always rewrite the DACL.
    bool only = dacl != nullptr && IsAdministrator(owner);
    for (DWORD i = 0; only && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) {
            only = false;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // A denying entry only takes rights away; who is allowed what is
        // judged on the allowing ones alone (so a DACL that denies in a way
        // this does not follow is judged as wider than it is, never as
        // narrower).
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE)
                continue;
            only = false;  // an entry of a kind not judged here
            break;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kChangeRights) != 0 && !IsAdministrator(sid) && !IsCreatorOwner(sid))
            only = false;
    }
    ::LocalFree(descriptor);
    return only;
}

bool LocateObject(HANDLE object, ObjectLocation& location)
{
    location = ObjectLocation();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(object, &info))
        return false;
    std::wstring path;
    std::vector<wchar_t> buffer(MAX_PATH + 8);
    for (int attempt = 0; attempt < 3 && path.empty(); ++attempt) {
        const DWORD got = ::GetFinalPathNameByHandleW(object, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                      FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
        if (got == 0)
            break;
        if (got < buffer.size())
            path.assign(buffer.data(), got);
        else
            buffer.resize(got + 1);
    }
    if (path.empty()) {
        // The name of the open object on its volume, of any length.
        std::vector<BYTE> name(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
        if (::GetFileInformationByHandleEx(object, FileNameInfo, name.data(), static_cast<DWORD>(name.size()))) {
            const auto* info = reinterpret_cast<const FILE_NAME_INFO*>(name.data());
            path.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
        }
    }
    // A path on the volume starts at its root; a trailing backslash (the
    // root itself) adds nothing.
    if (path.empty() || path[0] != L'\\')
        return false;
    while (path.size() > 1 && path.back() == L'\\')
        path.pop_back();
    location.volume = info.dwVolumeSerialNumber;
    location.path = path;
    return true;
}

namespace {
bool EqualNoCase(const wchar_t* first, int firstLength, const wchar_t* second, int secondLength)
{
    return ::CompareStringOrdinal(first, firstLength, second, secondLength, TRUE) == CSTR_EQUAL;
}
}  // namespace

bool IsLocatedWithin(const ObjectLocation& inner, const ObjectLocation& folder)
{
    if (!inner.Known() || !folder.Known() || inner.volume != folder.volume)
        return false;
    // The volume's root holds everything on it.
    const std::size_t base = folder.path == L"\\" ? 0 : folder.path.size();
    return inner.path.size() > base + 1 && inner.path[base] == L'\\' &&
           EqualNoCase(inner.path.data(), static_cast<int>(base), folder.path.data(), static_cast<int>(base));
}

std::wstring ObjectNameOf(HANDLE object)
{
    // NtQueryObject's ObjectNameInformation: a UNICODE_STRING followed by
    // its characters.
    struct Name {
        USHORT length;
        USHORT maximumLength;
        PWSTR buffer;
    };
    using Query = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const Query query = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr ? reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryObject")))
                                : nullptr;
    }();
    if (query == nullptr)
        return std::wstring();
    constexpr int kObjectNameInformation = 1;
    std::vector<BYTE> buffer(sizeof(Name) + (MAX_PATH + 64) * sizeof(wchar_t));
    for (int attempt = 0; attempt < 2; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(object, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status >= 0) {
            const auto* name = reinterpret_cast<const Name*>(buffer.data());
            return name->buffer != nullptr ? std::wstring(name->buffer, name->length / sizeof(wchar_t)) : std::wstring();
        }
        if (needed <= buffer.size() || needed > 70000)
            break;
        buffer.resize(needed);
    }
    return std::wstring();
}

bool IsNamedWithin(const std::wstring& inner, const std::wstring& folder)
{
    const std::size_t base = folder.size();
    return base > 0 && inner.size() > base + 1 && inner[base] == L'\\' && folder.back() != L'\\' &&
           EqualNoCase(inner.data(), static_cast<int>(base), folder.data(), static_cast<int>(base));
}

bool IsSameLocation(const ObjectLocation& first, const ObjectLocation& second)
{
    return first.Known() && second.Known() && first.volume == second.volume &&
           EqualNoCase(first.path.data(), static_cast<int>(first.path.size()), second.path.data(),
                       static_cast<int>(second.path.size()));
}

std::wstring LastNameOf(const ObjectLocation& location)
{
    const std::size_t slash = location.path.rfind(L'\\');
    return slash == std::wstring::npos ? location.path : location.path.substr(slash + 1);
}

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix)
{
    const std::size_t n = std::wcslen(suffix);
    return text.size() >= n && EqualNoCase(text.data() + text.size() - n, static_cast<int>(n), suffix,
                                           static_cast<int>(n));
}

std::string FinalPathOf(HANDLE object)
{
    std::vector<char> buffer(MAX_PATH + 8);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD got = ::GetFinalPathNameByHandleA(object, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (got == 0)
            break;
        if (got < buffer.size()) {
            std::string path(buffer.data(), got);
            if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
                return "\\\\" + path.substr(8);
            if (path.compare(0, 4, "\\\\?\\") == 0)
                return path.substr(4);
            return path;
        }
        buffer.resize(got + 1);
    }
    return std::string();
}

}  // namespace winlib
