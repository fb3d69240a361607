// What both programs need around a run besides the log: the answers'
// names and the administrator test.
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"

#include <gtest/gtest.h>

TEST(RunSupport, AnswersReadAsTheirButtons)
{
    EXPECT_EQ(runfront::ButtonText(IDYES), "是");
    EXPECT_EQ(runfront::ButtonText(IDNO), "否");
    EXPECT_EQ(runfront::ButtonText(IDABORT), "中止");
    EXPECT_EQ(runfront::ButtonText(IDRETRY), "重试");
    EXPECT_EQ(runfront::ButtonText(IDIGNORE), "忽略");
    EXPECT_EQ(runfront::ButtonText(IDCANCEL), "取消");
    EXPECT_EQ(runfront::ButtonText(IDOK), "确定");
    EXPECT_EQ(runfront::ButtonText(0), "<0>");
}

TEST(RunSupport, AdministratorsGroupCountsOnlyWhenEnabledInTheToken)
{
    // The tests run as an administrator (Wine's user always is one).
    EXPECT_TRUE(runfront::HasAdministratorRights());

    // The same token with the group for deny only, as User Account Control
    // filters it for a program started without elevation.
    HANDLE process = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &process));
    winlib::ScopedHandle processToken(process);
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                           0, 0, 0, &administrators));
    SID_AND_ATTRIBUTES disabled = {administrators, 0};
    HANDLE restricted = nullptr;
    const BOOL made = ::CreateRestrictedToken(process, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted);
    ::FreeSid(administrators);
    ASSERT_TRUE(made) << ::GetLastError();
    winlib::ScopedHandle restrictedToken(restricted);
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(::DuplicateToken(restricted, SecurityImpersonation, &impersonation));
    winlib::ScopedHandle impersonationToken(impersonation);
    EXPECT_FALSE(runfront::TokenHasAdministratorRights(impersonation));

    HANDLE full = nullptr;
    ASSERT_TRUE(::DuplicateToken(process, SecurityImpersonation, &full));
    winlib::ScopedHandle fullToken(full);
    EXPECT_TRUE(runfront::TokenHasAdministratorRights(full));
}
