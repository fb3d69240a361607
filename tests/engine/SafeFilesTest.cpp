// Setup writes only into what it checked: the installation folder it makes
// (or finds empty) writable by administrators only, held while it writes;
// a folder or file of an earlier installation that is a link never written
// through; what was there put aside and brought back by a rollback.
#include "SetupThreadFixture.h"
#include "engine/SafeFiles.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <set>

namespace {

// The accounts an allow entry of the object's DACL gives a right to write,
// delete or change the permissions (as SID strings). A missing DACL lets
// everybody: "everyone".
std::set<std::string> Writers(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    std::set<std::string> writers;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &descriptor) != ERROR_SUCCESS)
        return {"<unreadable>"};
    const DWORD writing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                          FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    if (dacl == nullptr)
        writers.insert("everyone");
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header)) || header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if ((ace->Mask & writing) == 0)
            continue;
        char* text = nullptr;
        if (::ConvertSidToStringSidA(&ace->SidStart, &text)) {
            writers.insert(text);
            ::LocalFree(text);
        }
    }
    ::LocalFree(descriptor);
    return writers;
}

// SYSTEM, the administrators, and the account the tests run as (an
// administrator: Wine derives its DACLs from the Unix owner).
std::set<std::string> Administrators()
{
    std::set<std::string> sids = {"S-1-5-18", "S-1-5-32-544"};
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        char buffer[256];
        DWORD size = sizeof(buffer);
        char* text = nullptr;
        if (::GetTokenInformation(token, TokenUser, buffer, size, &size) &&
            ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
            sids.insert(text);
            ::LocalFree(text);
        }
        ::CloseHandle(token);
    }
    return sids;
}

bool OnlyAdministratorsWrite(const std::string& path)
{
    const std::set<std::string> admins = Administrators();
    for (const std::string& writer : Writers(path))
        if (admins.count(writer) == 0)
            return false;
    return true;
}

// Gives everybody full control of the folder, as an old installation or a
// user's own folder may have it.
void Widen(const std::string& path)
{
    EXPLICIT_ACCESS_A access = {};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.ptstrName = const_cast<char*>("EVERYONE");
    PACL dacl = nullptr;
    ASSERT_EQ(::SetEntriesInAclA(1, &access, nullptr, &dacl), ERROR_SUCCESS);
    ASSERT_EQ(::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, dacl, nullptr),
              ERROR_SUCCESS);
    ::LocalFree(dacl);
}

}  // namespace

TEST_F(SetupThreadTest, TheInstallationFolderSetupMakesOrFindsEmptyIsWritableByAdministratorsOnly)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    // Made by the run: below a folder that everybody may write.
    testfs::MakeDirs(temp / "Open");
    Widen(temp / "Open");
    ASSERT_FALSE(OnlyAdministratorsWrite(temp / "Open"));
    SetInstallDir(temp / "Open\\ZEMLO\\");
    RunInstall();
    ASSERT_EQ(window.Count(WM_SETUP_DONE), 1);
    EXPECT_TRUE(OnlyAdministratorsWrite(temp / "Open\\ZEMLO"));
    EXPECT_TRUE(OnlyAdministratorsWrite(temp / "Open\\ZEMLO\\Support"));
    EXPECT_TRUE(OnlyAdministratorsWrite(temp / "Open\\ZEMLO\\Support\\a.lsp"));
    // Only one folder of the run is hidden beside it while it runs: the
    // backups, gone with it.
    EXPECT_EQ(testfs::ListFolder(temp / "Open"), (Lines{"ZEMLO"}));
}

TEST_F(SetupThreadTest, AnEmptyFolderGetsTheProtectionAndAnUndoneRunGivesItsOwnBack)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    testfs::MakeDirs(Install());
    Widen(Install());
    const std::set<std::string> before = Writers(Install());
    ASSERT_FALSE(OnlyAdministratorsWrite(Install()));
    window.onMessage = [&](const RecordedMessage& m) {
        if (m.message == WM_SETUP_PROGRESS) {
            EXPECT_TRUE(OnlyAdministratorsWrite(Install()));
            thread.Cancel();
        }
    };
    RunInstall();
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    EXPECT_TRUE(testfs::IsDirectory(Install()));
    EXPECT_EQ(Writers(Install()), before);
}

// A product folder of an earlier installation replaced by a link to
// somebody's folder: nothing is written through it; it is put to the user
// as a folder that cannot be written (Retry or Cancel), with the reason.
TEST_F(SetupThreadTest, AFolderLinkInAnEarlierInstallationIsNeverWrittenThrough)
{
    MakeProductFolders();
    PutMediumFile("Support\\a.lsp", "lisp");
    testfs::WriteFile(temp / "Victim\\a.lsp", "somebody's");
    testfs::MakeDirs(Install());
    if (!testfs::MakeUnixSymlink(Install("Support"), temp / "Victim"))
        GTEST_SKIP() << "no links here";
    RunInstall();

    EXPECT_EQ(testfs::ReadFile(temp / "Victim\\a.lsp"), "somebody's");
    EXPECT_EQ(testfs::ListFolder(temp / "Victim"), (Lines{"a.lsp"}));
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].text.find(engine::ErrorText(engine::kErrorLinkFound)), 0u) << script.prompts[0].text;
    EXPECT_NE(script.prompts[0].text.find(Install("Support")), std::string::npos);
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(window.Count(WM_SETUP_FAILED), 1);
    testfs::RemoveUnixSymlink(Install("Support"));
}

// A product file of an earlier installation replaced by a link to
// somebody's file: it is neither written through nor recorded (a later
// uninstall would delete what it leads to); the user is asked as for a
// copy that failed and goes on without it.
TEST_F(SetupThreadTest, AFileLinkInAnEarlierInstallationIsNeverWrittenThroughNorRecorded)
{
    MakeProductFolders();
    PutMediumFile("Data\\d.dat", "data");
    testfs::WriteFile(temp / "Victim\\d.dat", "somebody's");
    testfs::MakeDirs(Install("Data"));
    if (!testfs::MakeUnixSymlink(Install("Data\\d.dat"), temp / "Victim\\d.dat"))
        GTEST_SKIP() << "no links here";
    script.answers.push_back({IDIGNORE, nullptr});
    RunInstall();

    EXPECT_EQ(testfs::ReadFile(temp / "Victim\\d.dat"), "somebody's");
    ASSERT_EQ(script.prompts.size(), 1u);
    EXPECT_EQ(script.prompts[0].text.find(engine::ErrorText(engine::kErrorLinkFound)), 0u) << script.prompts[0].text;
    EXPECT_EQ(script.prompts[0].type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONQUESTION));
    EXPECT_EQ(window.Count(WM_SETUP_DONE), 1);
    const Lines lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "File Copy: " + Install("Data\\d.dat")), 0);
    testfs::RemoveUnixSymlink(Install("Data\\d.dat"));
}
