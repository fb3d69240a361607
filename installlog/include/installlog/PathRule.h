// The one rule for the paths both programs act on: what an installation
// folder may be (Setup's destination page, its /D=, and the uninstaller's
// idea of the installation it removes) and what an entry of the log may
// name. Plain C++ without Windows headers; the caller hands in the ANSI
// code page's lead-byte test, so that a double-byte character whose second
// byte is 0x5C is never taken for a backslash.
//
// A path is accepted only in its plain, regular form: a drive letter, a
// colon, then components joined by single backslashes ("/" counts as one,
// doubled separators add nothing, a trailing one is dropped). Refused,
// each with its reason:
//   - anything but an absolute path on a drive: relative, root-relative
//     ("\ZEMLO"), drive-relative ("C:ZEMLO"), network ("\\server\share"),
//     and the "\\?\" and "\\.\" prefixes;
//   - "." and ".." components, and a component ending in a dot or a blank
//     (Windows drops those, so the name would mean another one);
//   - control characters, wildcards, quotes, "<>|" and colons past the
//     drive (stream names), and device names (CON, NUL, COM1, ...);
//   - for an installation folder, a drive's root: every file of the drive
//     would lie inside it.
// Short (8.3) names cannot be told from the text alone: Setup takes the
// long form of what exists before this rule, and the uninstaller judges
// the long name of what it opened.
#pragma once

#include "installlog/Gbk.h"

#include <string>
#include <string_view>

namespace installlog {

enum class PathRefusal {
    kNone,
    kEmpty,
    kNotOnADrive,      // relative, root-relative, drive-relative, network, prefixed
    kBadCharacter,     // control character, wildcard, quote, <>|, stream colon
    kBadComponent,     // ".", "..", a trailing dot or blank, a device name
    kDriveRoot,        // the root of a drive (installation folders only)
};

// The normal form of a path ("C:\A\B", no trailing backslash; "C:" for a
// drive's root), or the reason it is refused. out is set only when
// accepted.
PathRefusal NormalizePath(std::string_view text, std::string& out, LeadByteTest isLeadByte = IsGbkLeadByte);

// The same for an installation folder, which may not be a drive's root.
PathRefusal NormalizeInstallFolder(std::string_view text, std::string& out,
                                   LeadByteTest isLeadByte = IsGbkLeadByte);

}  // namespace installlog
