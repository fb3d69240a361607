#include "InstallationLock.h"

#include "InstallScope.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <cstdint>

namespace {

// The folder as one text for every spelling of it.
std::string LockKey(const std::string& folder)
{
    std::string text = winlib::StripTrailingBackslashes(winlib::Trim(folder));
    char buffer[MAX_PATH] = {};
    const DWORD got = ::GetLongPathNameA(text.c_str(), buffer, MAX_PATH);
    if (got > 0 && got < MAX_PATH)
        text = buffer;
    std::string normal;
    if (NormalizeEntryPath(text, normal))
        text = normal;
    // ASCII letters only: the second byte of a GBK character is no letter
    // of its own.
    for (std::size_t i = 0; i < text.size(); i += winlib::CharLength(text, i))
        if (text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    return text;
}

// FNV-1a, 64 bits.
std::uint64_t Hash(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

std::string InstallationLockName(const std::string& folder)
{
    const std::uint64_t hash = Hash(LockKey(folder));
    return winlib::Format("Global\\ZEMLO-V8-Uninstall-%08lX%08lX", static_cast<unsigned long>(hash >> 32),
                          static_cast<unsigned long>(hash & 0xFFFFFFFFu));
}

CInstallationLock::State CInstallationLock::Acquire(const std::string& folder)
{
    m_mutex.reset();
    m_dwError = ERROR_SUCCESS;
    const std::string name = InstallationLockName(folder);
    // Whoever has the mutex open holds the lock: it exists only while an
    // uninstaller of the folder runs, and goes with the last handle, even
    // when that process crashes.
    winlib::ScopedHandle mutex(::CreateMutexA(nullptr, FALSE, name.c_str()));
    const DWORD error = ::GetLastError();
    if (mutex && error == ERROR_ALREADY_EXISTS)
        return State::Busy;
    if (mutex) {
        m_mutex = std::move(mutex);
        return State::Held;
    }
    // Refused: another user's uninstaller may have made it with rights that
    // exclude us; only then does it open for waiting on.
    if (error == ERROR_ACCESS_DENIED) {
        winlib::ScopedHandle other(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
        if (other || ::GetLastError() == ERROR_ACCESS_DENIED)
            return State::Busy;
    }
    m_dwError = error;
    return State::Unavailable;
}
