// InstallRecord: the two records of one installation run, kept together so
// that a file's change can point into its log line instead of holding a
// second copy of its path:
//   - Log(): the text of "Uninstall.log", what Uninstall will replay;
//   - Journal(): what the run changed, which a run that does not complete
//     undoes.
#pragma once

#include "engine/ChangeJournal.h"
#include "engine/UninstallLogText.h"

#include <string>

namespace engine {

class InstallRecord {
public:
    UninstallLogText& Log() { return m_log; }
    const UninstallLogText& Log() const { return m_log; }
    ChangeJournal& Journal() { return m_journal; }

    // A file the run wrote (copied, saved, or the log itself): its
    // "File Copy: " line, and when it was not there before, its change for
    // the undo. False when the path cannot stand in the log (the change
    // is noted all the same: the file exists now).
    bool FileWritten(const std::string& path, bool existedBefore);

private:
    UninstallLogText m_log;
    ChangeJournal m_journal;
};

}  // namespace engine
