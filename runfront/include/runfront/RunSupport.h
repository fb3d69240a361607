// What both programs need around an administrator's run: the one run log
// of the process, the readable name of a message box's answer, and whether
// the process holds administrator rights.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runfront/CommandLine.h"
#include "runfront/RunLog.h"

namespace runfront {

// The run log of this process. It stays closed (and so does nothing) until
// the program opens it for /LOG=; every layer may write to it.
RunLog& AppRunLog();

// The caption of a message box button (IDYES and so on) as the user sees
// it, in Chinese; "<n>" for a value that is no button.
std::string ButtonText(int button);

// Writes a question put to the user and the button that answered it to the
// run log ("问题: ...  回答: ..."), the answer marked when it was given for
// nobody (an unattended run's own answer), and returns the button: every
// question of both programs is logged through here.
int LogAnswer(const std::string& question, int button, bool unattended = false);

// True when the process runs with administrator rights: its token holds the
// Administrators group enabled. A token filtered by User Account Control
// holds the group for deny only and is not counted.
bool HasAdministratorRights();
// The same test for a given token (an impersonation token, as
// CheckTokenMembership takes it).
bool TokenHasAdministratorRights(HANDLE token);

// The texts a program shows around its command line.
struct RunTexts {
    const char* program;           // the name the run log's first record gives
    const char* title;             // the caption of its message boxes
    const char* notAdministrator;  // why it cannot run without the rights
    const char* logUnusable;       // followed by why the run log cannot be written
};

// The folders a program's run log may never lie inside (its installation,
// its medium), for the options of its command line.
using ProtectedFolders = std::function<std::vector<std::string>(const CommandLineOptions& options)>;

// The start both programs share: reads the command line (the text after the
// program's name), opens the run log it names, never inside the
// protectedFolders of the options, and writes the first record, and
// settles what needs nothing of the program itself: a bad command line
// (its message and the usage), /? (the usage), missing administrator rights.
// No box is shown when the line holds /S anywhere, parsed or not (a line
// that cannot be read, a /S inside a quoted name): the usage of /? then goes
// to the run log. Returns true, with the options, when the program is to
// run; otherwise false, with the exit code already written to the run log
// (FinishRun).
[[nodiscard]] bool StartRun(std::string_view arguments, Program program, bool administrator, const RunTexts& texts,
                            const ProtectedFolders& protectedFolders, CommandLineOptions& options, int& exitCode);

// Writes the exit code, with its meaning, as the run log's last record and
// returns it.
int FinishRun(int code);

}  // namespace runfront
