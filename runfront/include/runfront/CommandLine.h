// The command lines of Setup and Uninstall, for unattended runs by an
// administrator. Plain C++ without Windows headers, so it builds and can be
// tested natively as well; the caller hands in the ANSI code page's
// lead-byte test (the GBK range is the default).
//
// Switches, in any case, separated by blanks:
//   /S            run silently
//   /ALLUSERS     Setup only: install for every user of the machine
//   /LOG=<file>   write the run log to <file>: /LOG="C:\My Logs\a.log" or,
//                 without blanks, /LOG=C:\Logs\a.log
//   /D=<folder>   Setup only: install into <folder>, a full path. It must be
//                 the last switch: everything after "/D=" to the end of the
//                 line is the folder, unquoted, blanks included, as the
//                 common installer systems do it.
//   /?            show the usage text
//
// The text is walked character by character: a double-byte character whose
// second byte is 0x5C (the backslash) or 0x7C ('|') is never split or taken
// for that byte. Backslashes are plain characters, never escapes, so
// /LOG="C:\Logs\" keeps its closing quote (unlike the C runtime's rules).
#pragma once

#include "installlog/Gbk.h"

#include <string>
#include <string_view>

namespace runfront {

enum class Program { kSetup, kUninstall };

// The lead-byte test of the text's code page (installlog/Gbk.h).
using installlog::IsGbkLeadByte;
using installlog::LeadByteTest;

// What a valid command line asks for.
struct CommandLineOptions {
    bool silent = false;      // /S
    bool showUsage = false;   // /?
    bool allUsers = false;    // /ALLUSERS, Setup only
    bool hasLogFile = false;  // /LOG=
    std::string logFile;      // its file, quotes removed
    bool hasInstallDir = false;  // /D=
    std::string installDir;      // its folder, as given, trailing blanks cut
};

enum class CommandLineError {
    kNone,
    kUnknownSwitch,           // not one of the switches (also text without '/')
    kDuplicateSwitch,         // the same switch twice
    kBadQuoting,              // an unclosed quote, or one where none may be
    kLogFileEmpty,            // /LOG= without a file
    kInstallDirOnUninstall,   // /D= given to Uninstall
    kInstallDirNotLast,       // a switch after /D=
    kInstallDirEmpty,         // /D= without a folder
    kInstallDirNotFullPath,   // /D= with a relative path
    kInstallDirBadCharacter,  // /D= with a character a folder cannot hold
};

struct CommandLineResult {
    bool ok = true;
    CommandLineOptions options;
    CommandLineError error = CommandLineError::kNone;
    std::string badSwitch;  // the offending switch as written, when ok is false
    std::string message;    // Chinese (GBK) message naming it, when ok is false
};

// Parses the arguments of a program's command line (the text after the
// program name). An empty or blank text is valid and asks for nothing.
// Errors win over /?: the caller shows the message and the usage text.
[[nodiscard]] CommandLineResult ParseCommandLine(std::string_view arguments, Program program,
                                                 LeadByteTest isLeadByte = IsGbkLeadByte);

// True when the arguments hold a /S switch as a word of its own anywhere,
// whatever else they hold: a command line that cannot be read still shows
// no box when it asks for silence, so a deployment script never waits for
// a click.
[[nodiscard]] bool MentionsSilentSwitch(std::string_view arguments);

// The arguments part of a whole command line as GetCommandLineA gives it:
// skips the program name (quoted, unquoted, or quoted in parts, as the C
// runtime reads it) and the blanks after it.
[[nodiscard]] std::string_view SkipProgramName(std::string_view commandLine,
                                              LeadByteTest isLeadByte = IsGbkLeadByte);

// The usage texts that /? shows (GBK, LF line ends).
extern const char kSetupUsage[];
extern const char kUninstallUsage[];
inline const char* UsageText(Program program)
{
    return program == Program::kSetup ? kSetupUsage : kUninstallUsage;
}

}  // namespace runfront
