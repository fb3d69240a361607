#include "engine/InstallRecord.h"

namespace engine {

bool InstallRecord::FileWritten(const std::string& path, bool existedBefore)
{
    std::string_view stored;
    const bool logged = m_log.Add(installlog::kFileCopy, path, &stored);
    if (!existedBefore) {
        if (logged)
            m_journal.FileCreatedAt(stored);
        else
            m_journal.FileCreated(path);
    }
    return logged;
}

}  // namespace engine
