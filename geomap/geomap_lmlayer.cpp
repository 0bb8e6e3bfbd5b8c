// TGeoMap overlay: the landmark layer. With more landmarks in the view than
// LMRandomDisplayThreshold, each landmark is drawn with the probability that keeps the expected
// count at the threshold, so a crowded view stays readable and quick to paint; which landmarks
// appear then changes from paint to paint (SeedRandom makes it repeatable).
#include <cmath>

#include "geomap/geomap_overlay.h"
#include "host/tyx_cpu.h"
#include "support/Tyx_math1.h"

namespace tyx {

bool TGeoMap::LandMarkToControl(double Lat, double Long, TPoint& APoint) const
{
    // A position that does not convert, or is no position at all, is left out silently.
    if (!std::isfinite(Lat) || !std::isfinite(Long)) return false;
    int x = 0, y = 0;
    if (!FCalib.CalcPixelCoords(Lat, Long, x, y)) return false;
    if (FLMOnMapOnly && (x < 0 || y < 0 || x >= FMapImgWidth || y >= FMapImgHeight)) return false;
    APoint = MapImageToControl(TPoint{x, y});
    return true;
}

bool TGeoMap::PlaceLandMark(TCanvas& C, int W, int H, const TLandMark& LM, TPoint& APoint)
{
    if (!LandMarkToControl(LM.Latitude, LM.Longitude, APoint)) return false;
    bool Handled = false;
    if (OnDrawLandmark) OnDrawLandmark(this, Handled, C, APoint, LM);
    return !Handled && StrictlyInside(APoint, W, H);
}

double TGeoMap::LandMarkSampling(int W, int H, std::size_t& Visible) const
{
    // The view's corners as positions, in the order of the calibration's corners.
    TCornerArray View;
    const TPoint Corners[4] = {{0, 0}, {0, H}, {W, H}, {W, 0}};
    for (int k = 0; k < 4; ++k) {
        const TPoint P = ControlToMapImage(Corners[k]);
        bool Valid = false;
        View[k].Latit = FCalib.CalcLatitude(P, Valid);
        View[k].Longit = FCalib.CalcLongitude(P, Valid);
    }
    const std::size_t Count = FLandMarks.CountInside(View, Visible);
    return Count > std::size_t(FLMRandSampleLimit) ? double(FLMRandSampleLimit) / double(Count) : 1.0;
}

void TGeoMap::DrawLandMarkLayer(TCanvas& C, int W, int H, const std::vector<TRect>& Reserved)
{
    C.Pen().SetColor(clLime); // for the handlers; every symbol sets its own pen
    ClearUpperVectorState();  // the map image and the graticule were drawn by Qt
    std::size_t Visible = 0;
    const double p = NumLandMarks() > FLMRandSampleLimit ? LandMarkSampling(W, H, Visible) : 1.0;
    if (FCaptionPlacement == cpDeclutter) return DrawDecluttered(C, W, H, p, Reserved);
    auto Symbol = [&](const TSymbolProperties& S, const TPoint& APoint) {
        DrawLandMarkSymbolOnCanvas(C, APoint.X, APoint.Y, S.Kind, S.FGColor, S.BGColor, S.Size, S.Direction,
                                   S.Length, S.Transparent);
    };
    if (!OnDrawLandmark) {
        // Without a handler the list cannot change while it is drawn, so the class test, the
        // sampling, the placing and the symbol read the packed spots; only captions are read
        // from the landmarks themselves. Nothing else draws from BRandom meanwhile, so its draws
        // are taken at once: one per landmark of a visible class, as with a handler.
        const std::vector<TLandMarkSpot>& Spots = FLandMarks.Spots();
        const std::vector<TSymbolProperties>& Symbols = FLandMarks.SpotSymbols();
        std::vector<uint8_t> Drawn(p < 1 ? Visible : 0);
        BRandomFill(p, Drawn);
        std::size_t Next = 0;
        for (std::size_t i = 0; i < Spots.size(); ++i) {
            const TLandMarkSpot& Spot = Spots[i];
            if (!FLandMarks.GetClassVisibility(Spot.ClassFlag) || (p < 1 && !Drawn[Next++])) continue;
            TPoint APoint;
            if (!LandMarkToControl(Spot.Latitude, Spot.Longitude, APoint) || !StrictlyInside(APoint, W, H)) continue;
            Symbol(Symbols[i], APoint);
            if (Spot.HasCaption) DrawLandMarkCaption(C, APoint, FLandMarks[int(i) + 1].Caption);
            ClearUpperVectorState(); // the symbol or caption may have been drawn by Qt
        }
        return;
    }
    // By number, and from a copy: a handler may change the list.
    TLandMark Copy;
    for (int i = 1; i <= NumLandMarks(); ++i) {
        ClearUpperVectorState(); // the handler, a symbol or a caption may have drawn with Qt
        if (!FLandMarks.GetClassVisibility(FLandMarks[i].ClassFlag) || !BRandom(p)) continue;
        Copy = FLandMarks[i];
        TPoint APoint;
        if (!PlaceLandMark(C, W, H, Copy, APoint)) continue;
        Symbol(Copy.SymbolProps, APoint);
        if (!Copy.Caption.Text.Empty()) DrawLandMarkCaption(C, APoint, Copy.Caption);
    }
}

} // namespace tyx
