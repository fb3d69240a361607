// Which registry views the programs ask for. Setup and Uninstall are
// shipped as 32-bit programs and run on 32-bit and 64-bit Windows alike;
// on 64-bit Windows HKEY_LOCAL_MACHINE\SOFTWARE has two views, the 32-bit
// programs' and the 64-bit programs', and a key is found only in the view
// it was written in. Every machine-wide key is therefore opened in a view
// chosen here, never in whichever view the program's own bitness gives.
//
// The choice rests on one question, Is64BitWindows(): on 32-bit Windows
// there is a single view and no flag is asked for at all.
#pragma once

#include "winlib/RegKey.h"

#include <array>
#include <cstddef>

namespace winlib {

// True on 64-bit Windows: always for a 64-bit program; for a 32-bit one
// when it runs in WOW64 (IsWow64Process). Asked once, then remembered.
bool Is64BitWindows();

// Makes Is64BitWindows() give the answer while the object lives, so that a
// test can stand for the other kind of Windows. Create it before the code
// under test starts other threads; nested objects restore in turn.
class ScopedWindowsBitness {
public:
    explicit ScopedWindowsBitness(bool windows64);
    ~ScopedWindowsBitness();
    ScopedWindowsBitness(const ScopedWindowsBitness&) = delete;
    ScopedWindowsBitness& operator=(const ScopedWindowsBitness&) = delete;

private:
    int m_before;
};

// The distinct views of HKEY_LOCAL_MACHINE\SOFTWARE on this Windows, in the
// order they are searched: on 64-bit Windows the 64-bit view, then the
// 32-bit view; on 32-bit Windows only its one view (Native, no flag).
struct RegViews {
    std::size_t count;
    std::array<RegKey::View, 2> views;
    const RegKey::View* begin() const { return views.data(); }
    const RegKey::View* end() const { return views.data() + count; }
};
RegViews MachineViews();

}  // namespace winlib
