// winlib::RegKey: the one owner of an open registry key that Setup and
// Uninstall read and write through. Move-only; the key is closed when the
// owner goes out of scope (GetLastError is kept intact, see Handles.h).
//
// Every call returns the Win32 result code (ERROR_SUCCESS on success) or a
// bool, never throws, and never writes past a buffer: string reads are
// bounded by a byte limit the caller chooses. The result of Open and Create
// must be looked at ([[nodiscard]]).
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <string>

namespace winlib {

class RegKey {
public:
    // Which registry view a key is opened in. Native asks for none: the
    // view of this program's own kind. Wow32 adds KEY_WOW64_32KEY, the
    // view of 32-bit programs (on 64-bit Windows HKLM\SOFTWARE\Wow6432Node
    // as a 64-bit program sees it); Wow64 adds KEY_WOW64_64KEY, the view of
    // 64-bit programs, which a 32-bit program reaches only so. 32-bit
    // Windows has a single view and ignores both flags; which view to ask
    // for is decided in RegistryView.h.
    enum class View : unsigned char { Native, Wow32, Wow64 };

    // Which value types a string read accepts. Strings: REG_SZ and
    // REG_EXPAND_SZ only (an expandable string is returned unexpanded).
    // AnyType: the data of any type, taken as 8-bit text.
    enum class Accept { Strings, AnyType };

    RegKey() = default;
    RegKey(RegKey&&) noexcept = default;
    RegKey& operator=(RegKey&&) noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens an existing key (RegOpenKeyEx); never creates one. Any key held
    // before is closed first, also when the open fails.
    [[nodiscard]] LONG Open(HKEY parent, const std::string& subKey, REGSAM access, View view = View::Native);

    // Opens the key, creating it and any missing key above it
    // (RegCreateKeyEx, non-volatile). The default access, MAXIMUM_ALLOWED,
    // is what RegCreateKey asks for. Any key held before is closed first.
    [[nodiscard]] LONG Create(HKEY parent, const std::string& subKey, REGSAM access = MAXIMUM_ALLOWED,
                View view = View::Native);

    HKEY get() const { return m_key.get(); }
    bool valid() const { return m_key.valid(); }
    explicit operator bool() const { return valid(); }
    void Close() { m_key.reset(); }

    // Reads a value of at most maxBytes bytes of data, as the ANSI query
    // returns it: a string that is stored without a terminator gets one
    // there, which then counts too. The text is the data up to its first
    // zero byte, or all of it when the data has none. True on success; false (text emptied) when no key is
    // open, the value is missing, longer than maxBytes, or of a type that
    // accept refuses. An empty name addresses the key's default value.
    bool ReadString(const std::string& name, std::string& text, DWORD maxBytes,
                    Accept accept = Accept::Strings) const;

    // True when the open key holds the value, whatever its type and size.
    bool HasValue(const std::string& name) const;

    // Writes text as REG_SZ: its bytes and the terminating zero, whole
    // whatever its length.
    LONG WriteString(const std::string& name, const std::string& text) const;
    LONG WriteDword(const std::string& name, DWORD value) const;

    // A value exactly as stored: its type and its bytes, read and written
    // through the wide functions, so that a text outside the ANSI code page
    // comes back as it was (the ANSI functions would turn it into "?").
    // ReadRaw gives ERROR_FILE_NOT_FOUND for a missing value.
    struct RawValue {
        DWORD type = REG_NONE;
        std::string bytes;
    };
    LONG ReadRaw(const std::string& name, RawValue& value) const;
    LONG WriteRaw(const std::string& name, const RawValue& value) const;

    // The data of a value of at most maxBytes bytes, whatever its type and
    // with nothing added or cut (a string's terminators included). False
    // when no key is open, the value is missing or longer.
    bool ReadBytes(const std::string& name, std::string& bytes, DWORD maxBytes) const;

    // True when the key holds neither values nor sub-keys; false also when
    // it cannot be asked.
    bool IsEmpty() const;

    LONG DeleteValue(const std::string& name) const;

    // Deletes a sub-key that has no sub-keys of its own (RegDeleteKey); a key
    // with sub-keys stays. An empty subKey is refused (ERROR_INVALID_PARAMETER)
    // rather than aimed at the open key itself.
    LONG DeleteLeafKey(const std::string& subKey) const;

    // The same for a sub-key of any open or predefined key (HKEY_CURRENT_USER
    // and the other roots), in the given view (RegDeleteKeyEx).
    static LONG DeleteLeafKey(HKEY parent, const std::string& subKey, View view = View::Native);

private:
    ScopedRegKey m_key;
};

}  // namespace winlib
