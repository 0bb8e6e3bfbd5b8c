// TGeoMap overlay: the landmark layer. With more landmarks in the view than
// LMRandomDisplayThreshold, each landmark is drawn with the probability that keeps the expected
// count at the threshold, so a crowded view stays readable and quick to paint; which landmarks
// appear then changes from paint to paint (SeedRandom makes it repeatable).
#include <cmath>

#include "geomap/geomap_overlay.h"
#include "support/Tyx_math1.h"

namespace tyx {

bool TGeoMap::PlaceLandMark(TCanvas& C, int W, int H, const TLandMark& LM, TPoint& APoint)
{
    // A position that does not convert, or is no position at all, is left out silently.
    if (!std::isfinite(LM.Latitude) || !std::isfinite(LM.Longitude)) return false;
    int x = 0, y = 0;
    if (!FCalib.CalcPixelCoords(LM.Latitude, LM.Longitude, x, y)) return false;
    APoint = MapImageToControl(TPoint{x, y});
    bool Handled = false;
    if (OnDrawLandmark) OnDrawLandmark(this, Handled, C, APoint, LM);
    return !Handled && APoint.X > 0 && APoint.X < W && APoint.Y > 0 && APoint.Y < H;
}

double TGeoMap::LandMarkSampling(int W, int H) const
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
    long long Count = 0;
    for (const TLandMarkSpot& LM : FLandMarks.Spots())
        if (FLandMarks.GetClassVisibility(LM.ClassFlag) && PositionInMap(LM.Latitude, LM.Longitude, View)) ++Count;
    return Count > FLMRandSampleLimit ? double(FLMRandSampleLimit) / double(Count) : 1.0;
}

void TGeoMap::DrawLandMarkLayer(TCanvas& C, int W, int H)
{
    C.Pen().SetColor(clLime); // for the handlers; every symbol sets its own pen
    const double p = NumLandMarks() > FLMRandSampleLimit ? LandMarkSampling(W, H) : 1.0;
    TLandMark Copy;
    // Without a handler the list cannot change while it is drawn, so the class test and the
    // sampling read the packed spots and only drawn landmarks are touched in full.
    const std::vector<TLandMarkSpot>* Spots = OnDrawLandmark ? nullptr : &FLandMarks.Spots();
    // By number, and from a copy while a handler runs: a handler may change the list.
    for (int i = 1; i <= NumLandMarks(); ++i) {
        const uint8_t Class = Spots ? (*Spots)[std::size_t(i - 1)].ClassFlag : FLandMarks[i].ClassFlag;
        if (!FLandMarks.GetClassVisibility(Class) || !BRandom(p)) continue;
        const TLandMark* LM = &FLandMarks[i];
        if (OnDrawLandmark) LM = &(Copy = *LM);
        TPoint APoint;
        if (!PlaceLandMark(C, W, H, *LM, APoint)) continue;
        const TSymbolProperties& S = LM->SymbolProps;
        DrawLandMarkSymbolOnCanvas(C, APoint.X, APoint.Y, S.Kind, S.FGColor, S.BGColor, S.Size, S.Direction,
                                   S.Length, S.Transparent);
        if (!LM->Caption.Text.Empty()) DrawLandMarkCaption(C, APoint, LM->Caption);
    }
}

} // namespace tyx
