// TGeoMap: composing the picture. Every paint composes the whole view (background, the visible
// part of the map image, the overlays, the frame) in the 15-bit composition bitmap AuxBmp and
// copies it in one block into the control's own picture, so the screen never sees a half-drawn
// map. Below CacheMagLimit the image is shrunk once per magnification into FImgCache and panning
// only copies blocks of it; at or above the limit each paint stretches the visible part of the
// full-resolution image. An image above the default pixel limit is sampled from its pyramid
// instead, and the control keeps that sample so that a pan samples only what it uncovers. The
// exports compose the same way into bitmaps of their own.
#include "geomap/Tyx_geomap.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "geomap/geomap_mouse.h"
#include "geomap/geomap_overlay.h"
#include "geomap/geomap_pyramid.h"
#include "geomap/geomap_restore.h"
#include "host/gui/tyx_clipboard.h"
#include "host/gui/tyx_drawframe.h"
#include "host/gui/tyx_stretchblt.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

/// Hidden on purpose by the host, as opposed to not shown yet: a control that was never hidden
/// keeps composing while its window is not on the screen.
bool ExplicitlyHidden(const QWidget& W)
{
    return W.testAttribute(Qt::WA_WState_ExplicitShowHide) && W.testAttribute(Qt::WA_WState_Hidden);
}

} // namespace

void TGeoMap::SetDesignMode(bool Value)
{
    if (Value == FDesignMode) return;
    FDesignMode = Value;
    Paint();
}

void TGeoMap::SetHighDpi(bool Value)
{
    if (Value == FHighDpi) return;
    FHighDpi = Value;
    Paint();
}

void TGeoMap::SetPixelRatio(double Value)
{
    FPixelRatio = Value >= 1 && Value <= 8 ? Value : 0;
    if (FHighDpi) Paint();
}

double TGeoMap::DrawingRatio() const
{
    if (!FHighDpi) return 1;
    if (FPixelRatio > 0) return FPixelRatio;
    return std::clamp(devicePixelRatioF(), 1.0, 8.0);
}

void TGeoMap::BuildImageCache(TBitmap& Cache, double Mag, bool AA) const
{
    const int CW = Round(GrafBmp.Width() * Mag);
    const int CH = Round(GrafBmp.Height() * Mag);
    Cache.SetPixelFormat(pf15bit);
    Cache.SetSize(CW, CH);
    SetStretchBltMode(Cache.Canvas(), AA ? HALFTONE : COLORONCOLOR);
    StretchBlt(Cache.Canvas(), 0, 0, CW, CH, GrafBmp, 0, 0, GrafBmp.Width(), GrafBmp.Height());
}

void TGeoMap::DrawMapImage(TCanvas& C, int W, int H, bool OwnCache)
{
    if (FLarge) {
        // No whole-image cache: the pyramid's levels are the reduced copies. The control keeps
        // its view, which exports leave alone.
        if (OwnCache && !FKeptView) FKeptView = std::make_unique<TKeptView>();
        FLarge->DrawView(C, W, H, FTopLeft, FMagnify, FMagnify * C.Scale(), FAntiAlias,
                         OwnCache ? FKeptView.get() : nullptr);
        return;
    }
    // A small image has no use for a large one's kept view.
    if (OwnCache) FKeptView.reset();
    const TBitmap* Cache = nullptr;
    TBitmap Temporary;
    // The cache holds the image at the picture's own pixels: on a scaled canvas, Scale times the
    // magnification.
    const double Ratio = C.Scale();
    const double Mag = Ratio == 1 ? FMagnify : FMagnify * Ratio;
    if (OwnCache) {
        if ((FCacheMag != Mag || FCacheAA != FAntiAlias) && Mag < FCacheMagLimit) {
            BuildImageCache(FImgCache, Mag, FAntiAlias);
            // Only a complete rebuild makes the cache valid.
            FCacheMag = Mag;
            FCacheAA = FAntiAlias;
            ++FCacheBuilds;
        }
        if (FCacheMag == Mag) Cache = &FImgCache;
    } else if (Mag < FCacheMagLimit) {
        // An export looks exactly like the control would at this view; it borrows the control's
        // cache when that fits and never replaces it.
        if (FCacheMag == Mag && FCacheAA == FAntiAlias) {
            Cache = &FImgCache;
        } else {
            BuildImageCache(Temporary, Mag, FAntiAlias);
            Cache = &Temporary;
        }
    }

    if (Cache) {
        SetStretchBltMode(C, COLORONCOLOR);
        const int SW = Ratio == 1 ? W : Round(W * Ratio), SH = Ratio == 1 ? H : Round(H * Ratio);
        StretchBlt(C, 0, 0, W, H, *Cache, Round(FTopLeft.X * Mag), Round(FTopLeft.Y * Mag), SW, SH);
    } else {
        SetStretchBltMode(C, FAntiAlias ? HALFTONE : COLORONCOLOR);
        const int SW = Round(W / FMagnify + FTopLeft.X) - FTopLeft.X;
        const int SH = Round(H / FMagnify + FTopLeft.Y) - FTopLeft.Y;
        StretchBlt(C, 0, 0, W, H, GrafBmp, FTopLeft.X, FTopLeft.Y, SW, SH);
    }
}

