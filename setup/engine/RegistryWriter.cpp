#include "engine/RegistryWriter.h"

#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

namespace engine {
namespace {

// A value cannot be written: Retry or Cancel.
const char kWriteFailedText[] =
    "%s\n不能写入注册表项 %s%s 的值“%s”，\n点击“重试”按钮试图重新写入；\n点击“取消”按钮将终止程序运行。";

}  // namespace

template <typename Write>
bool RegistryWriter::Retrying(HKEY root, const std::string& key, const std::string& name, Write write)
{
    for (;;) {
        const LONG result = write();
        if (result == ERROR_SUCCESS)
            return true;
        const std::string where = RootName(root) + key;
        m_host.ReportFailure("不能写入注册表项 " + where + " 的值 " + name, static_cast<DWORD>(result));
        const std::string text = winlib::Format(kWriteFailedText, winlib::FormatSystemMessage(static_cast<DWORD>(result)).c_str(),
                                                RootName(root).c_str(), key.c_str(), name.c_str());
        if (m_host.AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
            return false;
    }
}

bool RegistryWriter::String(HKEY root, const std::string& key, const std::string& name, const std::string& text,
                            View view)
{
    return Retrying(root, key, name, [&] { return m_journal.WriteString(root, key, name, text, view); });
}

bool RegistryWriter::Dword(HKEY root, const std::string& key, const std::string& name, DWORD value, View view)
{
    return Retrying(root, key, name, [&] { return m_journal.WriteDword(root, key, name, value, view); });
}

}  // namespace engine
