// ChangeJournal: every change one installation run makes to the machine,
// noted as it is made, and its undoing. A run that does not complete (a
// cancel, an abort, a step that failed) is undone here, newest change
// first, and only here:
//   - a file that was not there before is deleted; one that was there and
//     was moved aside (SafeFiles.h) comes back in place of the run's;
//   - a folder the run made is removed (when it is empty again);
//   - a control the run registered is unregistered, and one that was
//     registered before the run and whose file the run replaced is
//     registered again, last;
//   - a folder that was there and got the installation's protection gets
//     its old security back;
//   - a registry key the run created is deleted (when nothing else has
//     been put in it meanwhile);
//   - a registry value the run wrote gets back the type and bytes it held,
//     or is deleted when it did not exist.
// What was there before the run and was not changed stays as it is.
#pragma once

#include "engine/ChunkedText.h"
#include "winlib/RegKey.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class ChangeJournal {
public:
    ChangeJournal() = default;
    // The changes hold views of texts the journal or its owner keeps.
    ChangeJournal(const ChangeJournal&) = delete;
    ChangeJournal& operator=(const ChangeJournal&) = delete;

    // A file the run made that was not there before. FileCreatedAt takes
    // a path its caller keeps unchanged for the journal's life (the
    // install log's own line, say), so that it is not stored twice.
    void FileCreated(const std::string& path);
    void FileCreatedAt(std::string_view keptPath);
    // A file that was there, moved aside to backupPath before the run made
    // its own in its place.
    void FileReplaced(const std::string& path, const std::string& backupPath);
    // A folder the run made.
    void FolderMade(const std::string& path);
    // A folder that was there, and its security descriptor (self-relative,
    // its DACL) before the run gave it the installation's protection.
    void SecurityChanged(const std::string& path, std::string descriptor);
    // A control the run registered.
    void ControlRegistered(const std::string& path);
    // A control that was registered before the run and whose file the run
    // replaced: registered again after everything else is undone (its
    // file is back by then).
    void ReregisterAtTheEnd(const std::string& path);

    // Writes a value, noting first every key on the way that does not
    // exist yet and what the value holds now (its type and bytes, or that
    // it is missing). The key is made with create semantics, in the given
    // registry view, and the undo works in that view too. Returns the
    // system's result (ERROR_SUCCESS when written).
    using View = winlib::RegKey::View;
    [[nodiscard]] LONG WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                                   View view = View::Native);
    [[nodiscard]] LONG WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value,
                                  View view = View::Native);

    // The number of changes noted.
    std::size_t Size() const { return m_changes.size(); }

    // Registers (false) or unregisters (true) a control; true when it worked.
    using ControlServer = std::function<bool(const std::string& path, bool unregister)>;

    // Undoes every change, newest first, and forgets them. Controls are
    // (un)registered through controls (none: taken as done). Returns what
    // could not be undone, one readable line each: a path, or a registry
    // key with its root ("HKEY_LOCAL_MACHINE\...").
    std::vector<std::string> Undo(const ControlServer& controls);

private:
    enum class Kind : unsigned char { File, Replaced, Folder, Security, Control, Reregister, Key, Value };
    // A change is small (a run notes one per file): its path is a view,
    // and what a value held before lies apart.
    struct Change {
        Kind kind;
        View view;  // a Key's or Value's registry view
        HKEY root;
        std::string_view path;  // file, folder, control or key
        std::size_t value;      // a Value's index in m_values; a Replaced's or Security's in m_texts
    };
    struct ValueBefore {
        std::string name;
        bool existed;
        winlib::RegKey::RawValue data;
    };

    void Note(Kind kind, HKEY root, const std::string& path, std::size_t value = 0, View view = View::Native);
    // Notes the keys on the way and the value's state before a write.
    void BeforeValueWrite(HKEY root, const std::string& key, const std::string& name, View view);
    bool UndoOne(const Change& change, const ControlServer& controls) const;

    ChunkedText m_paths;  // grows by blocks that never move
    std::deque<Change> m_changes;
    std::vector<ValueBefore> m_values;
    std::vector<std::string> m_texts;  // backup paths, security descriptors
};

// The registry root as a readable prefix: "HKEY_LOCAL_MACHINE\" and so on.
std::string RootName(HKEY root);

}  // namespace engine
