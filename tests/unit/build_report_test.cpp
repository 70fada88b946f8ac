// What scrpack shows besides its results: the size table that ends a
// build, and the progress bar, which draws only on a terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "scrpack/commands/progress_bar.h"
#include "scrpack/commands/size_table.h"

TEST(SizeTable, ColumnsTotalsAndMakeUp)
{
    std::vector<SizeRow> rows = {
        {"Aurora Caf\xC3\xA9.scr", "saver.scr", false, 5000, 5000},
        {"Aurora Caf\xC3\xA9.dat", "data/saver.dat", true, 108894, 44682},
        {"FILE0001.MID", "song.mid", true, 3, 2},
    };
    // The accented name takes one column; ratios are of the installed size.
    EXPECT_EQ(FormatSizeTable(rows, 64508, 64508 + 400 + 49684, "out.exe"),
              "installs as        method   installed  in package   ratio  from\n"
              "Aurora Caf\xC3\xA9.scr    stored       5,000       5,000  100.0%  saver.scr\n"
              "Aurora Caf\xC3\xA9.dat    packed     108,894      44,682   41.0%  data/saver.dat\n"
              "FILE0001.MID       packed           3           2   66.7%  song.mid\n"
              "3 files, 2 packed             113,897      49,684   43.6%\n"
              "out.exe: 114,592 bytes: installer 64,508, manifest 400, files 49,684\n");
    // A signed package: the signer's padding and certificate table last.
    std::string table = FormatSizeTable(rows, 64508, 64508 + 400 + 49684 + 1492, "out.exe", 1492);
    EXPECT_EQ(table.substr(table.rfind("out.exe: ")),
              "out.exe: 116,084 bytes: installer 64,508, manifest 400, files 49,684, signature 1,492\n");
}

TEST(ProgressBar, LineFitsItsWidthAndClipsItsCount)
{
    EXPECT_EQ(RenderProgressLine("packing", 1500000, 3000000, 60),
              "packing [###############...............]  50%  1.5 of 3.0 MB");
    EXPECT_EQ(RenderProgressLine("packing", 9, 3, 60), RenderProgressLine("packing", 3, 3, 60));
    EXPECT_NE(RenderProgressLine("packing", 0, 0, 60).find("100%"), std::string::npos);
    EXPECT_LE(RenderProgressLine("a long label for a narrow terminal", 1, 2, 30).size(), 30u);
}

// What a bar writes to the terminal side (or pipe) it was given.
static std::string Drawn(int writeEnd, int readEnd)
{
    {
        ProgressBar bar("verifying", 100, writeEnd, std::chrono::milliseconds(0));
        bar.Advance(40);
        bar.Clear();
        bar.Advance(10); // within 100 ms of the last drawing: not drawn
    }
    close(writeEnd);
    fcntl(readEnd, F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(readEnd, buffer, sizeof buffer)) > 0)
        text.append(buffer, (size_t)got);
    close(readEnd);
    return text;
}

TEST(ProgressBar, DrawsOnATerminalOnly)
{
    const char *term = getenv("TERM");
    std::string savedTerm = term ? term : "";
    setenv("TERM", "xterm", 1); // "dumb" turns the bar off
    int terminal, side;
    ASSERT_EQ(openpty(&terminal, &side, nullptr, nullptr, nullptr), 0);
    std::string shown = Drawn(side, terminal);
    // Drawn once, taken off for a message, nothing left behind at the end.
    EXPECT_EQ(shown.find('\r'), 0u) << shown;
    EXPECT_NE(shown.find("verifying ["), std::string::npos) << shown;
    EXPECT_NE(shown.find(" 40%"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(" 50%"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << shown;

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_EQ(Drawn(pipeEnds[1], pipeEnds[0]), "");
    if (term)
        setenv("TERM", savedTerm.c_str(), 1);
    else
        unsetenv("TERM");
}
