// Pieces both benchmarks use: a stopwatch, the plain recursive copy and
// delete loops that serve as their yardsticks, clearing work folders, the
// work folder option and the figure lines they print.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

class Stopwatch {
public:
    Stopwatch();
    double Seconds() const;

private:
    LARGE_INTEGER m_start;
};

bool IsDots(const char* name);
bool Exists(const std::string& path);

// Deletes a folder and everything in it, read-only and hidden entries
// included (an install leaves a hidden Uninstall.log). True when the folder
// is gone or was never there.
bool DeleteTree(const std::string& folder);

// The yardsticks: the plainest recursive copy and delete there are
// (FindFirstFile/CopyFileA, FindFirstFile/DeleteFileA/RemoveDirectoryA).
// True when every entry was copied or deleted.
bool BareCopyTree(const std::string& source, const std::string& destination);
bool BareDeleteTree(const std::string& folder);

// A decimal number of at most 1,000,000,000.
bool ParseNumber(const char* text, unsigned& value);
// The work folder without trailing backslashes; when none is given, the
// "zemlo-bench" folder in the temporary folder. False when there is none.
bool NormaliseWorkFolder(std::string& work);

// Keeps the best (shortest) time of the rounds: seconds replaces best when
// the run counted (ok) and best is still unset (negative) or longer.
void KeepBest(double& best, double seconds, bool ok = true);

// One figure as a "name: value" line on stdout.
void PrintFigure(const char* name, int decimals, double value);

}  // namespace bench
