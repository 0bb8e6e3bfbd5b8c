#include "host/gui/tyx_stretchblt.h"

#include <algorithm>

#include "host/tyx_rounding.h"

namespace tyx {

int SetStretchBltMode(TCanvas& Canvas, int Mode)
{
    if (Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
    const int Old = Canvas.FStretchMode;
    Canvas.FStretchMode = Mode;
    return Old;
}

namespace {

// A QImage over a rectangle of Img's pixels, without copying them.
QImage SubImageView(const QImage& Img, const QRect& R)
{
    if (R == Img.rect()) return Img;
    const int Bpp = Img.depth() / 8;
    const uchar* Bits = Img.constBits() + static_cast<qsizetype>(R.y()) * Img.bytesPerLine() +
                        static_cast<qsizetype>(R.x()) * Bpp;
    QImage View(Bits, R.width(), R.height(), Img.bytesPerLine(), Img.format());
    if (Img.format() == QImage::Format_Indexed8) View.setColorTable(Img.colorTable());
    return View;
}

/// A rectangle of canvas pixels as image pixels of a canvas of that Scale.
void ToImagePixels(double Scale, int& X, int& Y, int& W, int& H)
{
    if (Scale == 1) return;
    auto At = [Scale](int V) { return Round(V * static_cast<long double>(Scale)); };
    const int X1 = At(X + W), Y1 = At(Y + H);
    X = At(X), Y = At(Y);
    W = X1 - X, H = Y1 - Y;
}

bool Stretch(TCanvas& Dest, int DX, int DY, int DW, int DH, const QImage* SrcImg, double SrcScale, int SX, int SY,
             int SW, int SH)
{
    if (DW <= 0 || DH <= 0 || SW <= 0 || SH <= 0) return false;
    if (!SrcImg || SrcImg->isNull() || !Dest.Image() || Dest.Image()->isNull()) return true;
    // Scaled canvases copy between their image pixels, so that a picture is sampled straight at
    // the destination's resolution.
    ToImagePixels(SrcScale, SX, SY, SW, SH);
    ToImagePixels(Dest.Scale(), DX, DY, DW, DH);
    if (DW <= 0 || DH <= 0 || SW <= 0 || SH <= 0) return true;

    // Only the part of the source rectangle that lies on the picture is copied; it lands on the
    // matching part of the destination, and the rest of the destination keeps its pixels.
    const int CX0 = std::max(SX, 0), CY0 = std::max(SY, 0);
    const int CX1 = std::min<long long>(static_cast<long long>(SX) + SW, SrcImg->width());
    const int CY1 = std::min<long long>(static_cast<long long>(SY) + SH, SrcImg->height());
    if (CX1 <= CX0 || CY1 <= CY0) return true;
    const double FX = static_cast<double>(DW) / SW, FY = static_cast<double>(DH) / SH;
    // In doubles: offsets of far-away rectangles would overflow int arithmetic.
    const int DX0 = Round(DX + (double(CX0) - SX) * FX), DX1 = Round(DX + (double(CX1) - SX) * FX);
    const int DY0 = Round(DY + (double(CY0) - SY) * FY), DY1 = Round(DY + (double(CY1) - SY) * FY);
    if (DX1 <= DX0 || DY1 <= DY0) return true;

    const QRect SrcRect(CX0, CY0, CX1 - CX0, CY1 - CY0);
    const QRect DstRect(DX0, DY0, DX1 - DX0, DY1 - DY0);
    // Copying within one picture must read the source before it is overwritten.
    QImage Source = (SrcImg == Dest.Image()) ? SrcImg->copy(SrcRect) : SubImageView(*SrcImg, SrcRect);

    QPainter& P = Dest.Painter();
    P.save();
    P.setCompositionMode(QPainter::CompositionMode_Source);
    P.setClipping(false);
    if (Dest.Scale() != 1) P.scale(1 / Dest.Scale(), 1 / Dest.Scale());
    const bool Smooth = Dest.StretchBltMode() == HALFTONE;
    const bool Same = DstRect.size() == SrcRect.size();
    if (Same) {
        P.drawImage(DstRect.topLeft(), Source);
    } else if (Smooth && DstRect.width() <= SrcRect.width() && DstRect.height() <= SrcRect.height()) {
        // QImage's smooth scaling averages the covered area when shrinking. Only then: the
        // scaled copy is never larger than the source.
        P.drawImage(DstRect.topLeft(),
                    Source.scaled(DstRect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        P.setRenderHint(QPainter::SmoothPixmapTransform, Smooth);
        P.drawImage(DstRect, Source, Source.rect());
    }
    P.restore();
    return true;
}

} // namespace

bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH, const TCanvas& Src, int SX, int SY, int SW, int SH)
{
    return Stretch(Dest, DX, DY, DW, DH, Src.Image(), Src.Scale(), SX, SY, SW, SH);
}

bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH, const QImage& Src, int SX, int SY, int SW, int SH)
{
    return Stretch(Dest, DX, DY, DW, DH, &Src, 1, SX, SY, SW, SH);
}

bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH, const TBitmap& Src, int SX, int SY, int SW, int SH)
{
    return StretchBlt(Dest, DX, DY, DW, DH, Src.Canvas(), SX, SY, SW, SH);
}

} // namespace tyx
