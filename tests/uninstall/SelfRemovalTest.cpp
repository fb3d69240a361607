// The self-removal batch as text. (Running it is the work of the program
// test, which starts the real uninstaller from a sandbox drive.)
#include "SelfRemoval.h"

#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"

#include <gtest/gtest.h>

// Every path stays whole inside its quotes. 運 is DF 5C and 誠 D5 5C in
// GBK: a byte search for the last backslash would stop inside them. The
// command interpreter expands "%" in a batch file even inside quotes, so
// the batch must double it. The batch touches the program, its folder and
// itself, and waits through the system's ping between tries.
TEST(SelfRemovalBatch, BatchNamesTheProgramAndItsFolderAsTheInterpreterReadsThem)
{
    struct Case { std::string program, quotedProgram, quotedFolder; };
    const Case cases[] = {
        {"C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe", "C:\\Program Files\\Kestrova\\ZEMLO V8\\Uninstall.exe",
         "C:\\Program Files\\Kestrova\\ZEMLO V8"},
        {"D:\\土方\\運\\誠 程序.exe", "D:\\土方\\運\\誠 程序.exe", "D:\\土方\\運"},
        {"D:\\100%\\%PATH%\\Uninstall.exe", "D:\\100%%\\%%PATH%%\\Uninstall.exe", "D:\\100%%\\%%PATH%%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const std::string text =
            SelfRemovalBatchText(c.program, "C:\\Temp 1%\\DelUS-0123456789abcdef.bat", "C:\\windows\\system32");
        EXPECT_EQ(text, "@echo off\r\n"
                        ":Repeat\r\n"
                        "del \"" + c.quotedProgram + "\" 2>nul\r\n"
                        "if not exist \"" + c.quotedProgram + "\" goto Removed\r\n"
                        "\"C:\\windows\\system32\\ping.exe\" -n 2 -w 1000 127.0.0.1 >nul\r\n"
                        "goto Repeat\r\n"
                        ":Removed\r\n"
                        "rmdir \"" + c.quotedFolder + "\" 2>nul\r\n"
                        "del \"C:\\Temp 1%%\\DelUS-0123456789abcdef.bat\"\r\n");
        // No terminating zero among the bytes.
        EXPECT_EQ(text.find('\0'), std::string::npos);
    }
}

// The batch, run for a program file held open for a while: it waits, then
// deletes the program and its folder and itself, and nothing else: files planted in its folder (the names the
// batch once used, a link) stay, and its own name is new each time.
TEST(SelfRemovalBatch, BatchRemovesTheProgramItsFolderAndItselfOnly)
{
    TempDir temp;
    const std::string app = temp / "App";
    const std::string program = app + "\\Uninstall.exe";
    const std::string batchFolder = temp / "Batch";
    testfs::WriteFile(program, "program");
    testfs::MakeDirs(batchFolder);
    const std::string planted[] = {batchFolder + "\\Filedelr.avi", batchFolder + "\\DelUS.bat", temp / "Filedelr.avi"};
    for (const std::string& path : planted)
        testfs::WriteFile(path, "mine");

    winlib::ScopedHandle held(::CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            0, nullptr));
    ASSERT_TRUE(held.valid());
    winlib::ScopedProcessInformation process;
    std::string batch;
    ASSERT_TRUE(LaunchSelfRemovalBatch(program, batchFolder, process, &batch));
    EXPECT_EQ(winlib::ParentFolder(batch), batchFolder);
    EXPECT_EQ(batch.size(), batchFolder.size() + std::string("\\DelUS-0123456789abcdef.bat").size());
    winlib::ScopedProcessInformation second;
    std::string secondBatch;
    ASSERT_TRUE(LaunchSelfRemovalBatch(program, batchFolder, second, &secondBatch));
    EXPECT_NE(batch, secondBatch);
    ::TerminateProcess(second.process_handle(), 0);
    ::WaitForSingleObject(second.process_handle(), 5000);
    ::DeleteFileA(secondBatch.c_str());

    ::ResumeThread(process.thread_handle());
    // Held for three seconds: the batch keeps trying, about once a second,
    // and neither gives up nor takes anything meanwhile. (What its waiting
    // costs in CPU time is the self-removal benchmark's figure.)
    EXPECT_EQ(::WaitForSingleObject(process.process_handle(), 3000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(testfs::Exists(program));
    EXPECT_TRUE(testfs::Exists(batch));
    held.reset();

    ASSERT_EQ(::WaitForSingleObject(process.process_handle(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(testfs::Exists(program));
    EXPECT_FALSE(testfs::Exists(app));
    EXPECT_FALSE(testfs::Exists(batch));
    for (const std::string& path : planted)
        EXPECT_EQ(testfs::ReadFile(path), "mine") << path;
}
