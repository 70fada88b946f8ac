#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "engine/portable/rules.h"

namespace {

struct List {
    char text[kMissingTypesSize + 16];
    List()
    {
        // Guard bytes past the list's end catch a write beyond 256 bytes.
        memset(text, 0, kMissingTypesSize);
        memset(text + kMissingTypesSize, 0x5A, 16);
    }
    void Add(const char *path) { AppendMissingType(text, path); }
    std::string Str() const { return text; }
    bool GuardIntact() const
    {
        for (int i = 0; i < 16; i++)
            if (text[kMissingTypesSize + i] != 0x5A)
                return false;
        return true;
    }
};

} // namespace

TEST(MissingTypes, EntriesAreExtensionWithDotAndCrLf)
{
    List list;
    list.Add("C:\\Data\\Quillmoor\\Glimmerkit\\Name\\JUKE0003.MID");
    EXPECT_EQ(list.Str(), ".MID\r\n");
    list.Add("C:\\Data\\Quillmoor\\Glimmerkit\\Name\\JUKE0004.xyz");
    EXPECT_EQ(list.Str(), ".MID\r\n.xyz\r\n");
    // The extension runs from the last dot of the file name.
    list.Add("C:\\D\\clip.tar.gz");
    EXPECT_EQ(list.Str(), ".MID\r\n.xyz\r\n.gz\r\n");
}

TEST(MissingTypes, DuplicateRuleIsCaseSensitiveSubstringSearch)
{
    List list;
    list.Add("C:\\D\\a.mid");
    list.Add("C:\\D\\b.mid");
    EXPECT_EQ(list.Str(), ".mid\r\n");
    list.Add("C:\\D\\c.MID");
    EXPECT_EQ(list.Str(), ".mid\r\n.MID\r\n");
    // .mp is found inside .mpg, so it is not listed.
    List mp;
    mp.Add("C:\\D\\a.mpg");
    mp.Add("C:\\D\\b.mp");
    EXPECT_EQ(mp.Str(), ".mpg\r\n");
    // The other way round both are listed.
    List mpg;
    mpg.Add("C:\\D\\a.mp");
    mpg.Add("C:\\D\\b.mpg");
    EXPECT_EQ(mpg.Str(), ".mp\r\n.mpg\r\n");
}

TEST(MissingTypes, FileNameWithoutExtensionRecordsNothing)
{
    List list;
    list.Add("C:\\D\\FILE0003");
    EXPECT_EQ(list.Str(), "");
    // A dot in a folder name is no extension.
    list.Add("C:\\Data\\Mr. Bean\\FILE0003");
    EXPECT_EQ(list.Str(), "");
    list.Add("C:\\Data\\Mr. Bean\\FILE0004.wav");
    EXPECT_EQ(list.Str(), ".wav\r\n");
    // A trailing dot is an extension of its own.
    List dot;
    dot.Add("C:\\D\\odd.");
    EXPECT_EQ(dot.Str(), ".\r\n");
}

TEST(MissingTypes, NeverWritesPastTheListAndKeepsEntriesWhole)
{
    List list;
    char path[64];
    // 42 entries of 6 bytes fill 252 bytes; the 43rd does not fit.
    for (int i = 0; i < 60; i++) {
        snprintf(path, sizeof path, "C:\\D\\f.%03d", i);
        list.Add(path);
    }
    EXPECT_TRUE(list.GuardIntact());
    size_t length = strlen(list.text);
    EXPECT_EQ(length, 42u * 6u);
    EXPECT_EQ(list.Str().substr(length - 6), ".041\r\n");
    // 251 bytes used: ".ab" and CR LF would need 257 with the NUL and is
    // left out; ".a" fills the buffer exactly.
    List full;
    std::string longExtension(248, 'x');
    full.Add(("C:\\D\\a." + longExtension).c_str());
    EXPECT_EQ(strlen(full.text), 251u);
    full.Add("C:\\D\\b.ab");
    EXPECT_EQ(strlen(full.text), 251u);
    full.Add("C:\\D\\c.a");
    EXPECT_EQ(strlen(full.text), 255u);
    EXPECT_EQ(full.Str().substr(251), ".a\r\n");
    full.Add("C:\\D\\d.q");
    EXPECT_EQ(strlen(full.text), 255u);
    EXPECT_TRUE(full.GuardIntact());
    // An extension longer than the whole list leaves it unchanged.
    List huge;
    std::string hugeExtension(300, 'y');
    huge.Add(("C:\\D\\a." + hugeExtension).c_str());
    EXPECT_EQ(huge.Str(), "");
    EXPECT_TRUE(huge.GuardIntact());
}

TEST(UninstallKey, PathIsUninstallKeyAndBaseName)
{
    char keyPath[kUninstallKeyPathSize];
    EXPECT_EQ(BuildUninstallKeyPath(keyPath, sizeof keyPath, "Aquarium.scr"), 1);
    EXPECT_STREQ(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aquarium");
    // Cut at the last dot only.
    BuildUninstallKeyPath(keyPath, sizeof keyPath, "Mr. Bean.scr");
    EXPECT_STREQ(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mr. Bean");
    // A longest name fits the 1024-byte buffer.
    std::string name(255, 'n');
    EXPECT_EQ(BuildUninstallKeyPath(keyPath, sizeof keyPath, (name + ".scr").c_str()), 1);
    EXPECT_EQ(strlen(keyPath), 52u + 255u);
}

TEST(UninstallKey, EmptyBaseNameNeverEndsInBackslash)
{
    char keyPath[kUninstallKeyPathSize];
    EXPECT_EQ(BuildUninstallKeyPath(keyPath, sizeof keyPath, ".scr"), 0);
    EXPECT_STREQ(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(BuildUninstallKeyPath(keyPath, sizeof keyPath, ""), 0);
    EXPECT_STREQ(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
}

TEST(UninstallKey, InstallLocationIsTheUninstallersFolder)
{
    struct {
        const char *path, *location;
    } cases[] = {
        {"C:\\Data\\Quillmoor\\Glimmerkit\\Name\\UNINSTAL.EXE", "C:\\Data\\Quillmoor\\Glimmerkit\\Name"},
        {"C:\\Data\\UNINSTAL.EXE", "C:\\Data"},
        // The last backslash is also the first: the path stays whole.
        {"C:\\UNINSTAL.EXE", "C:\\UNINSTAL.EXE"},
        {"UNINSTAL.EXE", "UNINSTAL.EXE"},
    };
    for (auto &c : cases) {
        char path[260];
        snprintf(path, sizeof path, "%s", c.path);
        CutInstallLocation(path);
        EXPECT_STREQ(path, c.location) << c.path;
    }
}
