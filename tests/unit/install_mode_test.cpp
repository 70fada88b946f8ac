#include <gtest/gtest.h>

#include "flow/portable/rules.h"
#include "package/text_rules.h"

TEST(InstallMode, SwitchSelectsSilent)
{
    for (const char *line : {"/S", "/s", "-S", "-s", "/silent", "a-s", "foo /S bar"})
        EXPECT_EQ(ParseInstallMode(line), kInstallModeSilent) << line;
}

TEST(InstallMode, OtherLinesStayInteractive)
{
    // "/x -s": the "/" is found first and only it is examined.
    for (const char *line : {"", "/x", "/x -s", "-x /", "S", "s-", "/", "-"})
        EXPECT_EQ(ParseInstallMode(line), kInstallModeInteractive) << line;
    EXPECT_EQ(ParseInstallMode(nullptr), kInstallModeInteractive);
}

TEST(InstallMode, OnlyAsciiLettersAreUpperCased)
{
    EXPECT_EQ(UpperAscii('a'), 'A');
    EXPECT_EQ(UpperAscii('z'), 'Z');
    EXPECT_EQ(UpperAscii('{'), '{');
    EXPECT_EQ(UpperAscii('`'), '`');
    EXPECT_EQ(UpperAscii((char)0xE9), (char)0xE9);
}