void TGeoMap::DrawOverlays(TCanvas& C, int W, int H)
{
    const TCalibModel Model = FCalib.CalibModel();
    const TCalibData& CD = FCalib.CalibData();
    const bool Lines = FShowGrat == sgLines || FShowGrat == sgPointsAndLines;
    const bool Grid = FShowGrat == sgUTMGrid || FShowGrat == sgPointsAndUTMGrid;
    const bool Marks =
        FShowGrat == sgPoints || FShowGrat == sgPointsAndLines || (FShowGrat == sgPointsAndUTMGrid && Model == cmUTM);
    // The scale bar's corner is kept free of labels.
    std::optional<TGratLabels> Labels;
    if (FGratLabels && Lines)
        Labels.emplace(W, H, FShowScaleBar ? ScaleBarCorner(W, H) : QRect());
    TGratLabels* const Labelled = Labels ? &*Labels : nullptr;
    if (Model == cmParabolicIp) {
        // Line by line: the fitted curve, then the marks of its points.
        for (int L = 1; L <= std::min<int>(CD.NumCalLines, gmMaxCalLines); ++L) {
            const TCalibLine& Line = CD.CalLines[L];
            if (Lines) DrawParabolicLine(C, W, H, Line, Labelled);
            if (Marks)
                for (int k = 1; k <= std::min<int>(Line.NumPoints, gmMaxLinePoints); ++k)
                    DrawCalibMark(C, MapImageToControl(Line.CalPoints[k]));
        }
    } else if (Model != cmUndefined && FShowGrat != sgNone) {
        // Segments per line (the conic model's meridians are straight) and the points a model
        // needs before its lines mean anything.
        const int Segments = (Model == cmEquiRect || Model == cmUTM) ? 10 : 100;
        const int MinQuads = Model == cmBiquadraticPn ? 6 : 3;
        if (Lines && CD.NumCalQuads >= MinQuads)
            DrawGraticule(C, Segments, Model == cmConicConformal ? 1 : Segments, Labelled);
        if (Grid && Model == cmUTM && CD.NumCalQuads >= 3) DrawUTMGrid(C);
        if (Marks) DrawCalibMarks(C);
    }
    // Above the lines and marks, below the landmarks.
    if (Labels) Labels->Draw(C.Painter(), FColorGratLine);
    // Captions placed around each other keep clear of the labels and of the scale bar to come.
    std::vector<TRect> Reserved;
    if (FCaptionPlacement == cpDeclutter) {
        if (Labels) Reserved = Labels->Boxes();
        TRect Bar;
        if (FShowScaleBar && ScaleBarBox(W, H, Bar)) Reserved.push_back(Bar);
    }
    DrawLandMarkLayer(C, W, H, Reserved);
    if (OnDataRendered) OnDataRendered(this, C);
    DrawHighLightLandMark(C, W, H);
    if (FShowScaleBar) DrawScaleBar(C, W, H);
}

void TGeoMap::ComposeView(TCanvas& C, int W, int H, bool OwnCache)
{
    C.Pen().SetStyle(psSolid);
    C.Pen().SetMode(pmCopy);
    C.Brush().SetColor(FColorBakGnd);
    C.Pen().SetColor(FColorBakGnd);
    C.FillRect(Rect(0, 0, W, H));
    if (FDesignMode || FMapImgName.empty()) {
        C.Font().SetColor(FFrameColor);
        C.TextOut(10, 10, FEmptyMsg);
        return;
    }
    DrawMapImage(C, W, H, OwnCache);
    for (TGeoMapLayer* Layer : FLayers) Layer->DrawLayer(C, W, H);
    if (OnBeforeRenderData) OnBeforeRenderData(this, C);
    DrawOverlays(C, W, H);
}

void TGeoMap::AddLayer(TGeoMapLayer* Layer)
{
    if (Layer && std::find(FLayers.begin(), FLayers.end(), Layer) == FLayers.end()) FLayers.push_back(Layer);
}

void TGeoMap::RemoveLayer(TGeoMapLayer* Layer)
{
    std::erase(FLayers, Layer);
}

