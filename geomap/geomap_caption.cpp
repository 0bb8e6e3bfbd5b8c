// TGeoMap overlay: a landmark's caption. The anchor (the landmark's control point moved by dx, dy)
// sits at the left, centre or right and the top, middle or bottom of the text's box; a caption
// with a direction is rotated counter-clockwise about its reference point with those offsets
// rotated alike, so the anchor keeps its place on the text.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"

namespace tyx {

void DrawLandMarkCaption(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption)
{
    C.Brush().SetColor(Caption.BGColor);
    TFont& F = C.Font();
    F.SetColor(Caption.FGColor);
    F.SetSize(Caption.Size);
    F.SetStyle(Caption.FontStyles);
    F.SetName(Caption.FontName);
    if (Caption.Transparent) C.Brush().SetStyle(bsClear);
    // Whole turns dropped first, so that no direction can overflow the tenths of a degree.
    F.SetOrientation(Caption.Direction % 360 * 10);

    const std::string Text = Caption.Text.Str();
    const int w = C.TextWidth(Text) / 2;
    const int h = C.TextHeight(Text) / 2;
    int a = 0, v = 0;
    switch (Caption.HAlignment) {
    case taLeftJustify: a = 0; break;
    case taCenter: a = w; break;
    case taRightJustify: a = 2 * w; break;
    default: F.SetOrientation(0); return;
    }
    switch (Caption.VAlignment) {
    case vaTop: v = 0; break;
    case vaMiddle: v = h; break;
    case vaBottom: v = 2 * h; break;
    default: F.SetOrientation(0); return;
    }
    const double t = Caption.Direction * std::numbers::pi / 180;
    const long long x = (long long)APoint.X + Caption.dx + Round(-a * std::cos(t) - v * std::sin(t));
    const long long y = (long long)APoint.Y + Caption.dy + Round(a * std::sin(t) - v * std::cos(t));
    // An offset that leaves the int range would only place the text far off the picture.
    if (x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX)
        C.TextOut(static_cast<int>(x), static_cast<int>(y), Text);
    F.SetOrientation(0);
}

} // namespace tyx
