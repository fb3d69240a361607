#include "winlib/ControlEntry.h"

#include "winlib/Handles.h"

namespace winlib {
namespace {

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

bool IsFullPath(const std::string& path)
{
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/') &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
    return drive || unc;
}

}  // namespace

ControlCallResult CallControlEntry(const std::string& path, ControlEntry entry)
{
    if (!IsFullPath(path))
        return ControlCallResult::NotFullPath;
    // The modules the control needs come from its own folder or the system
    // folder, never from the program's or the current folder.
    const ScopedModule module(
        ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!module)
        return ControlCallResult::NotLoaded;
    const char* name = entry == ControlEntry::Register ? "DllRegisterServer" : "DllUnregisterServer";
    const FARPROC proc = ::GetProcAddress(module.get(), name);
    if (proc == nullptr)
        return ControlCallResult::NoEntry;
    // Through the generic function pointer type, the one cast between
    // function pointer types that the compiler accepts without a warning.
    const auto call = reinterpret_cast<ServerEntry>(reinterpret_cast<void (*)()>(proc));
    return call() == S_OK ? ControlCallResult::Succeeded : ControlCallResult::EntryFailed;
}

}  // namespace winlib
