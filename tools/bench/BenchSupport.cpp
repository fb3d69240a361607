#include "BenchSupport.h"

#include "winlib/Handles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

Stopwatch::Stopwatch()
{
    ::QueryPerformanceCounter(&m_start);
}

double Stopwatch::Seconds() const
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool IsDots(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteTree(const std::string& folder)
{
    if (!Exists(folder))
        return true;
    WIN32_FIND_DATAA data;
    winlib::ScopedFindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (find) {
        do {
            if (IsDots(data.cFileName))
                continue;
            const std::string path = folder + "\\" + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                if (data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find.get(), &data));
    }
    find.reset();
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryA(folder.c_str()) || !Exists(folder);
}

bool BareCopyTree(const std::string& source, const std::string& destination)
{
    if (!::CreateDirectoryA(destination.c_str(), nullptr))
        return false;
    WIN32_FIND_DATAA data;
    winlib::ScopedFindHandle find(::FindFirstFileA((source + "\\*").c_str(), &data));
    if (!find)
        return false;
    bool ok = true;
    do {
        if (IsDots(data.cFileName))
            continue;
        const std::string from = source + "\\" + data.cFileName;
        const std::string to = destination + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = BareCopyTree(from, to) && ok;
        else
            ok = ::CopyFileA(from.c_str(), to.c_str(), FALSE) && ok;
    } while (::FindNextFileA(find.get(), &data));
    return ok;
}

bool BareDeleteTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    winlib::ScopedFindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    bool ok = true;
    if (find) {
        do {
            if (IsDots(data.cFileName))
                continue;
            const std::string path = folder + "\\" + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = BareDeleteTree(path) && ok;
            else
                ok = ::DeleteFileA(path.c_str()) && ok;
        } while (::FindNextFileA(find.get(), &data));
    }
    find.reset();
    return ::RemoveDirectoryA(folder.c_str()) && ok;
}

bool ParseNumber(const char* text, unsigned& value)
{
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed > 1000000000UL)
        return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

bool NormaliseWorkFolder(std::string& work)
{
    if (work.empty()) {
        char temp[MAX_PATH + 1];
        const DWORD got = ::GetTempPathA(sizeof(temp), temp);
        if (got == 0 || got > MAX_PATH)
            return false;
        work = std::string(temp, got) + "zemlo-bench";
    }
    while (work.size() > 3 && work.back() == '\\')
        work.pop_back();
    return true;
}

void KeepBest(double& best, double seconds, bool ok)
{
    if (ok && (best < 0 || seconds < best))
        best = seconds;
}

void PrintFigure(const char* name, int decimals, double value)
{
    std::printf("%s: %.*f\n", name, decimals, value);
}

}  // namespace bench
