// TGeoMap overlay: the calibration marks, a cross in a diamond with a white ring, so that a
// calibration point stays visible on dark and light parts of a map alike.
#include <algorithm>

#include "geomap/geomap_overlay.h"

namespace tyx {

void TGeoMap::DrawCalibMark(TCanvas& C, const TPoint& P) const
{
    // A mark far off the picture is drawn where its strokes cannot overflow.
    const TPoint Q = NearAnyPicture(P);
    const int x = Q.X, y = Q.Y;
    auto Diamond = [&](int d) {
        C.MoveTo(x - d, y);
        C.LineTo(x, y - d);
        C.LineTo(x + d, y);
        C.LineTo(x, y + d);
        C.LineTo(x - d, y);
    };
    C.Pen().SetColor(FColorGratPoints);
    C.MoveTo(x - 8, y);
    C.LineTo(x + 8, y);
    C.MoveTo(x, y - 8);
    C.LineTo(x, y + 8);
    Diamond(8);
    C.Pen().SetColor(clWhite);
    Diamond(9);
    C.Pen().SetColor(FColorGratPoints);
    Diamond(10);
}

void TGeoMap::DrawCalibMarks(TCanvas& C) const
{
    const TCalibData& CD = FCalib.CalibData();
    for (int i = 1; i <= std::min<int>(CD.NumCalQuads, gmMaxCalQuads); ++i)
        DrawCalibMark(C, MapImageToControl(TPoint{CD.CalQuads[i].MapX, CD.CalQuads[i].MapY}));
}

} // namespace tyx
