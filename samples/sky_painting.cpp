// Drawing one frame: a night sky and the lanterns as glowing discs.
#include "samples/saver.h"

static const COLORREF kNight = RGB(8, 12, 40);

// The colour mixed towards the night by weight (0 to 256).
static COLORREF Dim(unsigned color, int weight)
{
    int r = GetRValue(kNight) + ((int)GetRValue(color) - GetRValue(kNight)) * weight / 256;
    int g = GetGValue(kNight) + ((int)GetGValue(color) - GetGValue(kNight)) * weight / 256;
    int b = GetBValue(kNight) + ((int)GetBValue(color) - GetBValue(kNight)) * weight / 256;
    return RGB(r, g, b);
}

static void Disc(HDC dc, int x, int y, int radius, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ old = SelectObject(dc, brush);
    Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
    SelectObject(dc, old);
    DeleteObject(brush);
}

void PaintSky(HDC dc, int width, int height, const LanternSky *sky)
{
    RECT all = {0, 0, width, height};
    HBRUSH night = CreateSolidBrush(kNight);
    FillRect(dc, &all, night);
    DeleteObject(night);

    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    for (int i = 0; i < sky->count; i++) {
        const Lantern *lantern = &sky->lanterns[i];
        int x = lantern->x / kSubPixels;
        int y = lantern->y / kSubPixels;
        int r = lantern->radius;
        Disc(dc, x, y, r * 2, Dim(lantern->color, 48));
        Disc(dc, x, y, r + r / 2, Dim(lantern->color, 120));
        Disc(dc, x, y, r, Dim(lantern->color, 256));
        Disc(dc, x, y, r / 3, RGB(255, 244, 214));
    }
    SelectObject(dc, oldPen);
}
