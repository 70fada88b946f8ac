// The file the replace check looks up and names.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "flow/portable/rules.h"

namespace {

std::string LookupName(const std::string &name)
{
    std::unique_ptr<char[]> buffer(new char[kLookupNameSize]);
    return BuildLookupName(buffer.get(), name.c_str());
}

} // namespace

TEST(LookupName, TrimmedNameWithUpperCaseExtension)
{
    EXPECT_EQ(LookupName("Aquarium"), "Aquarium.SCR");
    EXPECT_EQ(LookupName("Aquarium   "), "Aquarium.SCR");
    EXPECT_EQ(LookupName("Deep Sea "), "Deep Sea.SCR");
    EXPECT_EQ(LookupName(""), ".SCR");
    EXPECT_EQ(LookupName("   "), ".SCR");
}

TEST(LookupName, LongestStoredNameFitsWhole)
{
    std::string name(kNameFieldSize - 1, 'n');
    EXPECT_EQ(LookupName(name), name + ".SCR");
    // A name longer than the field can hold is cut, never overflowing.
    std::string tooLong(kNameFieldSize + 50, 'm');
    EXPECT_EQ(LookupName(tooLong), std::string(kNameFieldSize - 1, 'm') + ".SCR");
}

TEST(LookupPath, BackslashOnlyWhenMissing)
{
    char path[260];
    ASSERT_EQ(BuildLookupPath(path, sizeof path, "C:\\windows", "A.SCR"), 1);
    EXPECT_STREQ(path, "C:\\windows\\A.SCR");
    ASSERT_EQ(BuildLookupPath(path, sizeof path, "C:\\", "A.SCR"), 1);
    EXPECT_STREQ(path, "C:\\A.SCR");
}

TEST(LookupPath, PathThatDoesNotFitIsNeverCut)
{
    char path[260];
    std::string directory = "C:\\" + std::string(250, 'd'); // 253 characters
    // 253 + 1 + 5 = 259 characters: fits exactly.
    ASSERT_EQ(BuildLookupPath(path, sizeof path, directory.c_str(), "A.SCR"), 1);
    EXPECT_EQ(std::string(path), directory + "\\A.SCR");
    // One more character: emptied, not cut to some other name.
    memset(path, 'x', sizeof path);
    EXPECT_EQ(BuildLookupPath(path, sizeof path, directory.c_str(), "AB.SCR"), 0);
    EXPECT_STREQ(path, "");
    std::string full(259, 'd');
    EXPECT_EQ(BuildLookupPath(path, sizeof path, full.c_str(), "A.SCR"), 0);
    EXPECT_STREQ(path, "");
}
