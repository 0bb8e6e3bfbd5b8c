// TGeoMap overlay: the highlight landmark, drawn last, above what the host drew in
// OnDataRendered, in the highlight colours and without caption. Sampling does not apply to it, so
// the landmark a user picked stays in sight in a crowded view.
#include "geomap/geomap_overlay.h"

namespace tyx {

void TGeoMap::DrawHighLightLandMark(TCanvas& C, int W, int H)
{
    if (FHighLM < 1 || FHighLM > NumLandMarks()) return;
    // A copy: the handler may change the list.
    const TLandMark LM = FLandMarks[FHighLM];
    if (!FLandMarks.GetClassVisibility(LM.ClassFlag)) return;
    TPoint APoint;
    if (!PlaceLandMark(C, W, H, LM, APoint)) return;
    const TSymbolProperties& S = LM.SymbolProps;
    DrawLandMarkSymbolOnCanvas(C, APoint.X, APoint.Y, S.Kind, FHighLMColFG, FHighLMColBG, S.Size, S.Direction,
                               S.Length, FHighLMTrans);
}

} // namespace tyx
