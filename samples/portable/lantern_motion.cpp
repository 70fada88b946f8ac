// The lanterns' motion: rising, swaying between the edges, coming back in
// at the bottom.
#include "samples/portable/saver_rules.h"

static const unsigned kPalette[] = {
    0x0040A0FF, // amber
    0x002060F0, // orange
    0x005090FF, // warm yellow
    0x003030E0, // red
    0x0080C0FF, // pale gold
    0x006040D0, // rose
};

static unsigned NextRandom(LanternSky *sky, unsigned range)
{
    sky->seed = sky->seed * 1664525u + 1013904223u;
    return range == 0 ? 0 : (sky->seed >> 8) % range;
}

static int AtLeastOne(int value)
{
    return value < 1 ? 1 : value;
}

// A new size, colour, place across and pace.  y is set by the caller.
static void ShapeLantern(LanternSky *sky, Lantern *lantern)
{
    lantern->radius = AtLeastOne(sky->height / 40 + (int)NextRandom(sky, (unsigned)(sky->height / 40 + 1)));
    lantern->color = kPalette[NextRandom(sky, sizeof kPalette / sizeof kPalette[0])];
    lantern->x = (int)NextRandom(sky, (unsigned)(sky->width * kSubPixels));
    lantern->rise = AtLeastOne(sky->speed * (6 + (int)NextRandom(sky, 10)) * sky->height / 480);
    int sway = AtLeastOne((2 + (int)NextRandom(sky, 8)) * sky->width / 640);
    lantern->sway = NextRandom(sky, 2) ? sway : -sway;
}

void StartLanternSky(LanternSky *sky, int width, int height, const SaverSettings *settings,
                     unsigned seed)
{
    sky->width = AtLeastOne(width);
    sky->height = AtLeastOne(height);
    int count = settings->lanterns;
    sky->count = count < kMinLanterns ? kMinLanterns : count > kMaxLanterns ? kMaxLanterns : count;
    int speed = settings->speed;
    sky->speed = speed < kMinSpeed ? kMinSpeed : speed > kMaxSpeed ? kMaxSpeed : speed;
    sky->seed = seed;
    for (int i = 0; i < sky->count; i++) {
        Lantern *lantern = &sky->lanterns[i];
        ShapeLantern(sky, lantern);
        lantern->y = (int)NextRandom(sky, (unsigned)(sky->height * kSubPixels));
    }
}

void StepLanternSky(LanternSky *sky)
{
    int right = sky->width * kSubPixels - 1;
    for (int i = 0; i < sky->count; i++) {
        Lantern *lantern = &sky->lanterns[i];
        lantern->y -= lantern->rise;
        lantern->x += lantern->sway;
        if (lantern->x < 0) {
            lantern->x = -lantern->x > right ? 0 : -lantern->x;
            lantern->sway = -lantern->sway;
        } else if (lantern->x > right) {
            int back = 2 * right - lantern->x;
            lantern->x = back < 0 ? right : back;
            lantern->sway = -lantern->sway;
        }
        if (lantern->y + lantern->radius * kSubPixels < 0) {
            ShapeLantern(sky, lantern);
            lantern->y = (sky->height + lantern->radius) * kSubPixels;
        }
    }
}
