// RegistryWriter: the registry writes of the install steps. Each goes
// through the run's journal (which notes what it replaces, for the undo);
// a write that fails is put to the user with the system's reason (Retry
// or Cancel), so that it is never silently missing from an installation
// that reports success.
#pragma once

#include "engine/ChangeJournal.h"
#include "engine/InstallHost.h"

#include <windows.h>

#include <string>

namespace engine {

class RegistryWriter {
public:
    RegistryWriter(InstallHost& host, ChangeJournal& journal) : m_host(host), m_journal(journal) {}

    // True once written; false when the user gave up on it. view: the
    // registry view the key is written in (ChangeJournal).
    using View = winlib::RegKey::View;
    [[nodiscard]] bool String(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                              View view = View::Native);
    [[nodiscard]] bool Dword(HKEY root, const std::string& key, const std::string& name, DWORD value,
                             View view = View::Native);

private:
    template <typename Write>
    bool Retrying(HKEY root, const std::string& key, const std::string& name, Write write);

    InstallHost& m_host;
    ChangeJournal& m_journal;
};

}  // namespace engine
