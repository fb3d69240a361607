// The format of "Uninstall.log", shared by Setup (which records) and
// Uninstall (which replays). Plain C++ without Windows headers.
//
// The log is a text of lines "<prefix><text>\n". Setup keeps it in memory
// with LF line ends and writes it in text mode (CR LF on disk); Uninstall
// reads it back in text mode, so the text parsed here has LF line ends.
// An entry is found by searching for its kind's prefix from where the
// previous entry of that kind ended; its text runs to the next LF or to the
// end of the log. Entry texts therefore never contain LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace installlog {

// The kinds of recorded action. The number is the index of the kind's
// prefix and the order in which Uninstall's passes are described.
enum LogEntryKind : int {
    kFileCopy = 0,   // "File Copy: "  a file Setup created
    kMadeDir = 1,    // "Made Dir: "   a folder Setup made or filled
    kRegCtrl = 2,    // "Reg Ctrl: "   a control file Setup registered
    kRegDbKey = 3,   // "RegDB Key: "  "<root digit>,<sub-key>"
    kKindCount = 4
};

// The prefix of a kind, with its trailing blank. Null for a kind outside
// 0..3.
const char* EntryPrefix(int kind);

// The registry roots as they are written before the comma of a
// "RegDB Key: " entry. kOtherRoot stands for any root not listed; Uninstall
// takes it as HKEY_CURRENT_CONFIG.
enum RegRootDigit : int {
    kClassesRoot = 0,   // HKEY_CLASSES_ROOT
    kCurrentUser = 1,   // HKEY_CURRENT_USER
    kLocalMachine = 2,  // HKEY_LOCAL_MACHINE
    kUsers = 3,         // HKEY_USERS
    kOtherRoot = 4
};

// True for the digits 0 to 4 of RegRootDigit.
bool IsRegRootDigit(int digit);

// The root a root text names: exactly one character "0" to "3" gives its
// digit; anything else ("4", "02", " 2", "", "HKLM") gives kOtherRoot.
RegRootDigit RegRootFromText(std::string_view text);

// Whether text may stand as the text of an entry: not empty, no control
// character (bytes 0 to 31 and 127: CR, LF, NUL and the rest) and none of
// the four prefixes. A line break would end the entry early and start a
// line of the reader's choosing; a prefix inside the text would be found
// as an entry of its own. GBK trail bytes are 0x40 or above, so a byte
// scan cannot mistake half a character for a control character.
bool IsRecordableText(std::string_view text);

// Appends one line "<prefix of kind><text>\n" to log.
void AppendEntry(std::string& log, LogEntryKind kind, std::string_view text);

// Appends "RegDB Key: <digit>,<subKey>\n". A digit outside 0..4 is
// written as 4.
void AppendRegKeyEntry(std::string& log, int rootDigit, std::string_view subKey);

// Finds the next entry of a kind. position is 0 for a fresh scan and is
// advanced past the entry by each successful call. On success start and
// length give the entry's text within log. Returns false when there is no
// further entry (or for a kind outside 0..3); the out values are then
// unchanged.
bool FindNextEntry(std::string_view log, int kind, std::size_t& position,
                   std::size_t& start, std::size_t& length);

// The number of entries of a kind in log.
int CountEntries(std::string_view log, int kind);

// Splits the text of a "RegDB Key: " entry at its first comma. The root
// text before the comma selects the root by exact comparison: "0" to "3"
// give their digit, anything else gives kOtherRoot. Returns false (and
// leaves the out values alone) when the text holds no comma.
bool SplitRegKeyEntry(std::string_view text, RegRootDigit& root, std::string_view& subKey);

}  // namespace installlog
