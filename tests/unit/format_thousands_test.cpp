// Thousands grouping of byte and kilobyte counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "flow/portable/rules.h"

namespace {

// Formats into a heap buffer of exactly kFormattedNumberSize bytes, so the
// sanitizer sees any write past it.
std::string Format(uint32_t value)
{
    std::unique_ptr<char[]> buffer(new char[kFormattedNumberSize]);
    char *result = FormatThousands(value, buffer.get());
    EXPECT_EQ(result, buffer.get());
    return result;
}

} // namespace

TEST(FormatThousands, SmallValuesHaveNoComma)
{
    EXPECT_EQ(Format(0), "0");
    EXPECT_EQ(Format(7), "7");
    EXPECT_EQ(Format(100), "100");
    EXPECT_EQ(Format(999), "999");
}

TEST(FormatThousands, CommasGroupThreeDigitsFromTheRight)
{
    EXPECT_EQ(Format(1000), "1,000");
    EXPECT_EQ(Format(1024), "1,024");
    EXPECT_EQ(Format(6293), "6,293");
    EXPECT_EQ(Format(10000), "10,000");
    EXPECT_EQ(Format(999999), "999,999");
    EXPECT_EQ(Format(1000000), "1,000,000");
    EXPECT_EQ(Format(1234567), "1,234,567");
    EXPECT_EQ(Format(1000001), "1,000,001"); // inner zeros are kept
}

TEST(FormatThousands, ValuesFromTwoToTheThirtyFirstAreUnsigned)
{
    EXPECT_EQ(Format(0x7FFFFFFFu), "2,147,483,647");
    EXPECT_EQ(Format(0x80000000u), "2,147,483,648");
    EXPECT_EQ(Format(0xFFFFFFFFu), "4,294,967,295");
    EXPECT_EQ(Format(4194303), "4,194,303"); // the kilobytes of a saturated total
}

TEST(FormatThousands, OverwritesWhateverTheBufferHeld)
{
    char buffer[kFormattedNumberSize];
    memset(buffer, 'x', sizeof buffer);
    FormatThousands(1234567, buffer);
    EXPECT_STREQ(buffer, "1,234,567");
    FormatThousands(5, buffer);
    EXPECT_STREQ(buffer, "5");
}
