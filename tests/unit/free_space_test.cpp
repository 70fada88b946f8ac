// The free-space query's pure parts: which root is measured and how bytes
// become the 32-bit kilobyte count.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "flow/portable/rules.h"

namespace {

// The root for directory, or "(current)" when the current drive is meant.
// The buffer is exactly kMeasuredRootSize bytes on the heap.
std::string Root(const char *directory)
{
    std::unique_ptr<char[]> buffer(new char[kMeasuredRootSize]);
    const char *root = MeasuredRoot(directory, buffer.get());
    return root == nullptr ? "(current)" : root;
}

} // namespace

TEST(MeasuredRoot, CutsJustAfterTheLastBackslash)
{
    EXPECT_EQ(Root("C:\\WINDOWS"), "C:\\");
    EXPECT_EQ(Root("C:\\Windows\\"), "C:\\Windows\\");
    EXPECT_EQ(Root("D:\\OS\\Windows"), "D:\\OS\\");
    EXPECT_EQ(Root("C:\\"), "C:\\");
    EXPECT_EQ(Root("\\\\server\\share\\windows"), "\\\\server\\share\\");
}

TEST(MeasuredRoot, OnlyTheFirst32CharactersCount)
{
    // 41 characters: the backslashes after the 32nd are not seen.
    const char *longPath = "C:\\abcdefghijklmnopqrstuvwxyz\\0123\\5678\\X";
    ASSERT_EQ(strlen(longPath), 41u);
    EXPECT_EQ(Root(longPath), "C:\\abcdefghijklmnopqrstuvwxyz\\");
    // A backslash exactly at position 32 is still inside.
    std::string edge = "C:\\" + std::string(28, 'a') + "\\tail\\more";
    ASSERT_EQ(edge[31], '\\');
    EXPECT_EQ(Root(edge.c_str()), edge.substr(0, 32));
    std::string past = "C:\\" + std::string(29, 'a') + "\\tail";
    EXPECT_EQ(Root(past.c_str()), "C:\\");
}

TEST(MeasuredRoot, NoBackslashFallsBackToTheDriveOrTheCurrentDrive)
{
    EXPECT_EQ(Root("C:"), "C:\\");
    EXPECT_EQ(Root("e:Windows"), "e:\\");
    EXPECT_EQ(Root(("D:" + std::string(40, 'w') + "\\x").c_str()), "D:\\");
    EXPECT_EQ(Root("Windows"), "(current)");
    EXPECT_EQ(Root(""), "(current)");
    EXPECT_EQ(Root("1:"), "(current)");
}

TEST(KilobytesFromBytes, RoundsDown)
{
    EXPECT_EQ(KilobytesFromBytes(0), 0u);
    EXPECT_EQ(KilobytesFromBytes(1023), 0u);
    EXPECT_EQ(KilobytesFromBytes(1024), 1u);
    EXPECT_EQ(KilobytesFromBytes(1048575), 1023u);
    // Past 4 GiB the 64-bit count is still exact.
    EXPECT_EQ(KilobytesFromBytes(5ull << 30), 5u << 20);
}

TEST(KilobytesFromBytes, FourTebibytesAndMoreStayBelowTheFailureValue)
{
    const uint64_t fourTiB = 1ull << 42;
    EXPECT_EQ(KilobytesFromBytes(fourTiB - 2048), 0xFFFFFFFEu);
    EXPECT_EQ(KilobytesFromBytes(fourTiB - 1024), 0xFFFFFFFEu); // 0xFFFFFFFF would read as "unknown"
    EXPECT_EQ(KilobytesFromBytes(fourTiB), 0xFFFFFFFEu);         // would wrap to 0
    EXPECT_EQ(KilobytesFromBytes(fourTiB + 1024), 0xFFFFFFFEu);  // would wrap to 1
    EXPECT_EQ(KilobytesFromBytes(UINT64_MAX), 0xFFFFFFFEu);
}