void TGeoMap::ConstructInternalMapImg()
{
    const int W = width();
    const int H = height();
    // With HighDpi the bitmap holds device pixels and its canvas takes control pixels.
    const double Ratio = DrawingRatio();
    const int DW = Ratio == 1 ? W : Round(W * Ratio), DH = Ratio == 1 ? H : Round(H * Ratio);
    // Grown in one step: a bitmap without pixels has no height to keep while its width grows.
    if (AuxBmp.Width() < DW || AuxBmp.Height() < DH)
        AuxBmp.SetSize(std::max(AuxBmp.Width(), DW), std::max(AuxBmp.Height(), DH));
    TCanvas& C = AuxBmp.Canvas();
    C.SetScale(Ratio);
    // A hidden control keeps its last picture, but the frame is always drawn.
    if (FDesignMode || FMapImgName.empty() || !ExplicitlyHidden(*this)) ComposeView(C, W, H, true);
    DrawFrame(C, FFrameStyle, 0, 0, W - 1, H - 1, FColWhiteLine, clSilver, FColGrayLine, FColBlackLine, clBlack);
}

void TGeoMap::Paint()
{
    if (FSuppressPaint) return;
    ComposePicture();
    update();
}

void TGeoMap::ComposePicture()
{
    ConstructInternalMapImg();
    const double Ratio = AuxBmp.Canvas().Scale();
    if (Ratio == 1) {
        FPicture = AuxBmp.Image().copy(0, 0, width(), height());
    } else {
        FPicture = AuxBmp.Image().copy(0, 0, Round(width() * Ratio), Round(height() * Ratio));
        FPicture.setDevicePixelRatio(Ratio);
    }
    // A frame or band being dragged stays on the new picture, so that taking it off still works.
    if (FMouse) FMouse->RedrawFeedback();
}

void TGeoMap::ComposeOffscreen(TBitmap& Out, const TPoint& ViewTopLeft, double Mag, int W, int H, double Ratio)
{
    Out.SetPixelFormat(pf15bit);
    try {
        Out.SetSize(Ratio == 1 ? W : Round(W * Ratio), Ratio == 1 ? H : Round(H * Ratio));
    } catch (const std::bad_alloc&) {
        RaiseInsufficientMemory();
    }
    Out.Canvas().SetScale(Ratio);
    const TRestore<TPoint> KeepTopLeft(FTopLeft, ViewTopLeft);
    const TRestore<double> KeepMag(FMagnify, Mag);
    ComposeView(Out.Canvas(), W, H, false);
    Out.Canvas().EndPaint();
}

void TGeoMap::CopyToClipboard()
{
    const int W = width();
    const int H = height();
    // The picture as shown: with HighDpi at its device pixels.
    const double Ratio = AuxBmp.Canvas().Scale();
    TBitmap Clip(Ratio == 1 ? W : Round(W * Ratio), Ratio == 1 ? H : Round(H * Ratio));
    Clip.Canvas().SetScale(Ratio);
    SetStretchBltMode(Clip.Canvas(), COLORONCOLOR);
    Clip.Canvas().CopyRect(Rect(2, 2, W - 2, H - 2), AuxBmp.Canvas(), Rect(2, 2, W - 2, H - 2));
    TCanvas& C = Clip.Canvas();
    C.Pen().SetStyle(psSolid);
    C.Pen().SetMode(pmCopy);
    C.Pen().SetColor(clBlack);
    // The closed outline through (1, 1) and (W - 2, H - 2): a rectangle's outline covers the same
    // pixels, whichever way the painter runs its lines.
    C.Brush().SetStyle(bsClear);
    C.Rectangle(1, 1, W - 1, H - 1);
    ClipboardSetBitmap(Clip);
}

void TGeoMap::CopyEntireMapToClipboard()
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0)
        throw ETYXGeoMapError(Name(), "CopyEntireMapToClipboard: no map image");
    TBitmap Whole;
    ComposeOffscreen(Whole, TPoint{0, 0}, 1.0, FMapImgWidth, FMapImgHeight);
    ClipboardSetBitmap(Whole);
}

void TGeoMap::CopyToBMP(TBitmap& DestBmp, const TPoint& TopLeft, double MagFact, int PosHoriz, int PosVert,
                        int Width, int Height)
{
    if (Width < 1 || Height < 1 || !(MagFact > 0) || !std::isfinite(MagFact)) return;
    TBitmap View;
    ComposeOffscreen(View, TopLeft, MagFact, Width, Height);
    const long long NeedW = static_cast<long long>(PosHoriz) + Width;
    const long long NeedH = static_cast<long long>(PosVert) + Height;
    if (NeedW > DestBmp.Width() || NeedH > DestBmp.Height())
        DestBmp.SetSize(static_cast<int>(std::max<long long>(DestBmp.Width(), NeedW)),
                        static_cast<int>(std::max<long long>(DestBmp.Height(), NeedH)));
    DestBmp.Canvas().Draw(PosHoriz, PosVert, View);
    DestBmp.Canvas().EndPaint();
}

} // namespace tyx
