// The four accessors through which the install engine reads and writes the
// registry: one string value under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
//
// A write opens its key with create semantics (RegCreateKeyA: the key and
// any missing key above it are created); a read only opens an existing key
// and creates nothing. Each does one value operation and closes the key
// again. An empty value name addresses the
// key's default value.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

// Size of the buffer a query reads into; a longer value is not read.
constexpr DWORD kRegistryQueryBufferSize = 2048;

// Writes text as a REG_SZ value (its bytes and the terminating zero). TRUE
// when the key opened and the value was written. The text is written whole
// whatever its length.
BOOL SetMachineString(const std::string& key, const std::string& name, const std::string& text);
BOOL SetUserString(const std::string& key, const std::string& name, const std::string& text);

// Reads a value of at most kRegistryQueryBufferSize bytes whatever its type,
// as an 8-bit string that ends at its first zero byte (registry data need
// not be zero-terminated). text is emptied first and set only on success.
// FALSE when the key cannot be opened, the value is missing or too long.
// QueryMachineString also looks in the 32-bit view of the registry when the
// native view does not have the value.
BOOL QueryMachineString(const std::string& key, const std::string& name, std::string& text);
BOOL QueryUserString(const std::string& key, const std::string& name, std::string& text);

// Like the queries above (native view only), but stricter: a value whose
// data holds a zero byte before its end (terminators at the end aside) is
// not read, since its text would stop short of what is stored.
BOOL QueryWholeString(HKEY root, const std::string& key, const std::string& name, std::string& text);

}  // namespace engine
