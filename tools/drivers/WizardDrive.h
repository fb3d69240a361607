// Working the real Setup.exe's wizard from another process, as a user
// would: its pages found by caption and control id, the agreement, the
// destination typed or picked with the folder picker, the copy held while
// the progress page shows a path, the cancel question, the readme the
// finish page opens.
#pragma once

#include "GuiDrive.h"
#include "winlib/Handles.h"

#include <windows.h>

#include <string>

namespace wizard {

extern const char kWizardTitle[];

// Controls that tell the pages apart.
enum ControlId {
    kNext = 1000,
    kBack = 1001,
    kHint = 1003,
    kAgreementText = 1005,
    kBrowse = 1008,
    kPath = 1009,
    kProgress = 1010,
    kReadme = 1012,
    kCopyGroup = 1013,
    kStatus = 1015,
    kDisagree = 1016,
    kAgree = 1017,
    kNotice = 1018,
};

struct Options {
    std::string program;      // Setup.exe
    std::string scenario;
    std::string folder;       // the destination's parent, or the installation to check
    std::string acadProfile;  // the AutoCAD profile key expected under HKEY_CURRENT_USER
    std::string heldFile;     // the medium file held open during the run
    std::string earlier;      // the earlier installation a move replaces
    bool reinstall = false;   // the re-install question comes first: answered Yes
    DWORD holdMs = 0;         // how long each state is held (for a screenshot)
    DWORD timeoutMs = 60000;  // how long anything is waited for
};

// One run of Setup: what the driver was told and the started process with
// its window thread, which all the wizard's pages belong to.
struct Run {
    Options options;
    winlib::ScopedProcessInformation pi;
    DWORD guiThread = 0;

    // A page of the wizard with that control.
    HWND WaitPage(int controlId);
    // A message box of Setup with that caption.
    HWND WaitQuestion(const char* caption, DWORD timeoutMs);
    // True when Setup has ended within the time limit.
    bool WaitEnd();
    // Prints the state and holds it.
    void Hold(const char* state) { gui::State(state, options.holdMs); }
};

// path with one backslash at its end.
std::string WithBackslash(std::string path);
// The folder of path with its backslash; empty when path has none.
std::string FolderOf(const std::string& path);
// The text of a control of another process (WM_SETTEXT is carried across
// processes by the system).
void SetText(HWND control, const std::string& text);
bool IsChecked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);

// The re-install question answered Yes when the options say it comes;
// welcome page, agreement accepted, destination typed (or, with full,
// every choice of the pages tried and the folder picked): returns the
// progress page, held with Setup's worker suspended while it shows a path
// being copied, or null. The installation goes into
// destination\Kestrova\ZEMLO.
HWND WalkToCopy(Run& run, const std::string& destination, bool full);

// Asks the progress page's cancel question and answers it (yes: leave the
// installation). The worker is held meanwhile; it goes on once the
// question has been answered.
bool CancelCopy(Run& run, HWND copy, bool yes);

// Closes the readme the finish page opened (in whatever program shows
// text files); true when a window showing it came up within timeoutMs.
bool CloseReadme(DWORD timeoutMs);

}  // namespace wizard
