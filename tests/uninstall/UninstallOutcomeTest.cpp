// What a run left and everything said about it: the finished text, the list
// behind the finish button, the run log's closing records and the exit
// code, all read from one outcome.
#include "UninstallOutcome.h"

#include "runfront/ExitCodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Records = std::vector<std::string>;

// The count of what is left, as each view states it.
struct Counted {
    std::string finished;  // the finished text's opening
    std::string logged;    // the run log's first closing record
};

Counted CountedAs(unsigned n)
{
    if (n == 0)
        return {"卸载完成!", "卸载完成"};
    return {"卸载完成，但有 " + std::to_string(n) + " 项未能删除。", "卸载完成，但有 " + std::to_string(n) + " 项未能删除"};
}

TEST(UninstallOutcome, EveryViewCountsTheEntriesAndTheFolderLeftAlike)
{
    struct Case {
        const char* name;
        std::vector<LeftEntry> left;
        std::string folder;
        unsigned count;
    };
    const Case cases[] = {
        {"nothing left", {}, "", 0},
        {"an entry", {{"File Copy: C:\\ZEMLO\\readme.txt", LeftReason::NotRemoved}}, "", 1},
        // The folder alone is one item left: the window, the run log and the
        // exit code all say so.
        {"only the folder", {}, "C:\\ZEMLO", 1},
        {"entries and the folder",
         {{"Made Dir: C:\\ZEMLO\\Support", LeftReason::NotRemoved}, {"RegDB Key: 1,Software\\x", LeftReason::Refused}},
         "C:\\ZEMLO",
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UninstallOutcome outcome;
        for (const LeftEntry& entry : c.left)
            outcome.AddLeft(entry.text, entry.reason);
        if (!c.folder.empty())
            outcome.SetFolderLeft(c.folder);

        EXPECT_EQ(outcome.Complete(), c.count == 0);
        EXPECT_EQ(outcome.LeftCount(), c.count);
        EXPECT_EQ(outcome.ExitCode(), c.count == 0 ? runfront::kExitSuccess : runfront::kExitFailedIncomplete);
        const Counted counted = CountedAs(c.count);
        const std::string finished = outcome.FinishedText();
        EXPECT_EQ(finished.compare(0, counted.finished.size(), counted.finished), 0) << finished;
        const Records records = outcome.RunLogRecords();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.front(), counted.logged);
        // Each entry and the folder once in the run log, nothing else.
        EXPECT_EQ(records.size(), 1 + c.count);
        if (!c.folder.empty()) {
            EXPECT_EQ(records.back(), "留下文件夹: " + c.folder);
            EXPECT_NE(finished.find("文件夹“" + c.folder + "”未能删除。"), std::string::npos) << finished;
            EXPECT_NE(outcome.LeftListText().find(c.folder + "（文件夹）\n"), std::string::npos);
        }
    }
}

TEST(UninstallOutcome, RestartIsNamedWhereTheRestIs)
{
    UninstallOutcome outcome;
    outcome.AddLeft("File Copy: C:\\ZEMLO\\readme.txt", LeftReason::RemovedAtRestart);
    outcome.SetRestartNeeded();
    outcome.SetFolderLeft("C:\\ZEMLO");

    EXPECT_EQ(outcome.ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成，但有 2 项未能删除。重新启动计算机后即可删除正在使用的文件。"
                                      "文件夹“C:\\ZEMLO”未能删除。按“完成”查看未能删除的项目。");
    EXPECT_EQ(outcome.RunLogRecords(),
              (Records{"卸载完成，但有 2 项未能删除", "留下: File Copy: C:\\ZEMLO\\readme.txt（正在使用，重新启动后删除）",
                       "留下文件夹: C:\\ZEMLO", "重新启动计算机后删除正在使用的文件"}));
    EXPECT_EQ(outcome.LeftListText(), "以下项目未能删除，请手动删除：\n\n"
                                      "File Copy: C:\\ZEMLO\\readme.txt（正在使用，重新启动后删除）\n"
                                      "C:\\ZEMLO（文件夹）\n");
}

