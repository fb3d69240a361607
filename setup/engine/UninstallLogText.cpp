#include "engine/UninstallLogText.h"

#include "engine/RegRoot.h"
#include "winlib/StdioFile.h"

namespace engine {

bool UninstallLogText::Add(installlog::LogEntryKind kind, const std::string& text, std::string_view* stored)
{
    if (!installlog::IsRecordableText(text))
        return false;
    std::string entry;
    installlog::AppendEntry(entry, kind, text);
    const std::string_view line = m_text.Append(entry);
    if (stored != nullptr)
        *stored = line.substr(line.size() - 1 - text.size(), text.size());  // the line ends in "\n"
    return true;
}

bool UninstallLogText::AddKey(HKEY root, const std::string& subKey)
{
    if (!installlog::IsRecordableText(subKey))
        return false;
    std::string entry;
    installlog::AppendRegKeyEntry(entry, RegRootDigitOf(root), subKey);
    m_text.Append(entry);
    return true;
}

BOOL UninstallLogText::WriteTo(const std::string& path, CFileException& error) const
{
    // A log of an earlier installation into this folder is replaced, never
    // merged. (A hidden file cannot be truncated by a plain create.)
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileA(path.c_str());

    CStdioFile file;
    if (!file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText, &error))
        return FALSE;
    for (const std::string& block : m_text.Blocks())
        if (!file.Write(block.data(), static_cast<UINT>(block.size()), &error))
            return FALSE;
    if (!file.Close(&error))
        return FALSE;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return TRUE;
}

}  // namespace engine
