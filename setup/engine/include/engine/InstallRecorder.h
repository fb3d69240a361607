// InstallRecorder: the record of what one installation run did. It holds
// two things:
//  - the text of "Uninstall.log", the lines Uninstall replays, which only
//    ever grows and is written to disk once, at the end of a run that
//    completed;
//  - the list of changes that did not exist before the run (a file that was
//    not there, a folder it made, a control it registered, a registry key
//    it created, a value it wrote and what the value held before), which
//    Rollback undoes newest first when the run does not complete.
// Every text that goes into the log is checked first: a text that holds a
// control character or one of the entry prefixes is refused.
#pragma once

#include "engine/ChunkedText.h"
#include "installlog/InstallLog.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CFileException;

namespace engine {

class InstallRecorder {
public:
    InstallRecorder() = default;
    // The changes hold views of the recorder's own text: never copied.
    InstallRecorder(const InstallRecorder&) = delete;
    InstallRecorder& operator=(const InstallRecorder&) = delete;

    // Appends one log line. False, with nothing appended, when the text is
    // not a plain path (see installlog::IsRecordableText).
    bool LogFileCopy(const std::string& path);
    bool LogMadeDir(const std::string& path);
    bool LogRegCtrl(const std::string& path);
    bool LogRegKey(HKEY root, const std::string& subKey);
    // A file copied (or made) by the run: its "File Copy: " line, and when
    // created (it was not there before) the change for the rollback. False
    // when the path could not stand in the log.
    bool FileCopied(const std::string& path, bool created);
    // The log's text so far.
    std::string Text() const { return m_log.str(); }

    // Changes this run made, for the rollback.
    void FileCreated(const std::string& path);
    void FolderCreated(const std::string& path);
    void ControlRegistered(const std::string& path);
    // Notes, before a value is written, every key on the way that does not
    // exist yet and what the value holds now (or that it is missing).
    void BeforeValueWrite(HKEY root, const std::string& key, const std::string& name);
    // Writes a string value through the registry accessors after noting
    // its old state. TRUE when it was written.
    BOOL SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text);
    // The same for a REG_DWORD value (the key made with create semantics).
    BOOL SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);

    // The number of changes noted so far.
    std::size_t ChangeCount() const { return m_changes.size(); }
    // Undoes every noted change, newest first, and forgets them. Controls
    // are unregistered through unregisterControl (true when it worked).
    // Returns what could not be undone, one readable line each (a path, or
    // a registry key with its root).
    std::vector<std::string> Rollback(const std::function<bool(const std::string&)>& unregisterControl);

    // Writes the log text to path in text mode (CR LF on disk), replacing
    // a file of that name, and hides it. FALSE after a file error, which is
    // in error.
    BOOL WriteLogFile(const std::string& path, CFileException& error) const;

private:
    // A change is small (an installation notes one per file): its path is
    // a view of the text kept in m_log (a file's, in its "File Copy: "
    // line) or in m_paths, and what a registry value held before lies
    // apart.
    struct Change {
        enum Kind : unsigned char { File, Folder, Control, Key, Value } kind;
        HKEY root;
        std::string_view path;  // file, folder, control or key, in m_paths
        std::size_t value;      // for a Value, its index in m_values
    };
    struct ValueState {
        std::string name;
        bool hadValue;
        DWORD type;
        std::string data;  // the value's bytes before the write
    };
    void Note(Change::Kind kind, HKEY root, const std::string& path, std::size_t value = 0);
    // Appends the log line of that kind for text, and sets stored (when
    // given) to the text as the log holds it. False, with nothing
    // appended, when the text cannot stand in the log.
    bool Record(installlog::LogEntryKind kind, const std::string& text, std::string_view* stored);

    // Both only grow during a run, by blocks that never move: no doubling,
    // and no second copy while they grow.
    ChunkedText m_log;
    ChunkedText m_paths;
    std::deque<Change> m_changes;
    std::vector<ValueState> m_values;
};

// The registry root as a readable prefix: "HKEY_LOCAL_MACHINE\" and so on.
std::string RootName(HKEY root);

}  // namespace engine