// When what is left is in use and waits for the restart, and the folder
// goes then too, the restart completes the removal: 3010, and every view
// says so. Anything else left beside it, or the folder staying, makes it a
// failure in part again, whose text names the folder.
TEST(UninstallOutcome, OnlyWhatWaitsForTheRestartEndsWith3010)
{
    UninstallOutcome outcome;
    outcome.AddLeft("File Copy: C:\\ZEMLO\\readme.txt", LeftReason::RemovedAtRestart);
    outcome.AddLeft("Made Dir: C:\\ZEMLO\\Support", LeftReason::RemovedAtRestart);
    outcome.SetRestartNeeded();
    outcome.SetFolderAtRestart("C:\\ZEMLO");

    EXPECT_FALSE(outcome.Complete());
    EXPECT_TRUE(outcome.RestartCompletes());
    EXPECT_EQ(outcome.LeftCount(), 2u);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitRestartNeeded);
    EXPECT_EQ(outcome.ExitCode(), 3010);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成，有 2 项正在使用，将在重新启动计算机后删除。重新启动计算机即可完成卸载。"
                                      "按“完成”查看这些项目。");
    EXPECT_EQ(outcome.LeftListText(), "以下项目正在使用，将在重新启动计算机后删除：\n\n"
                                      "File Copy: C:\\ZEMLO\\readme.txt（正在使用，重新启动后删除）\n"
                                      "Made Dir: C:\\ZEMLO\\Support（正在使用，重新启动后删除）\n"
                                      "C:\\ZEMLO（文件夹，重新启动后删除）\n");
    EXPECT_EQ(outcome.RunLogRecords(),
              (Records{"卸载完成，重新启动计算机后完成卸载", "留下: File Copy: C:\\ZEMLO\\readme.txt（正在使用，重新启动后删除）",
                       "留下: Made Dir: C:\\ZEMLO\\Support（正在使用，重新启动后删除）",
                       "重新启动后删除文件夹: C:\\ZEMLO",
                       "重新启动计算机即可完成卸载: 正在使用的文件将在重新启动后删除"}));
    EXPECT_EQ(std::string(runfront::ExitCodeMeaning(outcome.ExitCode())), "成功, 重新启动计算机后完成");

    // The folder stays (it could not be scheduled): a failure that names it.
    UninstallOutcome folderStays = outcome;
    folderStays.SetFolderLeft("C:\\ZEMLO");
    EXPECT_FALSE(folderStays.RestartCompletes());
    EXPECT_EQ(folderStays.ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_NE(folderStays.FinishedText().find("文件夹“C:\\ZEMLO”未能删除。"), std::string::npos)
        << folderStays.FinishedText();
    // Another entry that could not be removed at all.
    UninstallOutcome other = outcome;
    other.AddLeft("File Copy: C:\\ZEMLO\\x.txt", LeftReason::NotRemoved);
    EXPECT_FALSE(other.RestartCompletes());
    EXPECT_EQ(other.ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_EQ(other.FinishedText().rfind("卸载完成，但有 3 项未能删除。重新启动计算机后即可删除正在使用的文件。", 0), 0u)
        << other.FinishedText();
    // A control left registered is no file in use either.
    UninstallOutcome control = outcome;
    control.AddLeft("Reg Ctrl: C:\\ZEMLO\\x.ocx", LeftReason::NotUnregistered);
    EXPECT_EQ(control.ExitCode(), runfront::kExitFailedIncomplete);
    // Nothing in use at all: no restart, whatever else is said.
    UninstallOutcome none;
    none.SetRestartNeeded();
    EXPECT_EQ(none.ExitCode(), runfront::kExitSuccess);
}

// Entries kept as another installation's are listed and logged, counted in
// a sentence of their own, and fail nothing: with nothing else left the run
// succeeds; beside what is left they leave the count of it alone.
TEST(UninstallOutcome, EntriesKeptAsAnothersAreNamedButFailNothing)
{
    UninstallOutcome outcome;
    outcome.AddLeft("File Copy: C:\\Desktop\\ZEMLO.lnk", LeftReason::ForeignShortcut);
    outcome.AddLeft("Made Dir: C:\\Programs\\direveradi ZEMLO V8.0", LeftReason::HoldsForeign);
    EXPECT_TRUE(outcome.Complete());
    EXPECT_TRUE(outcome.Listed());
    EXPECT_EQ(outcome.LeftCount(), 0u);
    EXPECT_EQ(outcome.KeptCount(), 2u);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitSuccess);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成!有 2 项属于其他安装，予以保留。按“完成”查看这些项目。");
    EXPECT_EQ(outcome.LeftListText(), "以下项目不属于本安装，予以保留：\n\n"
                                      "File Copy: C:\\Desktop\\ZEMLO.lnk（不是指向本安装的快捷方式，予以保留）\n"
                                      "Made Dir: C:\\Programs\\direveradi ZEMLO V8.0（其中有不属于本安装的快捷方式，予以保留）\n");
    EXPECT_EQ(outcome.RunLogRecords(),
              (Records{"卸载完成", "保留: File Copy: C:\\Desktop\\ZEMLO.lnk（不是指向本安装的快捷方式，予以保留）",
                       "保留: Made Dir: C:\\Programs\\direveradi ZEMLO V8.0（其中有不属于本安装的快捷方式，予以保留）"}));

    outcome.AddLeft("File Copy: C:\\ZEMLO\\readme.txt", LeftReason::RemovedAtRestart);
    outcome.SetRestartNeeded();
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitRestartNeeded);
    EXPECT_EQ(outcome.FinishedText(), "卸载完成，有 1 项正在使用，将在重新启动计算机后删除。重新启动计算机即可完成卸载。"
                                      "另有 2 项属于其他安装，予以保留。按“完成”查看这些项目。");
    outcome.AddLeft("File Copy: C:\\ZEMLO\\x.txt", LeftReason::NotRemoved);
    EXPECT_EQ(outcome.ExitCode(), runfront::kExitFailedIncomplete);
    EXPECT_EQ(outcome.FinishedText().rfind("卸载完成，但有 2 项未能删除。", 0), 0u) << outcome.FinishedText();
    EXPECT_EQ(outcome.RunLogRecords().front(), "卸载完成，但有 2 项未能删除");

    UninstallOutcome clean;
    EXPECT_FALSE(clean.Listed());
}

