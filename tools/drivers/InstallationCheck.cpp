#include "InstallationCheck.h"

#include "FileHelpers.h"
#include "GuiDrive.h"
#include "RegistryOverride.h"
#include "Shortcuts.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace installcheck {

using gui::Check;
using testfs::Exists;

namespace {

const char* const kProductFolders[] = {"Support", "Controls", "图框", "模板", "Database", "Data", "Temp"};
const char kFileCopy[] = "File Copy: ";

// Every file of the medium's tree at source is in the installed tree at
// target with the same size; files counts the medium's files, missing
// those (and the folders) not installed alike.
void CompareTree(const std::string& source, const std::string& target, int& files, int& missing)
{
    for (const std::string& name : testfs::ListFolder(source)) {
        const std::string from = source + "\\" + name;
        const std::string to = target + "\\" + name;
        if (testfs::IsDirectory(from)) {
            if (!Exists(to))
                ++missing;
            CompareTree(from, to, files, missing);
            continue;
        }
        ++files;
        WIN32_FILE_ATTRIBUTE_DATA medium, installed;
        if (!::GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &medium) ||
            !::GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &installed) ||
            installed.nFileSizeLow != medium.nFileSizeLow || installed.nFileSizeHigh != medium.nFileSizeHigh) {
            std::printf("missing or different: %s\n", to.c_str());
            ++missing;
        }
    }
}

// The total size of the files below folder (ending in a backslash), in
// bytes.
unsigned long long TreeBytes(const std::string& folder)
{
    unsigned long long bytes = 0;
    for (const std::string& name : testfs::ListFolder(folder.substr(0, folder.size() - 1))) {
        const std::string path = folder + name;
        if (testfs::IsDirectory(path)) {
            bytes += TreeBytes(path + "\\");
            continue;
        }
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return bytes;
}

// The view of 64-bit Windows' registry that Setup keeps the product key
// and the uninstall entry in, whichever kind of program it is.
constexpr REGSAM kProductView = KEY_WOW64_32KEY;

// The entry in the list of installed programs, beside its name and command.
void CheckUninstallEntry(const std::string& dir)
{
    using testreg::kUninstallKey;
    const auto text = [](const char* value) {
        return testreg::Text(HKEY_LOCAL_MACHINE, kUninstallKey, value, kProductView);
    };
    const auto dword = [](const char* value) {
        return testreg::Dword(HKEY_LOCAL_MACHINE, kUninstallKey, value, kProductView);
    };
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::string today = winlib::Format("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    const std::string location = dir.substr(0, dir.size() - 1);
    Check(text("DisplayVersion") == "8.0", "the uninstall entry's DisplayVersion");
    Check(text("Publisher") == "Kestrova", "the uninstall entry's Publisher");
    Check(text("DisplayIcon") == dir + "ZEMLOV8.0.ico" && Exists(dir + "ZEMLOV8.0.ico"),
          "the uninstall entry's DisplayIcon is the installed icon");
    Check(text("InstallLocation") == location, "the uninstall entry's InstallLocation");
    Check(text("QuietUninstallString") == "\"" + dir + "Uninstall.exe\" /S",
          "the uninstall entry's QuietUninstallString is the quoted uninstaller with /S");
    Check(text("InstallDate") == today, "the uninstall entry's InstallDate is today");
    Check(dword("NoModify") == 1, "the uninstall entry's NoModify is 1");
    Check(dword("NoRepair") == 1, "the uninstall entry's NoRepair is 1");
    // The copied files, less the log and the shortcuts written afterwards:
    // at most the installed folder's size, and more than nothing.
    const long long size = dword("EstimatedSize");
    const unsigned long long installedKb = (TreeBytes(dir) + 1023) / 1024;
    std::printf("EstimatedSize: %lld KB, installed folder: %llu KB\n", size, installedKb);
    Check(size > 0 && static_cast<unsigned long long>(size) <= installedKb &&
              static_cast<unsigned long long>(size) + 64 >= installedKb,
          "the uninstall entry's EstimatedSize is the installed size in KB");
}

// Every file the log records is there, and its shortcuts load as shell
// links with a target; files: the medium's product files, which the log
// must record at least.
void CheckLog(const std::string& dir, int files)
{
    const std::string log = dir + "Uninstall.log";
    const DWORD attributes = testfs::Attributes(log);
    Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN),
          "Uninstall.log is there, hidden");
    const std::vector<std::string> lines = testfs::ReadTextLines(log);
    Check(!lines.empty() && lines.back() == kFileCopy + log, "the log's last line records the log itself");
    int recorded = 0, absent = 0, links = 0, badLinks = 0;
    const winlib::ScopedComInit com;
    for (const std::string& line : lines) {
        if (line.compare(0, sizeof(kFileCopy) - 1, kFileCopy) != 0)
            continue;
        const std::string path = line.substr(sizeof(kFileCopy) - 1);
        ++recorded;
        if (!Exists(path)) {
            std::printf("recorded but absent: %s\n", path.c_str());
            ++absent;
        }
        if (path.size() > 4 && winlib::EqualNoCase(path.substr(path.size() - 4), ".lnk")) {
            ++links;
            const testlink::Shortcut shortcut = testlink::ReadShortcut(path);
            if (shortcut.loaded)
                std::printf("shortcut: %s -> %s\n", path.c_str(), shortcut.target.c_str());
            // AutoCAD's own program is not there: its shortcut points into
            // the stand-in AutoCAD folder.
            if (!shortcut.loaded || shortcut.target.empty())
                ++badLinks;
        }
    }
    std::printf("log: %d recorded files, %d absent, %d shortcuts\n", recorded, absent, links);
    Check(recorded > files && absent == 0, "every file the log records is there");
    Check(links >= 3 && badLinks == 0, "the recorded shortcuts load as shell links with a target");
}

}  // namespace

