#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "samples/portable/saver_rules.h"

TEST(SampleSaverCommand, ModesAndWindowHandles)
{
    struct Case {
        const char *line;
        SaverMode mode;
        unsigned long long window;
    };
    const Case cases[] = {
        {"", SAVER_SETTINGS, 0},
        {"   ", SAVER_SETTINGS, 0},
        {"/c", SAVER_SETTINGS, 0},
        {"/C:1234", SAVER_SETTINGS, 1234},
        {"-c 99", SAVER_SETTINGS, 99},
        {"/s", SAVER_FULL_SCREEN, 0},
        {"/S", SAVER_FULL_SCREEN, 0},
        {"-s 42", SAVER_FULL_SCREEN, 0},
        {"/p 65812", SAVER_PREVIEW, 65812},
        {"/P:65812", SAVER_PREVIEW, 65812},
        {"  /p    7", SAVER_PREVIEW, 7},
        // A preview needs a window; a password change is not offered.
        {"/p", SAVER_NOTHING, 0},
        {"/p x", SAVER_NOTHING, 0},
        {"/p 99999999999999999999999", SAVER_NOTHING, 0},
        {"/a 1234", SAVER_NOTHING, 0},
        {"/sx", SAVER_NOTHING, 0},
        {"/", SAVER_NOTHING, 0},
        {"s", SAVER_NOTHING, 0},
        {"/x", SAVER_NOTHING, 0},
    };
    for (const Case &c : cases) {
        SaverCommand command = ParseSaverCommand(c.line);
        EXPECT_EQ(command.mode, c.mode) << c.line;
        EXPECT_EQ(command.window, c.window) << c.line;
    }
    EXPECT_EQ(ParseSaverCommand(nullptr).mode, SAVER_SETTINGS);
}

namespace {

SaverSettings Parse(const std::string &text)
{
    SaverSettings settings = DefaultSaverSettings();
    ParseSaverSettings(text.data(), text.size(), &settings);
    return settings;
}

} // namespace

TEST(SampleSaverSettings, ReadsTheLanternsSection)
{
    SaverSettings settings = Parse("[Lanterns]\r\nCount=7\r\nSpeed=9\r\n");
    EXPECT_EQ(settings.lanterns, 7);
    EXPECT_EQ(settings.speed, 9);

    settings = Parse("; comment\n[other]\ncount=2\n [ LANTERNS ] \n  COUNT = 12 \nspeed=4");
    EXPECT_EQ(settings.lanterns, kDefaultLanterns); // "[ LANTERNS ]" is not the section
    EXPECT_EQ(settings.speed, kDefaultSpeed);
    settings = Parse("[other]\ncount=2\n[LANTERNS]\n  COUNT = 12 \nspeed=4");
    EXPECT_EQ(settings.lanterns, 12);
    EXPECT_EQ(settings.speed, 4);
}

TEST(SampleSaverSettings, BadValuesKeepTheDefaultAndRangesHold)
{
    SaverSettings settings = Parse("[Lanterns]\nCount=abc\nSpeed=\nCount=-3\nCount=1234567");
    EXPECT_EQ(settings.lanterns, kDefaultLanterns);
    EXPECT_EQ(settings.speed, kDefaultSpeed);
    settings = Parse("[Lanterns]\nCount=0\nSpeed=500");
    EXPECT_EQ(settings.lanterns, kMinLanterns);
    EXPECT_EQ(settings.speed, kMaxSpeed);
    // A NUL ends the text.
    settings = Parse(std::string("[Lanterns]\nCount=5\0\nCount=6", 26));
    EXPECT_EQ(settings.lanterns, 5);
    // Outside any section nothing counts.
    EXPECT_EQ(Parse("Count=5").lanterns, kDefaultLanterns);
}

TEST(SampleSaverSettings, FormattedTextReadsBackAndNeverOverruns)
{
    SaverSettings written = {kMaxLanterns, kMinSpeed};
    char text[64];
    size_t length = FormatSaverSettings(&written, text, sizeof text);
    ASSERT_GT(length, 0u);
    EXPECT_STREQ(text, "[Lanterns]\r\nCount=64\r\nSpeed=1\r\n");
    SaverSettings read = Parse(std::string(text, length));
    EXPECT_EQ(read.lanterns, written.lanterns);
    EXPECT_EQ(read.speed, written.speed);

    char small[10];
    memset(small, 'x', sizeof small);
    EXPECT_EQ(FormatSaverSettings(&written, small, sizeof small), 0u);
    EXPECT_STREQ(small, "");
}

namespace {

// Every lantern lies across the window and, up and down, within one radius
// beyond its edges.
void ExpectInside(const LanternSky &sky)
{
    for (int i = 0; i < sky.count; i++) {
        const Lantern &lantern = sky.lanterns[i];
        ASSERT_GE(lantern.x, 0);
        ASSERT_LT(lantern.x, sky.width * kSubPixels);
        ASSERT_GE(lantern.y + lantern.radius * kSubPixels, -lantern.rise);
        ASSERT_LE(lantern.y, (sky.height + lantern.radius) * kSubPixels);
        ASSERT_GE(lantern.radius, 1);
    }
}

} // namespace

TEST(SampleSaverMotion, LanternsStayInTheWindowAndComeBack)
{
    const int sizes[][2] = {{1024, 768}, {152, 112}, {1, 1}, {0, 0}, {3000, 40}};
    for (const auto &size : sizes) {
        SaverSettings settings = {kMaxLanterns, kMaxSpeed};
        LanternSky sky;
        StartLanternSky(&sky, size[0], size[1], &settings, 12345);
        ExpectInside(sky);
        int returned = 0;
        for (int step = 0; step < 5000; step++) {
            int before = sky.lanterns[0].y;
            StepLanternSky(&sky);
            if (sky.lanterns[0].y > before)
                returned++;
            ExpectInside(sky);
            if (HasFatalFailure())
                return;
        }
        EXPECT_GT(returned, 0) << size[0] << "x" << size[1];
    }
}

TEST(SampleSaverMotion, SettingsShapeTheSkyAndTheSeedFixesIt)
{
    SaverSettings few = {3, 1};
    LanternSky a;
    LanternSky b;
    StartLanternSky(&a, 640, 480, &few, 7);
    StartLanternSky(&b, 640, 480, &few, 7);
    EXPECT_EQ(a.count, 3);
    for (int step = 0; step < 100; step++) {
        StepLanternSky(&a);
        StepLanternSky(&b);
    }
    EXPECT_EQ(a.seed, b.seed);
    EXPECT_EQ(memcmp(a.lanterns, b.lanterns, sizeof a.lanterns[0] * 3), 0);

    // Faster settings rise faster.
    SaverSettings fast = {3, 10};
    LanternSky quick;
    StartLanternSky(&quick, 640, 480, &fast, 7);
    EXPECT_GT(quick.lanterns[0].rise, a.lanterns[0].rise);

    SaverSettings outOfRange = {1000, -5};
    StartLanternSky(&a, 640, 480, &outOfRange, 7);
    EXPECT_EQ(a.count, kMaxLanterns);
    EXPECT_EQ(a.speed, kMinSpeed);
}
