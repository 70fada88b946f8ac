// The sample screen saver's pure rules: its command line, its data file's
// settings and the motion of its lanterns.  Nothing here touches the
// system, so the same code builds natively for the unit tests.
#ifndef SAMPLES_SAVER_RULES_H
#define SAMPLES_SAVER_RULES_H

#include <stddef.h>

// ---- Command line --------------------------------------------------------
enum SaverMode {
    SAVER_SETTINGS,   // "/c", "/c:HWND", "/c HWND" or no argument
    SAVER_FULL_SCREEN,// "/s"
    SAVER_PREVIEW,    // "/p HWND" or "/p:HWND"
    SAVER_NOTHING     // "/a" (password change) and anything unknown
};

struct SaverCommand {
    SaverMode mode;
    // The window handle that came with "/p" or "/c"; 0 when none.
    unsigned long long window;
};

// Switches start with "/" or "-", in either case.  A preview without a
// window handle is SAVER_NOTHING.
SaverCommand ParseSaverCommand(const char *commandLine);

// ---- Data file -----------------------------------------------------------
enum {
    kMinLanterns = 1,
    kMaxLanterns = 64,
    kDefaultLanterns = 24,
    kMinSpeed = 1,
    kMaxSpeed = 10,
    kDefaultSpeed = 3
};

struct SaverSettings {
    int lanterns;
    int speed;
};

SaverSettings DefaultSaverSettings(void);

// The data file is a profile text: a "[Lanterns]" section with "Count=" and
// "Speed=" (names in any case).  Values out of range are brought into it;
// missing or unreadable ones keep the value in *settings.
void ParseSaverSettings(const char *text, size_t size, SaverSettings *settings);

// Writes the data file's text; returns its length, or 0 when it does not
// fit the buffer.
size_t FormatSaverSettings(const SaverSettings *settings, char *text, size_t capacity);

// ---- Lantern motion --------------------------------------------------------
// Positions are in sixteenths of a pixel.  Lanterns rise, sway sideways
// between the window's edges and come back in at the bottom with a new place,
// size and colour once they have left at the top.
enum { kSubPixels = 16 };

struct Lantern {
    int x;
    int y;
    int rise;
    int sway;
    int radius;      // pixels
    unsigned color;  // 0x00BBGGRR
};

struct LanternSky {
    int width;
    int height;
    int count;
    int speed;
    unsigned seed;
    Lantern lanterns[kMaxLanterns];
};

void StartLanternSky(LanternSky *sky, int width, int height, const SaverSettings *settings,
                     unsigned seed);
void StepLanternSky(LanternSky *sky);

#endif
