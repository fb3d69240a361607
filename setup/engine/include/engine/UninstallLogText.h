// UninstallLogText: the text of "Uninstall.log" as one run records it, the
// lines Uninstall replays, in the order the steps ran. It only ever grows
// and is written to disk once, at the end of a run that completed.
// Every text is checked before it goes in: one that holds a control
// character or one of the entry prefixes is refused (see
// installlog::IsRecordableText), so no line can end early or forge another.
#pragma once

#include "engine/ChunkedText.h"
#include "installlog/InstallLog.h"

#include <windows.h>

#include <string>
#include <string_view>

class CFileException;

namespace engine {

class UninstallLogText {
public:
    // Appends one line of the kind. False, with nothing appended, when the
    // text cannot stand in the log. With stored, the text as the log now
    // holds it (a view that stays valid as long as the log).
    bool Add(installlog::LogEntryKind kind, const std::string& text, std::string_view* stored = nullptr);
    // "RegDB Key: <root digit>,<subKey>".
    bool AddKey(HKEY root, const std::string& subKey);

    // The text so far.
    std::string str() const { return m_text.str(); }

    // Writes the text to path in text mode (CR LF on disk), replacing a
    // file of that name, and hides it. FALSE after a file error, which is
    // in error.
    [[nodiscard]] BOOL WriteTo(const std::string& path, CFileException& error) const;

private:
    // Grows by blocks that never move: no doubling, and no second copy
    // while it grows.
    ChunkedText m_text;
};

}  // namespace engine
