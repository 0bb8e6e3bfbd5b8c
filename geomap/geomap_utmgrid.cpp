// TGeoMap overlay: the UTM grid of a map calibrated in UTM. Lines of constant northing and of
// constant easting, a round number of metres apart, each a straight line across the image between
// the rows (columns) where it meets the image's left and right (top and bottom) edges, clipped to
// the magnified image as it lies in the view.
#include <cmath>

#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_math1.h"
#include "support/Tyx_sline.h"

namespace tyx {

void TGeoMap::DrawUTMGrid(TCanvas& C)
{
    const TCalibData& CD = FCalib.CalibData();
    double N_BL = 0, E_BL = 0, N_BR = 0, E_BR = 0, N_TL = 0, E_TL = 0;
    // The corners in the calibration's own zone, so that a map reaching into the next zone keeps
    // one consistent grid.
    FCalib.CalcUTMCoords(CD.Corners[gcoBottomLeft].Latit, CD.Corners[gcoBottomLeft].Longit, N_BL, E_BL);
    FCalib.CalcUTMCoords(CD.Corners[gcoBottomRight].Latit, CD.Corners[gcoBottomRight].Longit, N_BR, E_BR);
    FCalib.CalcUTMCoords(CD.Corners[gcoTopLeft].Latit, CD.Corners[gcoTopLeft].Longit, N_TL, E_TL);

    double B = 0;
    if (FUTMGridDist >= 1) {
        B = 1.0 / FUTMGridDist;
    } else {
        B = 1 / Round125(std::fabs(N_TL - N_BL) / 10);
        if (B > 1) B = 1; // never closer than a metre
    }
    C.Pen().SetColor(FColorGratLine);
    // The magnified image where the view shows it.
    const TPoint Origin = MapImageToControl(TPoint{0, 0});
    const double Left = Origin.X, Top = Origin.Y;
    const double Right = Left + FMapImgWidth * FMagnify, Bottom = Top + FMapImgHeight * FMagnify;
    auto DrawClipped = [&](const TPoint& P1, const TPoint& P2) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!TSLine(P1.X, P1.Y, P2.X, P2.Y).ClipBox(Left, Top, Right, Bottom, x1, y1, x2, y2)) return;
        C.MoveTo(Round(x1), Round(y1));
        C.LineTo(Round(x2), Round(y2));
    };
    ForEachLineValue(N_BL, N_TL + 1 / B, B, [&](double D) {
        DrawClipped(MapImageToControl(TPoint{0, FCalib.CalcUTMyFromNorthingX(D, 0)}),
                    MapImageToControl(TPoint{FMapImgWidth, FCalib.CalcUTMyFromNorthingX(D, FMapImgWidth)}));
    });
    ForEachLineValue(E_BL, E_BR, B, [&](double D) {
        DrawClipped(MapImageToControl(TPoint{FCalib.CalcUTMxFromEastingY(D, 0), 0}),
                    MapImageToControl(TPoint{FCalib.CalcUTMxFromEastingY(D, FMapImgHeight), FMapImgHeight}));
    });
}

} // namespace tyx
