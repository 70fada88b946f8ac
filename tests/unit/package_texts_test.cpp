// Package texts: code page conversion, licence line ends, the name checks
// and the data-file name tails.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scrpack/text/ansi_text.h"

namespace {

std::string Ansi(const std::string &utf8)
{
    std::string out, error;
    EXPECT_TRUE(Utf8ToAnsi(utf8, &out, &error)) << error;
    return out;
}

std::string AnsiError(const std::string &utf8)
{
    std::string out, error;
    EXPECT_FALSE(Utf8ToAnsi(utf8, &out, &error)) << utf8;
    return error;
}

bool NameOk(const std::string &name)
{
    std::string error;
    return CheckScreenSaverName(name, &error);
}

std::string Tail(const std::string &path, char selector = ' ')
{
    char tail[16];
    std::string error;
    EXPECT_TRUE(MakeNameTail(path, selector, tail, &error)) << error;
    return std::string(tail, 16);
}

} // namespace

TEST(PackageTexts, Utf8BecomesWindows1252)
{
    EXPECT_EQ(Ansi("Plain ASCII ~"), "Plain ASCII ~");
    EXPECT_EQ(Ansi("Caf\xC3\xA9"), "Caf\xE9");                 // U+00E9
    EXPECT_EQ(Ansi("\xE2\x82\xAC"), "\x80");                   // euro sign
    EXPECT_EQ(Ansi("\xC5\x92\xE2\x84\xA2"), "\x8C\x99");       // OE ligature, trade mark
    EXPECT_EQ(Ansi("\xC5\xB8\xC3\xBF"), "\x9F\xFF");           // Y and y with diaeresis
    EXPECT_EQ(Ansi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(PackageTexts, UnfitOrMalformedUtf8IsRefused)
{
    EXPECT_NE(AnsiError("x\xE4\xB8\xAD").find("U+4E2D"), std::string::npos); // CJK
    EXPECT_NE(AnsiError("\xC2\x81").find("U+0081"), std::string::npos);     // C1 control, unassigned in 1252
    for (const char *bad : {"\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\x80"})
        EXPECT_NE(AnsiError(bad).find("not valid UTF-8"), std::string::npos) << bad;
}

TEST(PackageTexts, AnsiShownAsUtf8)
{
    EXPECT_EQ(AnsiToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(AnsiToUtf8("\x81"), "\xEF\xBF\xBD");
    std::string all;
    for (int c = 0x20; c < 0x100; c++)
        if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D)
            all.push_back((char)c);
    EXPECT_EQ(Ansi(AnsiToUtf8(all)), all);
}

TEST(PackageTexts, LicenceLineEnds)
{
    EXPECT_EQ(ToCrLf("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(ToCrLf("\n\n"), "\r\n\r\n");
    EXPECT_EQ(ToCrLf("a\r\nb"), "a\r\nb");
    EXPECT_EQ(ToCrLf("a\rb"), "a\rb");
    EXPECT_EQ(StripByteOrderMark("\xEF\xBB\xBFText"), "Text");
    EXPECT_EQ(StripByteOrderMark("Text\xEF\xBB\xBF"), "Text\xEF\xBB\xBF");
}

TEST(PackageTexts, NamesThatMakeSoundFileAndFolderNames)
{
    for (const char *name : {"Aurora", "Caf\xE9", "Night.Sky", " Leading", "Trailing  ", "CONSOLE", "COMA", "LPT10"})
        EXPECT_TRUE(NameOk(name)) << name;
    EXPECT_TRUE(NameOk(std::string(255, 'n')));
    EXPECT_TRUE(NameOk(std::string(255, 'n') + "    ")); // trailing spaces are trimmed by the installer
}

TEST(PackageTexts, NamesThatWouldMisplaceFilesAreRefused)
{
    const char *const refused[] = {
        "",       "   ",     "a/b",  "..\\..\\evil", "C:x",  "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "tab\there",
        "line\n", ".",       "..",   ". .",          "Foo.", "Foo. ", "CON", "con.txt", "Nul", "AUX ", "prn",
        "COM1",   "lpt9.x",
    };
    for (const char *name : refused)
        EXPECT_FALSE(NameOk(name)) << "[" << name << "]";
    EXPECT_FALSE(NameOk(std::string(256, 'n')));
}

TEST(PackageTexts, TailIsTheUpperCasedExtensionZeroPadded)
{
    EXPECT_EQ(Tail("music/song.mid"), std::string(".MID\0\0\0\0\0\0\0\0\0\0\0 ", 16));
    EXPECT_EQ(Tail("a.b.jpeg", '_'), std::string(".JPEG\0\0\0\0\0\0\0\0\0\0_", 16));
    EXPECT_EQ(Tail("noext", '\0'), std::string(16, '\0'));
    EXPECT_EQ(Tail("dir.d/noext"), std::string(15, '\0') + " ");
    EXPECT_EQ(Tail("trailing."), std::string(15, '\0') + " ");
    EXPECT_EQ(Tail(".mid"), std::string(".MID\0\0\0\0\0\0\0\0\0\0\0 ", 16));
    EXPECT_EQ(Tail("x.abcdefghijklmn").substr(0, 15), ".ABCDEFGHIJKLMN"); // 15 bytes fill the text
}

TEST(PackageTexts, UnfitExtensionsAreRefused)
{
    char tail[16];
    std::string error;
    for (const char *path : {"x.abcdefghijklmno", "x.m:d", "x.m*d", "x.m\\d", "x.m d", "x.m\xC3\xA9"})
        EXPECT_FALSE(MakeNameTail(path, ' ', tail, &error)) << path;
}

TEST(PackageTexts, GivenTailIsTakenAsItIs)
{
    char tail[16];
    std::string error;
    ASSERT_TRUE(MakeGivenNameTail(".mid  ", '_', tail, &error)) << error;
    EXPECT_EQ(std::string(tail, 16), std::string(".mid  \0\0\0\0\0\0\0\0\0_", 16));
    ASSERT_TRUE(MakeGivenNameTail("", '\0', tail, &error)) << error;
    EXPECT_EQ(std::string(tail, 16), std::string(16, '\0'));
    for (const char *bad : {".ABCDEFGHIJKLMNO", "..\\x", "/x", ".M\tD", "a:b"})
        EXPECT_FALSE(MakeGivenNameTail(bad, ' ', tail, &error)) << bad;
}

TEST(PackageTexts, FixedTailForTheFirstThreeRecords)
{
    char tail[16];
    MakeFixedNameTail(tail);
    EXPECT_EQ(std::string(tail, 16), ".TMP            ");
}
