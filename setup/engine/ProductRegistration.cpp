#include "engine/ProductRegistration.h"

#include "engine/InstallJob.h"
#include "engine/RegistryWriter.h"
#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

namespace engine {
namespace {

const char kDisplayName[] = "direveradi ZEMLO V8.0";
const char kVersion[] = "8.00";
const char kDisplayVersion[] = "8.0";
const char kPublisher[] = "Kestrova";

// Today's date as the list of installed programs reads it: yyyymmdd.
std::string Today()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return winlib::Format("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}

}  // namespace

std::string ProductRegistration::Describe(const InstallJob&) const
{
    return "写入产品的注册表项和卸载信息";
}

DWORD ProductRegistration::EstimatedSizeKb(unsigned long long bytes)
{
    const unsigned long long kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(kb);
}

StepResult ProductRegistration::Run(InstallJob& job)
{
    using namespace installlog;
    RegistryWriter write(job.host, job.record.Journal());
    const HKEY root = HKEY_LOCAL_MACHINE;
    // Written, and read and deleted by both programs, in one view.
    const winlib::RegKey::View view = runfront::ProductKeyView();
    const std::string& folder = job.installDir;
    if (!write.String(root, kProductKey, kInstallPathValue, folder, view) ||
        !write.String(root, kProductKey, kVersionValue, kVersion, view))
        return StepResult::kFailed;
    job.record.Log().AddKey(root, kProductKey);

    const std::string uninstaller = winlib::JoinPath(folder, kUninstallerFileName);
    // The folder without its trailing backslash, a drive's root aside.
    std::string location = folder;
    if (location.size() > 3 && winlib::EndsWithBackslash(location))
        location.pop_back();
    const bool written =
        write.String(root, kUninstallKey, kDisplayNameValue, kDisplayName, view) &&
        write.String(root, kUninstallKey, kUninstallStringValue, uninstaller, view) &&
        write.String(root, kUninstallKey, kDisplayVersionValue, kDisplayVersion, view) &&
        write.String(root, kUninstallKey, kPublisherValue, kPublisher, view) &&
        write.String(root, kUninstallKey, kDisplayIconValue, winlib::JoinPath(folder, kIconFileName), view) &&
        write.String(root, kUninstallKey, kInstallLocationValue, location, view) &&
        write.Dword(root, kUninstallKey, kEstimatedSizeValue, EstimatedSizeKb(job.copier.BytesCopied()), view) &&
        write.Dword(root, kUninstallKey, kNoModifyValue, 1, view) &&
        write.Dword(root, kUninstallKey, kNoRepairValue, 1, view) &&
        // Quoted: the folder may hold blanks.
        write.String(root, kUninstallKey, kQuietUninstallStringValue, "\"" + uninstaller + "\" /S", view) &&
        write.String(root, kUninstallKey, kInstallDateValue, Today(), view);
    if (!written)
        return StepResult::kFailed;
    job.record.Log().AddKey(root, kUninstallKey);
    return StepResult::kDone;
}

}  // namespace engine

namespace engine {

std::string ActiveSetupRegistration::Describe(const InstallJob& job) const
{
    return job.audience.allUsers ? "注册每个用户登录时的 AutoCAD 配置（Active Setup）"
                                 : "只为当前用户安装，不注册每个用户登录时的配置";
}

StepResult ActiveSetupRegistration::Run(InstallJob& job)
{
    using namespace installlog;
    if (!job.audience.allUsers)
        return StepResult::kDone;
    const std::string program = winlib::JoinPath(job.installDir, kUserSetupFileName);
    // Without the program the shell would run nothing at each logon.
    if (::GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        job.host.ReportFailure("安装文件中没有 " + std::string(kUserSetupFileName) + "，每个用户登录时不会写入 AutoCAD 配置",
                               ERROR_FILE_NOT_FOUND);
        return StepResult::kDone;
    }
    RegistryWriter write(job.host, job.record.Journal());
    const HKEY root = HKEY_LOCAL_MACHINE;
    const winlib::RegKey::View view = runfront::ProductKeyView();
    const bool written = write.String(root, kActiveSetupKey, "", kDisplayName, view) &&
                         write.String(root, kActiveSetupKey, "Version", kActiveSetupVersion, view) &&
                         // Quoted: the folder may hold blanks.
                         write.String(root, kActiveSetupKey, "StubPath",
                                      "\"" + program + "\" " + kUserSetupSwitch, view) &&
                         write.Dword(root, kActiveSetupKey, "IsInstalled", 1, view);
    if (!written)
        return StepResult::kFailed;
    job.record.Log().AddKey(root, kActiveSetupKey);
    return StepResult::kDone;
}

}  // namespace engine
