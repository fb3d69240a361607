#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/StdioFile.h"

#include <gtest/gtest.h>

// Whole logs written and read in text mode are checked by the engine tests
// (CR LF on disk) and the uninstall tests (LF in memory).
TEST(StdioFile, TextModeReadTurnsCrLfIntoLfEvenAcrossReadsAndKeepsLoneCrs)
{
    TempDir temp;
    const std::string path = temp / "t.txt";
    testfs::WriteFile(path, "ab\r\ncd\rx\r");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText));
    char buffer[16] = {};
    // The first read ends on the CR of a CR LF.
    ASSERT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "ab\n");
    const int got = file.Read(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, got), "cd\rx\r");
}

TEST(StdioFile, TextModeWriteTurnsEveryLfIntoCrLfAcrossItsBlocks)
{
    // The text goes out in blocks of 64 KB: LFs as the first and the last
    // character of the text and of its blocks, two LFs across a block end,
    // and a lone CR, which stays as it is.
    std::string text(3 * 65536 + 10, 'x');
    for (std::size_t at : {0u, 65535u, 65536u, 131070u, 131071u, 131072u, 196607u, 196608u + 9u})
        text[at] = '\n';
    text[100] = '\r';
    std::string expected;
    for (char c : text)
        expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    TempDir temp;
    const std::string path = temp / "w.txt";
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText));
    ASSERT_TRUE(file.Write(text.data(), static_cast<UINT>(text.size())));
    ASSERT_TRUE(file.Close());
    EXPECT_TRUE(testfs::ReadFile(path) == expected) << testfs::ReadFile(path).size() << " bytes, " << expected.size()
                                                     << " expected";
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
