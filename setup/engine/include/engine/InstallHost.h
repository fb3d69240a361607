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

protected:
    ~InstallHost() = default;
};

}  // namespace engine
