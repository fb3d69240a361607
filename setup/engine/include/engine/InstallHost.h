// What the install steps need from the worker that runs them: a way to ask
// the user, a way to report a handled entry to the progress page, and the
// cancel flag. The steps know nothing else of the worker or the page.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

class InstallHost {
public:
    // Puts a question to the user (a message box owned by the progress
    // page) and returns the button chosen.
    virtual int AskUser(const std::string& text, UINT type) = 0;
    // Reports one entry of a folder tree as handled.
    virtual void NotifyFileCopied(const std::string& source, const std::string& destination) = 0;
    // True once the user has confirmed a cancel.
    virtual BOOL IsCancelled() const = 0;
    // Records a failure with the system's error code before the user is
    // asked about it (the administrators' run log).
    virtual void ReportFailure(const std::string& /*what*/, DWORD /*error*/) {}

protected:
    ~InstallHost() = default;
};

// The answer an unattended run gives to a question of the given message box
// type: the one that stops the installation (Abort, Cancel, No), so that
// the run ends as a failure and undoes what it did; OK for a plain notice.
int UnattendedAnswer(UINT type);

}  // namespace engine
