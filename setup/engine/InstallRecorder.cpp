#include "engine/InstallRecorder.h"

#include "engine/RegistryAccess.h"
#include "installlog/InstallLog.h"
#include "winlib/Handles.h"
#include "winlib/RegKey.h"
#include "winlib/RegRoot.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"

namespace engine {
namespace {

// The key when it exists; never creates one.
winlib::RegKey OpenExisting(HKEY root, const std::string& key, REGSAM access)
{
    winlib::RegKey opened;
    // A key that is not there leaves the owner empty, which callers test.
    (void)opened.Open(root, key, access);
    return opened;
}

bool KeyIsEmpty(HKEY root, const std::string& key)
{
    const winlib::RegKey opened = OpenExisting(root, key, KEY_QUERY_VALUE);
    if (!opened)
        return true;
    DWORD subKeys = 0, values = 0;
    if (::RegQueryInfoKeyA(opened.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys == 0 && values == 0;
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

bool RemoveCreatedFolder(const std::string& path)
{
    if (::RemoveDirectoryA(path.c_str()))
        return true;
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool RestoreValue(HKEY root, const std::string& key, const std::string& name, bool hadValue, DWORD type,
                  const std::string& data)
{
    const winlib::RegKey opened = OpenExisting(root, key, KEY_SET_VALUE);
    if (!opened)
        return !hadValue;
    if (!hadValue) {
        const LONG rc = opened.DeleteValue(name);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExA(opened.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool DeleteCreatedKey(HKEY root, const std::string& key)
{
    if (!OpenExisting(root, key, KEY_QUERY_VALUE))
        return true;
    // Only a key that holds nothing but what this run put there (and has
    // taken out again) goes; anything another program added keeps it.
    if (!KeyIsEmpty(root, key))
        return false;
    return winlib::RegKey::DeleteLeafKey(root, key) == ERROR_SUCCESS;
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

bool InstallRecorder::Record(installlog::LogEntryKind kind, const std::string& text, std::string_view* stored)
{
    if (!installlog::IsRecordableText(text))
        return false;
    std::string entry;
    installlog::AppendEntry(entry, kind, text);
    const std::string_view line = m_log.Append(entry);
    if (stored != nullptr)
        *stored = line.substr(line.size() - 1 - text.size(), text.size());  // the line ends in "\n"
    return true;
}

bool InstallRecorder::LogFileCopy(const std::string& path)
{
    return Record(installlog::kFileCopy, path, nullptr);
}

bool InstallRecorder::LogMadeDir(const std::string& path)
{
    return Record(installlog::kMadeDir, path, nullptr);
}

bool InstallRecorder::LogRegCtrl(const std::string& path)
{
    return Record(installlog::kRegCtrl, path, nullptr);
}

bool InstallRecorder::FileCopied(const std::string& path, bool created)
{
    // A file this run made is noted with the path its log line holds: one
    // copy of the path for both.
    std::string_view stored;
    const bool logged = Record(installlog::kFileCopy, path, &stored);
    if (created)
        m_changes.push_back({Change::File, nullptr, logged ? stored : m_paths.Append(path), 0});
    return logged;
}

bool InstallRecorder::LogRegKey(HKEY root, const std::string& subKey)
{
    if (!installlog::IsRecordableText(subKey))
        return false;
    std::string entry;
    installlog::AppendRegKeyEntry(entry, winlib::RegRootDigitOf(root), subKey);
    m_log.Append(entry);
    return true;
}

void InstallRecorder::Note(Change::Kind kind, HKEY root, const std::string& path, std::size_t value)
{
    m_changes.push_back({kind, root, m_paths.Append(path), value});
}

void InstallRecorder::FileCreated(const std::string& path)
{
    Note(Change::File, nullptr, path);
}

void InstallRecorder::FolderCreated(const std::string& path)
{
    Note(Change::Folder, nullptr, path);
}

void InstallRecorder::ControlRegistered(const std::string& path)
{
    Note(Change::Control, nullptr, path);
}

void InstallRecorder::BeforeValueWrite(HKEY root, const std::string& key, const std::string& name)
{
    // The keys on the way, outermost first, so that the rollback (newest
    // first) deletes the innermost first. Key names are walked by whole
    // characters: a GBK trail byte may be 0x5C.
    bool missing = false;
    for (std::size_t i = 0;; i += winlib::CharLength(key, i)) {
        const bool atEnd = i >= key.size();
        if (atEnd || key[i] == '\\') {
            const std::string prefix = key.substr(0, i);
            if (!prefix.empty() && (missing || !OpenExisting(root, prefix, KEY_QUERY_VALUE))) {
                missing = true;
                Note(Change::Key, root, prefix);
            }
        }
        if (atEnd)
            break;
    }

    ValueState value = {name, false, REG_NONE, {}};
    if (!missing) {
        const winlib::RegKey opened = OpenExisting(root, key, KEY_QUERY_VALUE);
        DWORD type = REG_NONE, size = 0;
        if (opened && ::RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type, nullptr, &size) ==
                          ERROR_SUCCESS) {
            std::string data(size, '\0');
            if (::RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.empty() ? nullptr : &data[0]), &size) ==
                ERROR_SUCCESS) {
                data.resize(size);
                value.hadValue = true;
                value.type = type;
                value.data = std::move(data);
            }
        }
    }
    m_values.push_back(std::move(value));
    Note(Change::Value, root, key, m_values.size() - 1);
}

BOOL InstallRecorder::SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text)
{
    BeforeValueWrite(root, key, name);
    return root == HKEY_LOCAL_MACHINE ? SetMachineString(key, name, text) : SetUserString(key, name, text);
}

BOOL InstallRecorder::SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value)
{
    BeforeValueWrite(root, key, name);
    winlib::RegKey opened;
    if (opened.Create(root, key) != ERROR_SUCCESS)
        return FALSE;
    return opened.WriteDword(name, value) == ERROR_SUCCESS;
}

std::vector<std::string> InstallRecorder::Rollback(const std::function<bool(const std::string&)>& unregisterControl)
{
    std::vector<std::string> left;
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        const Change& change = *it;
        const std::string path(change.path);
        bool undone = true;
        switch (change.kind) {
        case Change::File:
            undone = DeleteCreatedFile(path);
            break;
        case Change::Folder:
            undone = RemoveCreatedFolder(path);
            break;
        case Change::Control:
            undone = !unregisterControl || unregisterControl(path);
            break;
        case Change::Key:
            undone = DeleteCreatedKey(change.root, path);
            break;
        case Change::Value: {
            const ValueState& value = m_values[change.value];
            undone = RestoreValue(change.root, path, value.name, value.hadValue, value.type, value.data);
            break;
        }
        }
        if (!undone) {
            const bool inRegistry = change.kind == Change::Key || change.kind == Change::Value;
            left.push_back(inRegistry ? RootName(change.root) + path : path);
        }
    }
    std::deque<Change>().swap(m_changes);
    m_paths.clear();
    std::vector<ValueState>().swap(m_values);
    return left;
}

BOOL InstallRecorder::WriteLogFile(const std::string& path, CFileException& error) const
{
    // A log of an earlier installation into this folder is replaced, never
    // merged. (A hidden file cannot be truncated by a plain create.)
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileA(path.c_str());

    CStdioFile file;
    if (!file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText, &error))
        return FALSE;
    for (const std::string& block : m_log.Blocks())
        if (!file.Write(block.data(), static_cast<UINT>(block.size()), &error))
            return FALSE;
    if (!file.Close(&error))
        return FALSE;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return TRUE;
}

}  // namespace engine
