// The installation the product key records: the one reader of its folder
// for both programs (Setup's re-install question and its look for an
// earlier installation, Uninstall's fallback when no log lies beside it and
// its test whether a key names another installation).
#pragma once

#include <string>

namespace runfront {

// The most bytes of "installPath" data read, terminator included.
inline constexpr unsigned long kInstalledFolderLimit = 2048;

// True when "installPath" of the product key under HKEY_LOCAL_MACHINE
// exists, whatever it holds. folder gets its text: the data of any type
// taken as 8-bit text up to its first zero byte, or empty when the data is
// longer than kInstalledFolderLimit. False, with folder empty, when the key
// or the value is missing. The key is opened for querying only and never
// created. Anyone who can write the key chose the text: it is no more than
// a claim, and callers check it before they act on it.
[[nodiscard]] bool ReadInstalledFolder(std::string& folder);

}  // namespace runfront
