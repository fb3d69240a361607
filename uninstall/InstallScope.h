// What the uninstaller may touch. "Uninstall.log" lies in the installation
// folder, which ordinary users may be able to write, while the uninstaller
// runs with administrator rights; so an entry is acted on only when it names
// something Setup can have written for this installation:
//   - files and folders inside the installation folder;
//   - outside it, only shortcut files (".lnk", any case) and the Programs
//     menu folder Setup makes for them ("direveradi ZEMLO V8.0");
//   - controls only inside the installation folder;
//   - registry keys only the product key, the uninstall entry and the
//     product's own Active Setup component (its fixed id alone), under
//     HKEY_LOCAL_MACHINE.
// Paths are judged here as texts, after normalisation; whatever cannot be
// judged safely (relative paths, "." and ".." components, "\\?\" and "\\.\"
// prefixes, UNC paths, device names, control characters, wildcards) is
// refused. A text says nothing of what the path leads to once links are
// followed: the worker then opens each allowed entry and judges the object
// it opened (UninstallThread.cpp).
#pragma once

#include <string>
#include <string_view>

// The normal form of an entry's path: drive letter, colon, then components
// joined by single backslashes ("/" counts as one), with no trailing
// backslash. False when the text is not an absolute path on a drive or
// holds anything refused above. A GBK trail byte 0x5C is no separator.
bool NormalizeEntryPath(const std::string& text, std::string& out);

// True when path lies strictly below folder (both in normal form), the
// comparison ignoring the case of ASCII letters.
bool IsPathWithin(const std::string& path, const std::string& folder);

class CInstallScope {
public:
    // A scope that allows nothing until it is given a folder.
    CInstallScope() = default;
    // The installation folder, in any spelling Setup writes (a trailing
    // backslash is fine). A folder that is no absolute path, or is a
    // drive's root, makes a scope that allows no file or folder.
    explicit CInstallScope(const std::string& installFolder);

    bool IsValid() const { return !m_strFolder.empty(); }
    // The installation folder in normal form, without trailing backslash.
    const std::string& Folder() const { return m_strFolder; }

    // Each check gives the path to act on (its normal form) when the entry
    // is allowed, and false when it is refused.
    // "File Copy: " a file inside, or a shortcut file anywhere.
    bool AllowsFile(const std::string& text, std::string& path) const;
    // "Made Dir: " a folder inside (or the installation folder itself), or
    // the Programs menu folder Setup makes.
    bool AllowsFolder(const std::string& text, std::string& path) const;
    // "Reg Ctrl: " a control file inside.
    bool AllowsControl(const std::string& text, std::string& path) const;
    // "RegDB Key: " root "2" with the product key, the uninstall entry or
    // the product's Active Setup component; subKey is then the key's path
    // as Setup spells it (installlog's kProductKey, kUninstallKey or
    // kActiveSetupKey). Another component under "Installed Components" is
    // another product's.
    static bool AllowsKey(std::string_view text, std::string& subKey);

    // True when path (in normal form) lies strictly below the folder.
    bool Holds(const std::string& path) const { return IsValid() && IsPathWithin(path, m_strFolder); }

private:
    std::string m_strFolder;
};
