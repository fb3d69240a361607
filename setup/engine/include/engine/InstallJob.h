// InstallJob: what the steps of one installation run share: the medium
// and destination folders, the way to the user and the progress page (the
// host), the record of the run, the copier that puts files in place, and
// the counts the finish page reports.
#pragma once

#include "engine/Audience.h"
#include "engine/InstallHost.h"
#include "engine/InstallRecord.h"
#include "engine/SafeFiles.h"
#include "engine/TreeCopier.h"

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

struct InstallJob {
    InstallJob(InstallHost& host, const std::string& sourceDir, const std::string& installDir,
               DWORD controlTimeoutMs, const Audience& audience = Audience());
    InstallJob(const InstallJob&) = delete;
    InstallJob& operator=(const InstallJob&) = delete;

    // The installed "Controls" folder, with its trailing backslash.
    std::string ControlsFolder() const;

    InstallHost& host;
    const std::string sourceDir;   // ends in one backslash
    const std::string installDir;  // ends in one backslash
    const DWORD controlTimeoutMs;  // how long one control may take
    const Audience audience;       // whom the installation is for
    InstallRecord record;
    Backups backups;  // what the run put aside to make room
    TreeCopier copier;
    // The installation folder, held for the whole run (PrepareInstallFolder)
    // and released before the run is undone or ends.
    PinnedFolder installFolder;
    // The controls an earlier installation in this folder registered (its
    // log's "Reg Ctrl: " entries): the ones a rollback registers again
    // after it has put their files back.
    std::vector<std::string> earlierControls;
    int failedControls = 0;  // controls that did not register
};

}  // namespace engine
