#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/StdioFile.h"

#include <gtest/gtest.h>

#include <vector>

TEST(StdioFile, TextModeWritesCrLfAndReadsLfEvenAcrossReads)
{
    TempDir temp;
    const std::string path = temp / "t.txt";
    const std::string text = "line 1\nline 2\n\nend";
    {
        CStdioFile file;
        CFileException error;
        ASSERT_TRUE(file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText,
                              &error));
        ASSERT_TRUE(file.Write(text.data(), static_cast<UINT>(text.size()), &error));
        ASSERT_TRUE(file.Close(&error));
    }
    EXPECT_EQ(testfs::ReadFile(path), "line 1\r\nline 2\r\n\r\nend");
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText));
        ASSERT_EQ(file.GetLength(), 21);
        std::vector<char> buffer(21);
        ASSERT_EQ(file.Read(buffer.data(), 21), static_cast<int>(text.size()));
        EXPECT_EQ(std::string(buffer.data(), text.size()), text);
    }
    // A read that ends on the CR of a CR LF; lone CRs stay.
    testfs::WriteFile(path, "ab\r\ncd\rx\r");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText));
    char buffer[16] = {};
    ASSERT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "ab\n");
    const int got = file.Read(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, got), "cd\rx\r");
}

TEST(StdioFile, OpenFailureFillsTheFileError)
{
    TempDir temp;
    const std::string path = temp / "missing\\x.log";
    CStdioFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_EQ(error.m_strFileName, path);
    const std::string message = error.GetErrorMessage();
    EXPECT_EQ(message.find(path), 0u);
    EXPECT_GT(message.size(), path.size() + 1);
    // Reading an unopened file is an error too, not a crash.
    char c;
    EXPECT_EQ(file.Read(&c, 1, &error), -1);
    EXPECT_EQ(error.m_cause, CFileException::invalidFile);
}
