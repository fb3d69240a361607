// The self-removal batch as text. (Running it is the work of the program
// test, which starts the real uninstaller from a sandbox drive.)
#include "SelfRemoval.h"

#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/FileSecurity.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"

#include <gtest/gtest.h>

// Every path stays whole inside its quotes. 運 is DF 5C and 誠 D5 5C in
// GBK: a byte search for the last backslash would stop inside them. The
// command interpreter expands "%" in a batch file even inside quotes, so
// the batch must double it. The batch touches the program, its folder and
// itself with its own folder, and waits through the system's ping between
// tries.
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
                        "del \"C:\\Temp 1%%\\DelUS-0123456789abcdef.bat\" & start \"\" /b "
                        "\"C:\\windows\\system32\\cmd.exe\" /d /c \"\"C:\\windows\\system32\\ping.exe\" -n 3 "
                        "127.0.0.1 >nul & rmdir \"C:\\Temp 1%%\" 2>nul\"\r\n");
        // No terminating zero among the bytes.
        EXPECT_EQ(text.find('\0'), std::string::npos);
    }
}

// The batch, run for a program file held open for a while: it waits, then
// deletes the program and its folder and itself with its own folder, and
// nothing else: files planted in the folder it is made in (the names the
// batch once used) stay, and its own name and folder are new each time.
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
    SelfRemovalHold hold;
    ASSERT_TRUE(LaunchSelfRemovalBatch(program, batchFolder, process, &batch, &hold));
    ASSERT_TRUE(hold.batch.valid() && hold.folder.valid());
    const std::string ownFolder = winlib::ParentFolder(batch);
    EXPECT_EQ(winlib::ParentFolder(ownFolder), batchFolder);
    EXPECT_EQ(ownFolder.size(), batchFolder.size() + std::string("\\ZEMLO-Remove-0123456789abcdef").size());
    EXPECT_EQ(batch.size(), ownFolder.size() + std::string("\\DelUS-0123456789abcdef.bat").size());
    winlib::ScopedProcessInformation second;
    std::string secondBatch;
    ASSERT_TRUE(LaunchSelfRemovalBatch(program, batchFolder, second, &secondBatch));
    EXPECT_NE(batch, secondBatch);
    EXPECT_NE(ownFolder, winlib::ParentFolder(secondBatch));
    ::TerminateProcess(second.process_handle(), 0);
    ::WaitForSingleObject(second.process_handle(), 5000);
    ::DeleteFileA(secondBatch.c_str());
    ::RemoveDirectoryA(winlib::ParentFolder(secondBatch).c_str());

    ::ResumeThread(process.thread_handle());
    // Held for three seconds: the batch keeps trying, about once a second,
    // and neither gives up nor takes anything meanwhile. (What its waiting
    // costs in CPU time is the self-removal benchmark's figure.)
    EXPECT_EQ(::WaitForSingleObject(process.process_handle(), 3000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(testfs::Exists(program));
    EXPECT_TRUE(testfs::Exists(batch));
    held.reset();
    hold.reset();

    ASSERT_EQ(::WaitForSingleObject(process.process_handle(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(testfs::Exists(program));
    EXPECT_FALSE(testfs::Exists(app));
    EXPECT_FALSE(testfs::Exists(batch));
    // Its own folder goes a moment after the batch has ended, from the
    // interpreter its last line starts (Wine's keeps the batch open until
    // it ends, so the file it deleted is still there for that line).
    bool folderGone = false;
    for (int wait = 0; wait < 100 && !folderGone; ++wait) {
        folderGone = !testfs::Exists(ownFolder);
        if (!folderGone)
            ::Sleep(100);
    }
    EXPECT_TRUE(folderGone) << ownFolder;
    ::RemoveDirectoryA(ownFolder.c_str());
    for (const std::string& path : planted)
        EXPECT_EQ(testfs::ReadFile(path), "mine") << path;
}

// While the uninstaller holds it, nobody can write, replace, rename or
// delete the batch that the elevated interpreter is going to read, nor
// rename its folder, which, made new, lets only administrators change
// anything in it. The
// interpreter can still read it, and it runs as written.
TEST(SelfRemovalBatch, BatchCannotBeChangedWhileItWaits)
{
    TempDir temp;
    const std::string app = temp / "App";
    const std::string program = app + "\\Uninstall.exe";
    const std::string victim = temp / "victim.txt";
    testfs::WriteFile(program, "program");
    testfs::WriteFile(victim, "mine");
    winlib::ScopedHandle held(::CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            0, nullptr));
    ASSERT_TRUE(held.valid());
    winlib::ScopedProcessInformation process;
    SelfRemovalHold hold;
    std::string batch;
    ASSERT_TRUE(LaunchSelfRemovalBatch(program, temp / "", process, &batch, &hold));
    // Read as the interpreter reads it, sharing writing with the hold.
    auto read = [&batch] {
        winlib::ScopedHandle reader(::CreateFileA(batch.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        char buffer[4096] = {};
        DWORD got = 0;
        return reader.valid() && ::ReadFile(reader.get(), buffer, sizeof(buffer), &got, nullptr)
                   ? std::string(buffer, got)
                   : std::string();
    };
    const std::string written = read();
    ASSERT_FALSE(written.empty()) << "the batch cannot be read beside its hold";

    const std::string inserted = "del \"" + victim + "\"\r\n";
    {
        winlib::ScopedHandle writer(::CreateFileA(batch.c_str(), GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(writer.valid()) << "the batch could be opened for writing";
        if (writer.valid()) {
            DWORD done = 0;
            ::WriteFile(writer.get(), inserted.data(), static_cast<DWORD>(inserted.size()), &done, nullptr);
        }
    }
    EXPECT_FALSE(::MoveFileExA(batch.c_str(), (batch + ".old").c_str(), 0)) << "the batch could be renamed";
    EXPECT_FALSE(::DeleteFileA(batch.c_str())) << "the batch could be deleted";
    EXPECT_FALSE(::MoveFileExA(winlib::ParentFolder(batch).c_str(), (temp / "moved").c_str(), 0))
        << "the batch's folder could be renamed";
    EXPECT_EQ(read(), written);
    {
        winlib::ScopedHandle folder(::CreateFileA(winlib::ParentFolder(batch).c_str(), READ_CONTROL,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(folder.valid());
        EXPECT_TRUE(winlib::OnlyAdministratorsMayChange(folder.get()));
    }

    ::ResumeThread(process.thread_handle());
    held.reset();
    hold.reset();
    ASSERT_EQ(::WaitForSingleObject(process.process_handle(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(testfs::Exists(program));
    EXPECT_FALSE(testfs::Exists(batch));
    EXPECT_EQ(testfs::ReadFile(victim), "mine");
    ::RemoveDirectoryA(winlib::ParentFolder(batch).c_str());
}
