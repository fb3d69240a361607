#include "Installation.h"

#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StringUtil.h"

#include <io.h>

namespace installation {

bool ReadRecordedString(const char* subKey, const char* valueName, DWORD maxBytes, std::string& out)
{
    out.clear();
    winlib::RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, subKey, KEY_QUERY_VALUE, runfront::ProductKeyView()) == ERROR_SUCCESS &&
           key.ReadString(valueName, out, maxBytes);
}

bool ReadInstalledPath(std::string& out)
{
    // An empty value would make the log's path root-relative.
    std::string path;
    if (!runfront::ReadInstalledFolder(path) || path.empty())
        return false;
    winlib::AppendBackslash(path);
    out = path;
    return true;
}

std::string ProgramFolder()
{
    std::string folder = winlib::ProgramFolder();
    winlib::AppendBackslash(folder);
    return folder;
}

std::string LogPath()
{
    // The log beside the program names the installation the program
    // belongs to; the recorded folder serves only for a program started
    // from elsewhere (the medium's copy), which has none beside it.
    const std::string beside = winlib::JoinPath(ProgramFolder(), installlog::kLogFileName);
    if (::_access(beside.c_str(), 0) == 0)
        return beside;
    std::string folder;
    if (ReadInstalledPath(folder))
        return winlib::JoinPath(folder, installlog::kLogFileName);
    return beside;
}

}  // namespace installation
