// TGeoMap: composing the picture. Everything is drawn into the composition bitmap AuxBmp, copied
// into the control's own picture in one step, and paintEvent only shows that picture, so the
// screen never sees a half-drawn map. The overlays (graticule, grid, calibration marks,
// landmarks) join the composition between the image and the frame.
#include "geomap/Tyx_geomap.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

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

void TGeoMap::ConstructInternalMapImg()
{
    const int W = width();
    const int H = height();
    // Grown in one step: a bitmap without pixels has no height to keep while its width grows.
    if (AuxBmp.Width() < W || AuxBmp.Height() < H)
        AuxBmp.SetSize(std::max(AuxBmp.Width(), W), std::max(AuxBmp.Height(), H));
    TCanvas& C = AuxBmp.Canvas();
    C.Pen().SetStyle(psSolid);
    C.Pen().SetMode(pmCopy);

    if (FMapImgName.empty()) {
        C.Brush().SetColor(FColorBakGnd);
        C.Pen().SetColor(FColorBakGnd);
        C.FillRect(Rect(0, 0, W, H));
        C.Font().SetColor(FFrameColor);
        C.TextOut(10, 10, FEmptyMsg);
    } else if (!ExplicitlyHidden(*this)) {
        C.Brush().SetColor(FColorBakGnd);
        C.Pen().SetColor(FColorBakGnd);
        C.FillRect(Rect(0, 0, W, H));

        // Below the limit the whole image is shrunk once per magnification; panning then only
        // copies blocks of the cache.
        if ((FCacheMag != FMagnify || FCacheAA != FAntiAlias) && FMagnify < FCacheMagLimit) {
            const int CW = Round(GrafBmp.Width() * FMagnify);
            const int CH = Round(GrafBmp.Height() * FMagnify);
            FImgCache.SetSize(CW, CH);
            SetStretchBltMode(FImgCache.Canvas(), FAntiAlias ? HALFTONE : COLORONCOLOR);
            StretchBlt(FImgCache.Canvas(), 0, 0, CW, CH, GrafBmp, 0, 0, GrafBmp.Width(), GrafBmp.Height());
            FCacheMag = FMagnify;
            FCacheAA = FAntiAlias;
        }
        if (FCacheMag == FMagnify) {
            SetStretchBltMode(C, COLORONCOLOR);
            StretchBlt(C, 0, 0, W, H, FImgCache, Round(FTopLeft.X * FMagnify), Round(FTopLeft.Y * FMagnify), W, H);
        } else {
            SetStretchBltMode(C, FAntiAlias ? HALFTONE : COLORONCOLOR);
            const int SW = Round(W / FMagnify + FTopLeft.X) - FTopLeft.X;
            const int SH = Round(H / FMagnify + FTopLeft.Y) - FTopLeft.Y;
            StretchBlt(C, 0, 0, W, H, GrafBmp, FTopLeft.X, FTopLeft.Y, SW, SH);
        }

        if (OnBeforeRenderData) OnBeforeRenderData(this, C);
        if (OnDataRendered) OnDataRendered(this, C);
    }

    DrawFrame(C, FFrameStyle, 0, 0, W - 1, H - 1, FColWhiteLine, clSilver, FColGrayLine, FColBlackLine, clBlack);
}

void TGeoMap::Paint()
{
    if (FSuppressPaint) return;
    ConstructInternalMapImg();
    FPicture = AuxBmp.Image().copy(0, 0, width(), height()).convertToFormat(QImage::Format_RGB32);
    update();
}

void TGeoMap::paintEvent(QPaintEvent* Event)
{
    QPainter P(this);
    P.drawImage(Event->rect(), FPicture, Event->rect());
}

} // namespace tyx
