// Names the extraction gives to generated data files and to the data file.
#include <gtest/gtest.h>

#include <string>

#include "package/installed_names.h"

namespace {

std::string Tail(const std::string &text, char selector)
{
    std::string tail = text;
    tail.resize(15, ' ');
    tail.push_back(selector);
    return tail;
}

std::string Name(uint16_t first, int index, const std::string &tail, const char *folder = "C:\\D\\")
{
    char path[260];
    EXPECT_EQ(BuildDataFileName(path, sizeof path, folder, first, index, tail.data()), 1);
    return path;
}

} // namespace

TEST(DataFileName, SerialNumberIsPaddedToFourDigitsAndNeverCut)
{
    EXPECT_EQ(Name(16, 3, Tail(".MID", ' ')), "C:\\D\\FILE0016.MID");
    EXPECT_EQ(Name(7, 3, Tail(".WAV", ' ')), "C:\\D\\FILE0007.WAV");
    EXPECT_EQ(Name(9998, 5, Tail(".WAV", ' ')), "C:\\D\\FILE10000.WAV");
    EXPECT_EQ(Name(65535, 7, Tail("", ' ')), "C:\\D\\FILE65539");
}

TEST(DataFileName, PrefixComesFromTheLastTailByte)
{
    EXPECT_EQ(Name(1, 3, Tail(".BMP", '_')), "C:\\D\\JUK_0001.BMP");
    EXPECT_EQ(Name(1, 3, Tail(".BMP", '\0')), "C:\\D\\JUKE0001.BMP");
    EXPECT_EQ(Name(1, 3, Tail(".BMP", 'x')), "C:\\D\\FILE0001.BMP");
    // The selector byte is never part of the name, even without padding.
    std::string full = "ABCDEFGHIJKLMNO_";
    EXPECT_EQ(Name(1, 3, full), "C:\\D\\JUK_0001ABCDEFGHIJKLMNO");
}

TEST(DataFileName, TailEndsAtNulAndTrailingSpacesGo)
{
    EXPECT_EQ(Name(2, 3, std::string(16, ' ')), "C:\\D\\FILE0002");
    std::string withNul = Tail(".MP3", ' ');
    withNul[2] = '\0';
    EXPECT_EQ(Name(2, 3, withNul), "C:\\D\\FILE0002.M");
    EXPECT_EQ(Name(2, 3, Tail("A B  ", ' ')), "C:\\D\\FILE0002A B");
}

TEST(DataFileName, PathThatDoesNotFitIsRefusedWhole)
{
    std::string folder(250, 'f');
    char path[260];
    EXPECT_EQ(BuildDataFileName(path, sizeof path, folder.c_str(), 1, 3, Tail(".WAV", ' ').data()), 0);
    EXPECT_STREQ(path, "");
    // Exactly 259 characters still fits.
    std::string fits(259 - 8 - 4, 'f');
    EXPECT_EQ(BuildDataFileName(path, sizeof path, fits.c_str(), 1, 3, Tail(".WAV", ' ').data()), 1);
    EXPECT_EQ(std::string(path).size(), 259u);
}

TEST(DataFileName, BaseNameIsCutAtTheLastDot)
{
    char base[260];
    CopyBaseName(base, sizeof base, "My.Saver.scr");
    EXPECT_STREQ(base, "My.Saver");
    CopyBaseName(base, sizeof base, "NoDot");
    EXPECT_STREQ(base, "NoDot");
}