void CheckInstallation(const std::string& medium, const std::string& dir, const std::string& acadProfile)
{
    int files = 0, missing = 0;
    for (const char* name : kProductFolders) {
        Check(Exists(dir + name), std::string("installed folder ") + name);
        CompareTree(medium + name, dir + name, files, missing);
    }
    std::printf("product files: %d, missing or different: %d\n", files, missing);
    Check(files > 0 && missing == 0, "every file of the seven product folders is installed");
    for (const char* name : {"Uninstall.exe", "readme.txt", "ZEMLO.exe"})
        Check(Exists(dir + name), std::string("installed loose file ") + name);
    CheckLog(dir, files);

    using testreg::kProductKey;
    using testreg::kUninstallKey;
    const HKEY machine = HKEY_LOCAL_MACHINE;
    Check(testreg::Text(machine, kProductKey, "installPath", kProductView) == dir, "the product key holds installPath");
    Check(testreg::Text(machine, kProductKey, "Ver", kProductView).rfind("<no", 0) != 0, "the product key holds Ver");
    Check(testreg::Text(machine, kUninstallKey, "DisplayName", kProductView) == "direveradi ZEMLO V8.0",
          "the uninstall entry names the product");
    Check(testreg::Text(machine, kUninstallKey, "UninstallString", kProductView).find(dir + "Uninstall.exe") !=
              std::string::npos,
          "the uninstall entry names the installed Uninstall.exe");
    // Only in that view.
    Check(testreg::Text(machine, kProductKey, "installPath", KEY_WOW64_64KEY) == "<no key>",
          "no product key in the 64-bit view");
    Check(testreg::Text(machine, kUninstallKey, "DisplayName", KEY_WOW64_64KEY) == "<no key>",
          "no uninstall entry in the 64-bit view");
    CheckUninstallEntry(dir);
    if (!acadProfile.empty())
        Check(testreg::KeyExists(HKEY_CURRENT_USER, acadProfile), "the AutoCAD profile is written");
}

}  // namespace installcheck
