#include "winlib/RunSupport.h"

#include "winlib/StringUtil.h"

namespace winlib {

RunLog& AppRunLog()
{
    static RunLog log;
    return log;
}

std::string ButtonText(int button)
{
    switch (button) {
    case IDOK:
        return "确定";
    case IDCANCEL:
        return "取消";
    case IDABORT:
        return "中止";
    case IDRETRY:
        return "重试";
    case IDIGNORE:
        return "忽略";
    case IDYES:
        return "是";
    case IDNO:
        return "否";
    case IDTRYAGAIN:
        return "重试";
    case IDCONTINUE:
        return "继续";
    default:
        return Format("<%d>", button);
    }
}

bool TokenHasAdministratorRights(HANDLE token)
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    const bool checked = ::CheckTokenMembership(token, administrators, &member) != FALSE;
    ::FreeSid(administrators);
    return checked && member != FALSE;
}

bool HasAdministratorRights()
{
    // A null token checks the calling thread's (or the process's) own.
    return TokenHasAdministratorRights(nullptr);
}

}  // namespace winlib
