#include "engine/Audience.h"

#include "winlib/Handles.h"
#include "winlib/RegKey.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

namespace engine {

Account CurrentAccount()
{
    Account account;
    winlib::ScopedHandle token;
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened))
        return account;
    token.reset(opened);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return account;
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    account.localSystem = ::IsWellKnownSid(sid, WinLocalSystemSid) != FALSE;
    // The account's own hive is loaded under its SID while it has a
    // profile; without one, HKEY_CURRENT_USER falls back to the default
    // user's and nothing written there reaches a person.
    char* text = nullptr;
    if (::ConvertSidToStringSidA(sid, &text)) {
        const winlib::ScopedLocalMem owned(text);
        winlib::RegKey hive;
        account.profileLoaded = hive.Open(HKEY_USERS, text, KEY_QUERY_VALUE) == ERROR_SUCCESS;
    }
    return account;
}

Audience AudienceFor(bool allUsersAsked, const Account& account)
{
    Audience audience;
    const bool person = !account.localSystem && account.profileLoaded;
    audience.allUsers = allUsersAsked || !person;
    audience.configureRunningUser = person;
    return audience;
}

}  // namespace engine
