#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstaller/portable/rules.h"

namespace {

void Collect(const char *path, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(path);
}

// Feeds the text in pieces of the given size, as the reader does with its
// buffer, and returns every path handed over.
std::vector<std::string> Paths(const std::string &text, size_t piece)
{
    std::vector<std::string> paths;
    LogLineState state;
    LogLinesStart(&state);
    for (size_t at = 0; at < text.size(); at += piece)
        LogLinesFeed(&state, text.data() + at, std::min(piece, text.size() - at), Collect, &paths);
    LogLinesFinish(&state, Collect, &paths);
    return paths;
}

} // namespace

TEST(UninstallerLog, LinesAreSplitWhateverThePieceSize)
{
    const std::string log =
        "C:\\WINDOWS\\Drift.scr\r\n"
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\Drift.dat\r\n"
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\UNINSTAL.EXE\r\n"
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\FILE0016.MID\r\n";
    const std::vector<std::string> expected = {
        "C:\\WINDOWS\\Drift.scr",
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\Drift.dat",
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\UNINSTAL.EXE",
        "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift\\FILE0016.MID",
    };
    for (size_t piece : {1, 2, 3, 7, 64, 4096})
        EXPECT_EQ(Paths(log, piece), expected) << piece;
}

TEST(UninstallerLog, BareLineEndsBlankLinesAndAMissingLastEnd)
{
    EXPECT_EQ(Paths("C:\\a\\b\n\r\n\n\\\\srv\\share\\c", 5),
              (std::vector<std::string>{"C:\\a\\b", "\\\\srv\\share\\c"}));
    EXPECT_TRUE(Paths("", 1).empty());
    EXPECT_TRUE(Paths("\r\n\r\n", 1).empty());
}

TEST(UninstallerLog, OverLongLinesAreSkippedWholeAndTheNextLineIsKept)
{
    // 259 characters fit a path buffer; 260 do not.
    std::string fits = "C:\\" + std::string(256, 'f');
    std::string tooLong = "C:\\" + std::string(257, 'x');
    ASSERT_EQ(fits.size(), 259u);
    for (size_t piece : {1, 100, 1000}) {
        EXPECT_EQ(Paths(fits + "\r\n" + tooLong + "\r\nC:\\next\r\n", piece),
                  (std::vector<std::string>{fits, "C:\\next"}))
            << piece;
        // The over-long line's tail never becomes a path of its own, not even
        // when the tail itself looks like one.
        EXPECT_EQ(Paths(tooLong + "C:\\Windows\\important.dll\r\n", piece),
                  std::vector<std::string>{});
        EXPECT_TRUE(Paths(tooLong, piece).empty());
        EXPECT_EQ(Paths(fits + "\n" + fits, piece), (std::vector<std::string>{fits, fits}));
    }
}

TEST(UninstallerLog, OnlyFullPathsOfFilesAreRemovable)
{
    for (const char *path : {"C:\\a", "c:\\Program Files\\x y\\z.scr", "\\\\server\\share\\f.dat",
                             "C:\\dir.with.dots\\..name", "C:\\a\\\xe9t\xe9.mid"})
        EXPECT_TRUE(IsRemovablePath(path)) << path;
    for (const char *path :
         {"", "C:", "C:\\", "C:a", "a.txt", "\\root\\file", "C:\\dir\\", "C:\\a\\*.*",
          "C:\\a\\file?.mid", "C:\\a\\..\\Windows\\x", "C:\\a\\.\\x", "C:\\a\\\\b",
          "C:\\a\\b:stream", "C:\\a\\\"b\"", "C:\\a\tb", "\\\\server", "\\\\server\\share",
          "\\\\server\\\\f", "\\\\?\\C:\\x", "\\\\.\\pipe\\x", "1:\\x"})
        EXPECT_FALSE(IsRemovablePath(path)) << path;
}

TEST(UninstallerLog, LinesThatAreNoPathsAreSkipped)
{
    EXPECT_EQ(Paths("relative.txt\r\nC:\\Windows\\*.scr\r\nC:\\ok.scr\r\n", 4),
              std::vector<std::string>{"C:\\ok.scr"});
}

