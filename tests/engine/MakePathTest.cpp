#include "engine/SetupThread.h"

#include <gtest/gtest.h>

TEST(MakePath, JoinsWithOneBackslash)
{
    EXPECT_EQ(CSetupThread::MakePath("D:\\Soft", "a.lsp"), "D:\\Soft\\a.lsp");
    EXPECT_EQ(CSetupThread::MakePath("D:\\Soft\\", "a.lsp"), "D:\\Soft\\a.lsp");
    EXPECT_EQ(CSetupThread::MakePath("D:/Soft/", "a.lsp"), "D:/Soft/a.lsp");
    EXPECT_EQ(CSetupThread::MakePath("D:\\", "a.lsp"), "D:\\a.lsp");
}

TEST(MakePath, FolderOfTwoCharactersOrFewerIsDropped)
{
    EXPECT_EQ(CSetupThread::MakePath("D:", "a.lsp"), "a.lsp");
    EXPECT_EQ(CSetupThread::MakePath("", "a.lsp"), "a.lsp");
    EXPECT_EQ(CSetupThread::MakePath("x", "a.lsp"), "a.lsp");
}

TEST(MakePath, GbkTrailBackslashIsNotASeparator)
{
    // The folder ends in 淺 (9C 5C): its last character is not a
    // backslash, so one is added.
    EXPECT_EQ(CSetupThread::MakePath("D:\\淺", "a"), "D:\\淺\\a");
    EXPECT_EQ(CSetupThread::MakePath("D:\\淺\\", "a"), "D:\\淺\\a");
}
