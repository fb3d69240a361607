// Puts a function of the test's own in place of one that this program
// imports from a DLL, for the life of the object, by rewriting the
// program's import address table. Only calls made from the program's own
// code (which includes the statically linked code under test) are seen;
// calls from inside system DLLs are not. Works the same on Windows and
// under Wine.
#pragma once

#include <windows.h>

class ImportHook {
public:
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool ok() const { return m_slot != nullptr; }
    // The function that was imported before the hook went in.
    template <typename F>
    F original() const
    {
        return reinterpret_cast<F>(m_original);
    }

private:
    void** m_slot = nullptr;
    void* m_original = nullptr;
};