// The list is shown in a message box: whatever a (tampered) log held, each
// entry is one line of at most 200 bytes cut at a whole character, with the
// same reason the run log gives, and at most 25 entries are listed.
TEST(UninstallOutcome, LeftListShowsEachEntryOnOneBoundedLineWithItsReason)
{
    UninstallOutcome outcome;
    // 3 bytes, then double-byte characters: byte 200 is the second half of
    // one of them.
    const std::string wide = "C:\\" + [] {
        std::string text;
        for (int i = 0; i < 150; ++i)
            text += "土";
        return text;
    }();
    outcome.AddLeft("File Copy: C:\\a\r\nFile Copy: C:\\b\tc", LeftReason::Refused);
    outcome.AddLeft(wide, LeftReason::NotRemoved);
    outcome.AddLeft("Reg Ctrl: C:\\ZEMLO\\Controls\\x.ocx", LeftReason::NotUnregistered);
    for (int i = 3; i < 30; ++i)
        outcome.AddLeft("File Copy: C:\\ZEMLO\\f" + std::to_string(i), LeftReason::RemovedAtRestart);

    std::vector<std::string> lines;
    const std::string list = outcome.LeftListText();
    for (std::size_t from = 0; from < list.size();) {
        const std::size_t end = list.find('\n', from);
        ASSERT_NE(end, std::string::npos) << "every line ends";
        lines.push_back(list.substr(from, end - from));
        from = end + 1;
    }
    // The heading, a blank line, 25 entries, the rest counted.
    ASSERT_EQ(lines.size(), 2u + 25u + 1u);
    EXPECT_EQ(lines[2], std::string("File Copy: C:\\a??File Copy: C:\\b?c（") + LeftReasonText(LeftReason::Refused) +
                            "）");
    EXPECT_EQ(lines[3], wide.substr(0, 199) + "（" + LeftReasonText(LeftReason::NotRemoved) + "）");
    EXPECT_EQ(lines[4], std::string("Reg Ctrl: C:\\ZEMLO\\Controls\\x.ocx（") +
                            LeftReasonText(LeftReason::NotUnregistered) + "）");
    EXPECT_EQ(lines[26], "File Copy: C:\\ZEMLO\\f24（" + std::string(LeftReasonText(LeftReason::RemovedAtRestart)) + "）");
    EXPECT_EQ(lines[27], "……另有 5 项");

    // The run log names every entry, whole (the log makes it one line).
    const Records records = outcome.RunLogRecords();
    ASSERT_EQ(records.size(), 1u + 30u);
    EXPECT_EQ(records[0], "卸载完成，但有 30 项未能删除");
    EXPECT_EQ(records[2], "留下: " + wide + "（" + LeftReasonText(LeftReason::NotRemoved) + "）");
    EXPECT_EQ(records[3], std::string("留下: Reg Ctrl: C:\\ZEMLO\\Controls\\x.ocx（控件未能注销）"));
    EXPECT_EQ(std::string(LeftReasonText(LeftReason::Refused)), "不属于本软件，未予处理");
}

}  // namespace
