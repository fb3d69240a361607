// The control registration in a child process: what it refuses to start
// and how a registration that cannot work is reported. (The engine tests
// run it on probe controls that register, fail, crash and hang.)
#include "TempDir.h"
#include "winlib/ControlProcess.h"

#include <gtest/gtest.h>

#include <cstdio>

using winlib::ControlCallResult;
using winlib::RunControlServer;

TEST(RunControlServer, RefusesWhatCannotBeQuotedAndReportsAFailedRegistration)
{
    // Nothing to name, or a quotation mark that would end the quoted path
    // and let the rest pass as further arguments: no process is started.
    EXPECT_EQ(RunControlServer("", false, 10000), ControlCallResult::NotStarted);
    EXPECT_EQ(RunControlServer("C:\\a\" /u \"C:\\b.ocx", false, 10000), ControlCallResult::NotStarted);
    // A name that is not a full path would be looked up along regsvr32's
    // search path: refused too, whatever form it takes.
    for (const char* relative : {"kernel32.dll", "Controls\\x.ocx", "\\x.ocx", "C:x.ocx"})
        EXPECT_EQ(RunControlServer(relative, false, 10000), ControlCallResult::NotStarted) << relative;

    // A missing file and a file that is no module both fail, both ways.
    TempDir temp;
    EXPECT_EQ(RunControlServer(temp / "missing.ocx", false, 30000), ControlCallResult::Failed);
    const std::string text = temp / "text.ocx";
    FILE* file = std::fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("not a module", file);
    std::fclose(file);
    EXPECT_EQ(RunControlServer(text, false, 30000), ControlCallResult::Failed);
    EXPECT_EQ(RunControlServer(text, true, 30000), ControlCallResult::Failed);
}
