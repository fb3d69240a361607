// UserSetup: the per-user step of an installation for all users. Active
// Setup runs it once per user and version at the user's logon, as that
// user, without elevation: it writes the user's AutoCAD profiles
// "<<enggZEMLO V8>>" for every AutoCAD release on the machine, by the same
// rules and code as Setup's own AutoCAD step, for the installation in the
// program's own folder. It shows no window, asks nothing, writes nothing
// machine-wide, and gives the same result however often it runs.
//
//   UserSetup.exe /PROFILE
//
// Exit code 0 when every release found got its profile, 1603 when a value
// could not be written, 1639 for any other command line.
#include "engine/AcadProfiles.h"
#include "runfront/CommandLine.h"
#include "installlog/Contract.h"
#include "runfront/ExitCodes.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"

namespace {

class CUserSetupApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        const std::string arguments = winlib::Trim(std::string(runfront::SkipProgramName(
            ::GetCommandLineA(), [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; })));
        if (!winlib::EqualNoCase(arguments, installlog::kUserSetupSwitch)) {
            m_nExitCode = runfront::kExitBadCommandLine;
            return FALSE;
        }
        std::string folder = winlib::ProgramFolder();
        winlib::AppendBackslash(folder);
        m_nExitCode = engine::ConfigureRunningUser(folder) ? runfront::kExitSuccess : runfront::kExitFailed;
        return FALSE;
    }
    int ExitInstance() override { return m_nExitCode; }

private:
    int m_nExitCode = runfront::kExitFailed;
};

CUserSetupApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
