// The installation the product key records: the one reader of its folder
// for both programs (Setup's re-install question and its look for an
// earlier installation, Uninstall's fallback when no log lies beside it and
// its test whether a key names another installation).
#pragma once

#include "winlib/RegKey.h"

#include <string>

namespace runfront {

// The registry view of the product's own machine-wide keys: the product
// key, the uninstall entry and the per-user step's Active Setup entry.
// Both programs write, read and delete them in this view only. It is the
// 32-bit view: the programs are 32-bit, and 32-bit programs on 64-bit
// Windows have always kept their keys there (an installation made by an
// earlier 32-bit Setup is found where it was written, and the list of
// installed programs shows entries of both views); on 32-bit Windows it is
// the only view, and nothing is asked for (winlib::Is64BitWindows).
winlib::RegKey::View ProductKeyView();

// The most bytes of "installPath" data read, terminator included.
inline constexpr unsigned long kInstalledFolderLimit = 2048;

// True when "installPath" of the product key under HKEY_LOCAL_MACHINE (in
// ProductKeyView) exists, whatever it holds. folder gets its text: the data of any type
// taken as 8-bit text up to its first zero byte, or empty when the data is
// longer than kInstalledFolderLimit. False, with folder empty, when the key
// or the value is missing. The key is opened for querying only and never
// created. Anyone who can write the key chose the text: it is no more than
// a claim, and callers check it before they act on it.
[[nodiscard]] bool ReadInstalledFolder(std::string& folder);

}  // namespace runfront
