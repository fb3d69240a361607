#include "engine/ChangeJournal.h"

#include "engine/SafeFiles.h"
#include "winlib/StringUtil.h"

#include <aclapi.h>

namespace engine {
namespace {

// The key when it exists; never creates one.
winlib::RegKey OpenExisting(HKEY root, const std::string& key, REGSAM access, winlib::RegKey::View view)
{
    winlib::RegKey opened;
    (void)opened.Open(root, key, access, view);
    return opened;
}

bool DeleteCreatedFile(const std::string& path)
{
    if (::DeleteFileA(path.c_str()))
        return true;
    // A read-only flag (the medium's, say) is no reason to leave a file
    // this run made.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;  // gone already
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool RemoveMadeFolder(const std::string& path)
{
    if (::RemoveDirectoryA(path.c_str()))
        return true;
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// Only a key that holds nothing but what this run put there (and has taken
// out again) goes; anything another program added keeps it.
bool DeleteCreatedKey(HKEY root, const std::string& key, winlib::RegKey::View view)
{
    const winlib::RegKey opened = OpenExisting(root, key, KEY_QUERY_VALUE, view);
    if (!opened)
        return true;
    if (!opened.IsEmpty())
        return false;
    return winlib::RegKey::DeleteLeafKey(root, key, view) == ERROR_SUCCESS;
}

}  // namespace

std::string RootName(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT\\";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER\\";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE\\";
    if (root == HKEY_USERS)
        return "HKEY_USERS\\";
    return "";
}

void ChangeJournal::Note(Kind kind, HKEY root, const std::string& path, std::size_t value, View view)
{
    m_changes.push_back({kind, view, root, m_paths.Append(path), value});
}

void ChangeJournal::FileCreated(const std::string& path)
{
    Note(Kind::File, nullptr, path);
}

void ChangeJournal::FileCreatedAt(std::string_view keptPath)
{
    m_changes.push_back({Kind::File, View::Native, nullptr, keptPath, 0});
}

void ChangeJournal::FileReplaced(const std::string& path, const std::string& backupPath)
{
    m_texts.push_back(backupPath);
    Note(Kind::Replaced, nullptr, path, m_texts.size() - 1);
}

void ChangeJournal::FolderMade(const std::string& path)
{
    Note(Kind::Folder, nullptr, path);
}

void ChangeJournal::SecurityChanged(const std::string& path, std::string descriptor)
{
    m_texts.push_back(std::move(descriptor));
    Note(Kind::Security, nullptr, path, m_texts.size() - 1);
}

void ChangeJournal::ControlRegistered(const std::string& path)
{
    Note(Kind::Control, nullptr, path);
}

void ChangeJournal::ReregisterAtTheEnd(const std::string& path)
{
    // The oldest change is undone last.
    m_changes.push_front({Kind::Reregister, View::Native, nullptr, m_paths.Append(path), 0});
}

void ChangeJournal::BeforeValueWrite(HKEY root, const std::string& key, const std::string& name, View view)
{
    // The keys on the way, outermost first, so that the undo (newest
    // first) deletes the innermost first. Key names are walked by whole
    // characters: a GBK trail byte may be 0x5C.
    bool missing = false;
    for (std::size_t i = 0;; i += winlib::CharLength(key, i)) {
        const bool atEnd = i >= key.size();
        if (atEnd || key[i] == '\\') {
            const std::string prefix = key.substr(0, i);
            if (!prefix.empty() && (missing || !OpenExisting(root, prefix, KEY_QUERY_VALUE, view))) {
                missing = true;
                Note(Kind::Key, root, prefix, 0, view);
            }
        }
        if (atEnd)
            break;
    }

    ValueBefore before = {name, false, {}};
    if (!missing) {
        const winlib::RegKey opened = OpenExisting(root, key, KEY_QUERY_VALUE, view);
        before.existed = opened && opened.ReadRaw(name, before.data) == ERROR_SUCCESS;
    }
    m_values.push_back(std::move(before));
    Note(Kind::Value, root, key, m_values.size() - 1, view);
}

LONG ChangeJournal::WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                                View view)
{
    BeforeValueWrite(root, key, name, view);
    winlib::RegKey opened;
    const LONG created = opened.Create(root, key, MAXIMUM_ALLOWED, view);
    return created != ERROR_SUCCESS ? created : opened.WriteString(name, text);
}

LONG ChangeJournal::WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value, View view)
{
    BeforeValueWrite(root, key, name, view);
    winlib::RegKey opened;
    const LONG created = opened.Create(root, key, MAXIMUM_ALLOWED, view);
    return created != ERROR_SUCCESS ? created : opened.WriteDword(name, value);
}

bool ChangeJournal::UndoOne(const Change& change, const ControlServer& controls) const
{
    const std::string path(change.path);
    switch (change.kind) {
    case Kind::File:
        return DeleteCreatedFile(path);
    case Kind::Replaced:
        return Backups::Restore(m_texts[change.value], path);
    case Kind::Folder:
        return RemoveMadeFolder(path);
    case Kind::Security: {
        const std::string& descriptor = m_texts[change.value];
        PACL dacl = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        auto* sd = const_cast<char*>(descriptor.data());
        if (!::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
            return false;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ::GetSecurityDescriptorControl(sd, &control, &revision);
        const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED) != 0
                                                                           ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                           : UNPROTECTED_DACL_SECURITY_INFORMATION);
        return ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, what, nullptr, nullptr,
                                       present ? dacl : nullptr, nullptr) == ERROR_SUCCESS;
    }
    case Kind::Control:
        return !controls || controls(path, true);
    case Kind::Reregister:
        return !controls || controls(path, false);
    case Kind::Key:
        return DeleteCreatedKey(change.root, path, change.view);
    case Kind::Value: {
        const ValueBefore& before = m_values[change.value];
        const winlib::RegKey opened = OpenExisting(change.root, path, KEY_SET_VALUE, change.view);
        if (!opened)
            return !before.existed;
        if (!before.existed) {
            const LONG result = opened.DeleteValue(before.name);
            return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
        }
        return opened.WriteRaw(before.name, before.data) == ERROR_SUCCESS;
    }
    }
    return false;
}

std::vector<std::string> ChangeJournal::Undo(const ControlServer& controls)
{
    std::vector<std::string> left;
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (UndoOne(*it, controls))
            continue;
        const bool inRegistry = it->kind == Kind::Key || it->kind == Kind::Value;
        left.push_back(inRegistry ? RootName(it->root) + std::string(it->path) : std::string(it->path));
    }
    std::deque<Change>().swap(m_changes);
    m_paths.clear();
    std::vector<ValueBefore>().swap(m_values);
    std::vector<std::string>().swap(m_texts);
    return left;
}

}  // namespace engine
