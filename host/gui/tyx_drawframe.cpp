#include "host/gui/tyx_drawframe.h"

#include "host/gui/tyx_qtcolor.h"

namespace tyx {

namespace {

struct TRing {
    TColor TopLeft;
    TColor BottomRight;
};

// One ring at the given inset; false when it no longer fits.
bool DrawRing(QPainter& P, int Left, int Top, int Right, int Bottom, int Inset, const TRing& Ring)
{
    const int L = Left + Inset, T = Top + Inset, R = Right - Inset, B = Bottom - Inset;
    if (R < L || B < T) return false;
    const QColor TL = TColorToQColor(Ring.TopLeft), BR = TColorToQColor(Ring.BottomRight);
    P.fillRect(QRect(L, T, R - L, 1), TL);     // top row without its last pixel
    P.fillRect(QRect(L, T, 1, B - T), TL);     // left column without its last pixel
    P.fillRect(QRect(L, B, R - L + 1, 1), BR); // bottom row
    P.fillRect(QRect(R, T, 1, B - T + 1), BR); // right column
    return true;
}

} // namespace

void DrawFrame(TCanvas& Canvas, TFrameStyle FrameStyle, int Left, int Top, int Right, int Bottom,
               TColor ColWhiteLine, TColor ColSilver, TColor ColGrayLine, TColor ColBlackLine, TColor ColBlack)
{
    TRing Rings[3];
    int Count = 0;
    switch (FrameStyle) {
    case frsSingle: Rings[Count++] = {ColBlackLine, ColBlackLine}; break;
    case frsRaised:
        Rings[Count++] = {ColWhiteLine, ColBlackLine};
        Rings[Count++] = {ColSilver, ColGrayLine};
        break;
    case frsSunken:
        Rings[Count++] = {ColGrayLine, ColWhiteLine};
        Rings[Count++] = {ColBlackLine, ColSilver};
        break;
    case frsEmbossed:
        Rings[Count++] = {ColGrayLine, ColWhiteLine};
        Rings[Count++] = {ColWhiteLine, ColGrayLine};
        break;
    case frsDouble:
        Rings[Count++] = {ColBlackLine, ColBlackLine};
        Rings[Count++] = {ColSilver, ColSilver};
        Rings[Count++] = {ColBlack, ColBlack};
        break;
    default: break;
    }
    if (Count == 0 || !Canvas.Image() || Canvas.Image()->isNull()) return;
    QPainter& P = Canvas.Painter();
    P.save();
    P.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < Count; ++i)
        if (!DrawRing(P, Left, Top, Right, Bottom, i, Rings[i])) break;
    P.restore();
}

} // namespace tyx
