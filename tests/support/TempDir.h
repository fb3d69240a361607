// A fresh folder under the system's temporary folder, removed with all its
// contents (hidden and read-only files included) when the object goes.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a trailing backslash.
    const std::string& path() const { return m_path; }
    // path() + "\" + relative
    std::string operator/(const std::string& relative) const { return m_path + "\\" + relative; }

private:
    std::string m_path;
};