TEST(UninstallerPlace, OwnPathGivesFolderAndBaseName)
{
    char folder[kPathBufferSize];
    char base[kPathBufferSize];
    ASSERT_TRUE(SplitOwnPath("C:\\ProgramData\\Quillmoor\\Glimmerkit\\Night Sky\\UNINSTAL.EXE",
                             folder, sizeof folder, base, sizeof base));
    EXPECT_STREQ(folder, "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Night Sky");
    EXPECT_STREQ(base, "Night Sky");

    EXPECT_FALSE(SplitOwnPath("C:\\UNINSTAL.EXE", folder, sizeof folder, base, sizeof base));
    EXPECT_FALSE(SplitOwnPath("UNINSTAL.EXE", folder, sizeof folder, base, sizeof base));
    // Parts that do not fit are refused, not cut.
    char small[8];
    EXPECT_FALSE(SplitOwnPath("C:\\Data\\Long name\\U.EXE", folder, sizeof folder, small, sizeof small));
    EXPECT_FALSE(SplitOwnPath("C:\\Data\\x\\U.EXE", small, sizeof small, base, sizeof base));
}

TEST(UninstallerPlace, LevelsUpToQuillmoorOnlyInTheDataFolderLayout)
{
    char levels[kDataFolderLevels][kPathBufferSize];
    ASSERT_EQ(DataFolderLevels("C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift", levels), 3);
    EXPECT_STREQ(levels[0], "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Drift");
    EXPECT_STREQ(levels[1], "C:\\ProgramData\\Quillmoor\\Glimmerkit");
    EXPECT_STREQ(levels[2], "C:\\ProgramData\\Quillmoor");

    // Case does not matter, a trailing backslash neither; the fallback place
    // under the Windows directory has the same three levels.
    ASSERT_EQ(DataFolderLevels("C:\\WINDOWS\\All Users\\Application Data\\QUILLMOOR\\glimmerkit\\D\\",
                               levels),
              3);
    EXPECT_STREQ(levels[0], "C:\\WINDOWS\\All Users\\Application Data\\QUILLMOOR\\glimmerkit\\D");
    EXPECT_STREQ(levels[2], "C:\\WINDOWS\\All Users\\Application Data\\QUILLMOOR");

    for (const char *folder :
         {"C:\\Tools\\Drift", "C:\\Quillmoor\\Other\\Drift", "C:\\Glimmerkit\\Quillmoor\\Drift",
          "Quillmoor\\Glimmerkit\\Drift", "C:\\Quillmoor\\Glimmerkit\\", "C:\\xQuillmoor\\Glimmerkit\\D",
          "C:\\Quillmoor\\Glimmerkitx\\D", ""})
        EXPECT_EQ(DataFolderLevels(folder, levels), 0) << folder;
}

TEST(UninstallerPaths, CaseOfAsciiLettersOnlyIsIgnored)
{
    EXPECT_TRUE(SamePath("C:\\WINDOWS\\Drift.scr", "c:\\windows\\DRIFT.SCR"));
    EXPECT_FALSE(SamePath("C:\\a", "C:\\ab"));
    EXPECT_FALSE(SamePath("C:\\ab", "C:\\a"));
    EXPECT_FALSE(SamePath("C:\\\xc9", "C:\\\xe9"));
    EXPECT_TRUE(SamePath("", ""));
}

TEST(UninstallerPaths, ScreenSaverEntryMatchesLongOrShortForm)
{
    const char *longPath = "C:\\windows\\Night Sky.scr";
    const char *shortPath = "C:\\windows\\NIGHTS~1.SCR";
    EXPECT_TRUE(EntryNamesFile("C:\\WINDOWS\\NIGHTS~1.SCR", longPath, shortPath));
    EXPECT_TRUE(EntryNamesFile("c:\\windows\\night sky.scr", longPath, shortPath));
    EXPECT_TRUE(EntryNamesFile("  \"C:\\windows\\NIGHTS~1.SCR\" ", longPath, shortPath));
    // Another screen saver, a different folder, a prefix of the path.
    EXPECT_FALSE(EntryNamesFile("C:\\windows\\OTHER.SCR", longPath, shortPath));
    EXPECT_FALSE(EntryNamesFile("C:\\windows\\system32\\NIGHTS~1.SCR", longPath, shortPath));
    EXPECT_FALSE(EntryNamesFile("C:\\windows\\Night", longPath, shortPath));
    // No short form known (the file is gone): an empty value must not match it.
    EXPECT_FALSE(EntryNamesFile("", longPath, ""));
    EXPECT_FALSE(EntryNamesFile("\"\"", longPath, ""));
    EXPECT_TRUE(EntryNamesFile(longPath, longPath, ""));
}

