// The reads of the install engine: one string value under
// HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER. (Its writes go through the
// run's journal, ChangeJournal.h, which notes what they replace.)
//
// A read only opens an existing key and creates nothing; it does one value
// operation and closes the key again. An empty value name addresses the
// key's default value.
#pragma once

#include "winlib/RegKey.h"

#include <windows.h>

#include <string>

namespace engine {

// Size of the buffer a query reads into; a longer value is not read.
constexpr DWORD kRegistryQueryBufferSize = 2048;

// Reads a value of at most kRegistryQueryBufferSize bytes whatever its type,
// as an 8-bit string that ends at its first zero byte (registry data need
// not be zero-terminated). text is emptied first and set only on success.
// FALSE when the key cannot be opened, the value is missing or too long.
// QueryMachineString reads in the given view of HKEY_LOCAL_MACHINE only
// (winlib/RegistryView.h: which views this Windows has).
BOOL QueryMachineString(const std::string& key, const std::string& name, std::string& text,
                        winlib::RegKey::View view);
BOOL QueryUserString(const std::string& key, const std::string& name, std::string& text);

// Like the queries above (in this program's own view), but stricter: a
// value whose data holds a zero byte before its end (terminators at the end
// aside) is not read, since its text would stop short of what is stored.
BOOL QueryWholeString(HKEY root, const std::string& key, const std::string& name, std::string& text);

}  // namespace engine
