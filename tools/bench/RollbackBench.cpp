// The rollback benchmark: how long undoing a cancelled installation of a
// large medium takes, against the plainest delete loop over the same tree.
// The installation's copy runs through the engine's own tree copier and
// record (as the worker does it); then the journal's undo is timed.
// The yardstick is a bare recursive delete of an identical tree.
//
// Usage: rollback_bench [--files N] [--rounds R] [--work FOLDER]
//   N files (default 10000) of 1 KB in folders of 100; R rounds (default 2),
//   the best time of each kind counting.
//
// Figures: rollback_seconds, bare_delete_seconds, rollback_vs_delete_ratio
// (target: at most 1.2).
#include "BenchSupport.h"
#include "FileHelpers.h"
#include "engine/InstallRecord.h"
#include "engine/InstallStep.h"
#include "engine/TreeCopier.h"
#include "winlib/StringUtil.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The host of a run nobody watches: a question gives up.
class SilentHost : public engine::InstallHost {
public:
    int AskUser(const std::string& text, UINT) override
    {
        std::fprintf(stderr, "rollback_bench: the copy asked:\n%s\n", text.c_str());
        ++questions;
        return IDABORT;
    }
    void NotifyFileCopied(const std::string&, const std::string&) override {}
    BOOL IsCancelled() const override { return FALSE; }

    int questions = 0;
};

// N files of 1 KB under the first product folder, 100 to a folder.
bool MakeMedium(const std::string& medium, unsigned files)
{
    const std::string root = medium + "\\" + engine::ProductFolders()[0];
    const std::string marker = medium + "\\.complete-" + std::to_string(files);
    if (testfs::Exists(marker))
        return true;
    if (!testfs::RemoveTree(medium))
        return false;
    const std::string content(1024, 'z');
    for (unsigned i = 0; i < files; ++i) {
        const std::string path = root + "\\" + winlib::Format("d%03u\\f%05u.dat", i / 100, i);
        if (!testfs::WriteFile(path, content))
            return false;
    }
    return testfs::WriteFile(marker, std::string());
}

// Copies the medium's product folder into install as the installation
// does, then times the rollback. Negative when something failed.
double RunRollback(const std::string& medium, const std::string& install)
{
    if (!testfs::RemoveTree(install))
        return -1;
    SilentHost host;
    engine::InstallRecord record;
    engine::Backups backups(install);
    engine::TreeCopier copier(host, record, backups);
    const char* folder = engine::ProductFolders()[0];
    if (!copier.CopyFolderTree(medium + "\\" + folder, install + "\\" + folder) || host.questions != 0)
        return -1;
    const bench::Stopwatch clock;
    const std::vector<std::string> left = record.Journal().Undo(nullptr);
    const double seconds = clock.Seconds();
    if (!left.empty() || testfs::Exists(install)) {
        std::fprintf(stderr, "rollback_bench: the rollback left %u entries\n", static_cast<unsigned>(left.size()));
        return -1;
    }
    return seconds;
}

double RunBareDelete(const std::string& medium, const std::string& copy)
{
    if (!testfs::RemoveTree(copy) || !bench::BareCopyTree(medium, copy))
        return -1;
    const bench::Stopwatch clock;
    const bool ok = bench::BareDeleteTree(copy);
    const double seconds = clock.Seconds();
    return ok && !testfs::Exists(copy) ? seconds : -1;
}

int Usage()
{
    std::fprintf(stderr, "usage: rollback_bench [--files N] [--rounds R] [--work FOLDER]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned files = 10000, rounds = 2;
    std::string work;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            return Usage();
        if (std::strcmp(argv[i], "--files") == 0) {
            if (!bench::ParseNumber(argv[++i], files) || files == 0)
                return Usage();
        } else if (std::strcmp(argv[i], "--rounds") == 0) {
            if (!bench::ParseNumber(argv[++i], rounds) || rounds == 0)
                return Usage();
        } else if (std::strcmp(argv[i], "--work") == 0) {
            work = argv[++i];
        } else {
            return Usage();
        }
    }
    if (!bench::NormaliseWorkFolder(work))
        return 1;
    work += "-rollback";
    ::CreateDirectoryA(work.c_str(), nullptr);
    const std::string medium = work + "\\medium";
    std::fprintf(stderr, "rollback_bench: %u files in %s\n", files, medium.c_str());
    if (!MakeMedium(medium, files)) {
        std::fprintf(stderr, "rollback_bench: cannot make the medium (error %lu)\n", ::GetLastError());
        return 1;
    }

    double rollback = -1, bare = -1;
    for (unsigned round = 0; round < rounds; ++round) {
        const double undone = RunRollback(medium, work + "\\install");
        const double deleted = RunBareDelete(medium + "\\" + engine::ProductFolders()[0], work + "\\copy");
        std::fprintf(stderr, "rollback_bench: round %u: rollback %.3f s, bare delete %.3f s\n", round + 1, undone,
                     deleted);
        bench::KeepBest(rollback, undone, undone >= 0);
        bench::KeepBest(bare, deleted, deleted >= 0);
    }
    if (rollback < 0 || bare <= 0)
        return 1;
    bench::PrintFigure("rollback_seconds", 3, rollback);
    bench::PrintFigure("bare_delete_seconds", 3, bare);
    bench::PrintFigure("rollback_vs_delete_ratio", 3, rollback / bare);
    return 0;
}