TEST(UninstallerSwitches, SilentSwitchIsAWordOfItsOwn)
{
    UninstallSwitches switches;
    for (const char *line : {"/s", "/S", "-s", "-S", "  /s  ", "/x /s", "\"/s\""}) {
        ASSERT_TRUE(ParseUninstallSwitches(line, &switches)) << line;
        EXPECT_TRUE(switches.silent) << line;
        EXPECT_FALSE(switches.cleanup) << line;
    }
    for (const char *line : {"", "/silent", "s", "/sx", "a/s", "/x", "--s"}) {
        ASSERT_TRUE(ParseUninstallSwitches(line, &switches)) << line;
        EXPECT_FALSE(switches.silent) << line;
    }
    ASSERT_TRUE(ParseUninstallSwitches(nullptr, &switches));
    EXPECT_FALSE(switches.silent);
}

TEST(UninstallerSwitches, CleanupLineCarriesHandleAndPaths)
{
    UninstallSwitches switches;
    ASSERT_TRUE(ParseUninstallSwitches(
        TEXT_CLEANUP_SWITCH " 1234 \"C:\\users\\u\\Temp\\glk1.tmp\"", &switches));
    EXPECT_TRUE(switches.cleanup);
    EXPECT_FALSE(switches.silent);
    EXPECT_EQ(switches.parentHandle, 1234u);
    EXPECT_STREQ(switches.cleanupFile, "C:\\users\\u\\Temp\\glk1.tmp");
    EXPECT_STREQ(switches.cleanupFolder, "");

    ASSERT_TRUE(ParseUninstallSwitches(TEXT_CLEANUP_SWITCH
                                       " 8 \"C:\\Program Data\\Q\\G\\N\\UNINSTAL.EXE\" \"C:\\Program Data\\Q\\G\\N\"",
                                       &switches));
    EXPECT_EQ(switches.parentHandle, 8u);
    EXPECT_STREQ(switches.cleanupFile, "C:\\Program Data\\Q\\G\\N\\UNINSTAL.EXE");
    EXPECT_STREQ(switches.cleanupFolder, "C:\\Program Data\\Q\\G\\N");

    // A malformed clean-up line does nothing at all, not even an uninstall.
    const std::string tooLong = "\"C:\\" + std::string(300, 'x') + "\"";
    for (const std::string &line :
         {std::string(TEXT_CLEANUP_SWITCH), std::string(TEXT_CLEANUP_SWITCH " 12"),
          std::string(TEXT_CLEANUP_SWITCH " x C:\\f"), std::string(TEXT_CLEANUP_SWITCH " 0 C:\\f"),
          std::string(TEXT_CLEANUP_SWITCH " 12x C:\\f"), std::string(TEXT_CLEANUP_SWITCH " 12 \"\""),
          std::string(TEXT_CLEANUP_SWITCH " 12 C:\\f C:\\d extra"),
          std::string(TEXT_CLEANUP_SWITCH " 12 ") + tooLong,
          std::string(TEXT_CLEANUP_SWITCH " 12 C:\\f ") + tooLong}) {
        EXPECT_FALSE(ParseUninstallSwitches(line.c_str(), &switches)) << line;
        EXPECT_FALSE(switches.cleanup) << line;
        EXPECT_FALSE(switches.silent) << line;
    }
    // Only as the first word.
    ASSERT_TRUE(ParseUninstallSwitches("/s " TEXT_CLEANUP_SWITCH " 12 C:\\f", &switches));
    EXPECT_FALSE(switches.cleanup);
    EXPECT_TRUE(switches.silent);
}

TEST(UninstallerReport, LinesAreListedOnceAndACutListSaysSo)
{
    char list[40] = "";
    AddToReport(list, sizeof list, "C:\\a.scr");
    AddToReport(list, sizeof list, "C:\\b.dat");
    AddToReport(list, sizeof list, "C:\\a.scr");
    AddToReport(list, sizeof list, "C:\\a");
    EXPECT_STREQ(list, "C:\\a.scr\r\nC:\\b.dat\r\nC:\\a\r\n");
    AddToReport(list, sizeof list, "C:\\too-long-for-the-rest");
    EXPECT_STREQ(list, "C:\\a.scr\r\nC:\\b.dat\r\nC:\\a\r\n...\r\n");
    // Once cut, the list stays as it is, even for an item that would fit.
    AddToReport(list, sizeof list, "C:\\c");
    EXPECT_STREQ(list, "C:\\a.scr\r\nC:\\b.dat\r\nC:\\a\r\n...\r\n");
    EXPECT_LT(strlen(list), sizeof list);

    char tiny[4] = "";
    AddToReport(tiny, sizeof tiny, "C:\\x");
    EXPECT_STREQ(tiny, "");
}
