// Registration of the product's ActiveX controls.
#include "engine/SetupThread.h"

#include "winlib/Handles.h"

#include <vector>

namespace {

using RegisterServerProc = HRESULT(WINAPI*)();

}  // namespace

void CSetupThread::RegisterControls()
{
    const std::string folder = m_strInstallDir + "Controls\\";
    std::vector<std::string> names;
    ListFiles(folder, "*.ocx", names);
    for (const std::string& name : names) {
        const std::string path = folder + name;
        RegisterControl(path);
        // Recorded whatever the registration gave: Uninstall unregisters
        // and deletes every control file it finds in the log.
        LogRegCtrl(path);
    }
}

BOOL CSetupThread::RegisterControl(const std::string& path)
{
    // The control's own DLLs are looked for beside it and in the system
    // folder only (the program's folder and the current one are not searched).
    winlib::ScopedModule module(
        ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!module)
        return FALSE;
    const FARPROC proc = ::GetProcAddress(module.get(), "DllRegisterServer");
    if (proc == nullptr)
        return FALSE;
    // Through the generic function pointer type, the one cast between
    // function pointer types that the compiler accepts without a warning.
    const auto registerServer = reinterpret_cast<RegisterServerProc>(reinterpret_cast<void (*)()>(proc));
    return registerServer() == S_OK;
}
