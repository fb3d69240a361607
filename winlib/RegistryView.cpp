#include "winlib/RegistryView.h"

#include <windows.h>

#include <atomic>

namespace winlib {
namespace {

// -1: not answered by a test; 0 or 1: the answer.
std::atomic<int> g_answer{-1};

bool AskWindows()
{
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace

bool Is64BitWindows()
{
    const int answer = g_answer.load();
    if (answer >= 0)
        return answer != 0;
    static const bool windows64 = AskWindows();
    return windows64;
}

ScopedWindowsBitness::ScopedWindowsBitness(bool windows64) : m_before(g_answer.exchange(windows64 ? 1 : 0)) {}

ScopedWindowsBitness::~ScopedWindowsBitness()
{
    g_answer.store(m_before);
}

RegViews MachineViews()
{
    if (Is64BitWindows())
        return RegViews{2, {RegKey::View::Wow64, RegKey::View::Wow32}};
    return RegViews{1, {RegKey::View::Native, RegKey::View::Native}};
}

}  // namespace winlib
