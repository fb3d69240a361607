// Who may change a file or folder, judged on the object a handle holds, and
// the final path of that object.
//
// The security is judged by the rights it grants (its DACL and its owner),
// not by comparing it with a descriptor that was once set: a system may
// report security it derives from elsewhere (Wine derives it from the Unix
// mode bits), and what counts is what an ordinary user may do.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {

// The access rights that change a file or folder, its contents (a folder's
// new files and sub-folders, deleting its children), its attributes or its
// security.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL;

// True when only administrators (the Administrators group, SYSTEM, the
// system's installer service) may change the object the handle holds (it
// needs READ_CONTROL access): its owner is one of them, or the
// administrator running this program, and no entry of its DACL grants any
// of kChangeRights to anyone else - ordinary users, Authenticated Users,
// Everyone, INTERACTIVE, another account or group. Entries that only pass
// on to what is created below count too, since they decide who may change
// that. False when the security cannot be read, or there is no DACL at all
// (everyone may do everything).
bool OnlyAdministratorsMayChange(HANDLE object);

// Where the object a handle holds lies: its volume (serial number) and its
// path on that volume ("\folder\file", links on the way resolved, long
// names). The path is asked of the system as the final path, and where the
// system gives none (Wine gives none longer than MAX_PATH) as the name the
// file system knows the open object by.
struct ObjectLocation {
    DWORD volume = 0;
    std::wstring path;  // empty when the system could not tell
    bool Known() const { return !path.empty(); }
};
// False (location emptied) when the system cannot tell.
bool LocateObject(HANDLE object, ObjectLocation& location);
// True when inner lies strictly below folder: the same volume, and a path
// that continues folder's path past one more backslash (letter case
// ignored). False when either is unknown.
bool IsLocatedWithin(const ObjectLocation& inner, const ObjectLocation& folder);
// True when both name the same place (letter case ignored; known only).
bool IsSameLocation(const ObjectLocation& first, const ObjectLocation& second);
// The last name of the location's path (its long name).
std::wstring LastNameOf(const ObjectLocation& location);
// True when text ends in suffix (ASCII, letter case ignored).
bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix);

// The name the system's object manager gives the open object
// ("\Device\HarddiskVolume1\folder\file"; links on the way resolved, as
// the open was re-aimed at what they lead to), or "" when it gives none.
// One cheap question, where LocateObject's final path costs the system a
// search of its drives; but the name is spelt as it was opened (a short
// name stays short), so it can only confirm that an object lies below a
// folder named the same way, never show that it does not.
std::wstring ObjectNameOf(HANDLE object);
// True when inner continues folder past one more backslash (letter case
// ignored), both non-empty object names.
bool IsNamedWithin(const std::wstring& inner, const std::wstring& folder);

// The final path of the object the handle holds in the drive form (links
// on the way resolved, long names, without "\\?\"), or "" when the system
// cannot tell it (Wine gives none longer than MAX_PATH).
std::string FinalPathOf(HANDLE object);

}  // namespace winlib
