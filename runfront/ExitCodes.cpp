#include "runfront/ExitCodes.h"

namespace runfront {

const char* ExitCodeMeaning(int code)
{
    switch (code) {
    case kExitSuccess:
        return "成功";
    case kExitCancelled:
        return "用户取消";
    case kExitFailed:
        return "失败, 已做的改动全部撤销";
    case kExitFailedIncomplete:
        return "失败, 部分内容留在了计算机上";
    case kExitBadCommandLine:
        return "命令行有误";
    case kExitNotAdministrator:
        return "需要管理员权限";
    case kExitAlreadyRunning:
        return "另一个卸载程序正在运行, 没有做任何改动";
    case kExitRestartNeeded:
        return "成功, 重新启动计算机后完成";
    default:
        return nullptr;
    }
}

}  // namespace runfront
