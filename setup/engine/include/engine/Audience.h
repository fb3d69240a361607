// Whom an installation is for: the person who runs Setup (the shortcuts
// in their own desktop and Programs menu, their AutoCAD profile written at
// once), or everybody who uses the machine (the all-users desktop and
// Programs menu, and each user's AutoCAD profile made at their logon by
// the per-user step that Active Setup runs).
//
// The all-users mode is taken when it is asked for (/ALLUSERS) and always
// when the account is nobody's in particular: LocalSystem, under which
// software deployment tools run installers, or any account without a loaded
// profile of its own. Otherwise the installation is the running user's.
#pragma once

namespace engine {

// What decides the mode about the account Setup runs under.
struct Account {
    bool localSystem = false;    // the LocalSystem account (S-1-5-18)
    bool profileLoaded = true;  // its own registry hive is loaded (HKEY_USERS\<SID>)
};

// The account of this process.
Account CurrentAccount();

struct Audience {
    bool allUsers = false;  // all-users shortcuts and the per-user step
    // The running account is a person's: its own AutoCAD profiles are
    // written at once (in the all-users mode too).
    bool configureRunningUser = true;
};

// The mode for the switch and the account.
Audience AudienceFor(bool allUsersAsked, const Account& account);

}  // namespace engine
