#include "host/gui/tyx_canvas.h"

#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <stdexcept>

#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/gui/tyx_stretchblt.h"
#include "host/tyx_cpu.h"
#include "host/tyx_rounding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <tuple>

namespace tyx {

void TFont::Assign(const TFont& Source)
{
    FName = Source.FName;
    FSize = Source.FSize;
    FStyle = Source.FStyle;
    FColor = Source.FColor;
    FOrientation = Source.FOrientation;
    ++FVersion;
}

TCanvas::TCanvas(QImage* Image) : FImage(Image) {}

TCanvas::~TCanvas() { EndPaint(); }

void TCanvas::SetImage(QImage* Image)
{
    EndPaint();
    FImage = Image;
}

void TCanvas::EndPaint() const
{
    if (FPainter.isActive()) FPainter.end();
}

QPainter& TCanvas::OpenPainter()
{
    if (!FImage || FImage->isNull()) throw std::logic_error("TCanvas: no picture to draw on");
    if (!FPainter.isActive()) {
        FPainter.begin(FImage);
        if (FScale != 1) FPainter.scale(FScale, FScale);
        FAppliedPen = FAppliedBrush = FAppliedFont = ~0u;
    }
    return FPainter;
}

void TCanvas::SetScale(double Value)
{
    if (!(Value >= 0.125 && Value <= 8) || Value == FScale) return;
    EndPaint();
    FScale = Value;
}

int TCanvas::Width() const
{
    if (!FImage) return 0;
    return FScale == 1 ? FImage->width() : Trunc(FImage->width() / FScale);
}

int TCanvas::Height() const
{
    if (!FImage) return 0;
    return FScale == 1 ? FImage->height() : Trunc(FImage->height() / FScale);
}

QPainter& TCanvas::Painter()
{
    OpenPainter();
    ApplyPen();
    ApplyBrush();
    ApplyFont();
    return FPainter;
}

void TCanvas::ApplyPen()
{
    // The pen mode lives in the composition mode, which the brush and text share; it is reset
    // whenever the pen changes so that the next figure uses the current mode.
    if (FAppliedPen == FPen.Version()) return;
    FAppliedPen = FPen.Version();
    switch (FPen.Mode()) {
    case pmXor: FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case pmNotXor: FPainter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination); break;
    default: FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    }
    if (FPen.Style() == psClear) {
        FPainter.setPen(Qt::NoPen);
        return;
    }
    QPen P(TColorToQColor(FPen.Color()));
    const bool Cosmetic = FPen.Width() <= 1;
    // On a scaled canvas a thin pen is one canvas pixel wide, drawn at the picture's resolution.
    P.setWidth(Cosmetic ? (FScale == 1 ? 0 : 1) : FPen.Width());
    // A flat cap on a cosmetic pen leaves out the end point of a line; wide pens are round.
    P.setCapStyle(Cosmetic ? Qt::FlatCap : Qt::RoundCap);
    P.setJoinStyle(Cosmetic ? Qt::MiterJoin : Qt::RoundJoin);
    switch (FPen.Style()) {
    case psDot: P.setDashPattern({1, 1}); break;
    case psDash: P.setDashPattern({6, 2}); break;
    case psDashDot: P.setDashPattern({6, 2, 1, 2}); break;
    case psDashDotDot: P.setDashPattern({6, 2, 1, 2, 1, 2}); break;
    default: P.setStyle(Qt::SolidLine); break;
    }
    FPainter.setPen(P);
}

void TCanvas::ApplyBrush()
{
    if (FAppliedBrush == FBrush.Version()) return;
    FAppliedBrush = FBrush.Version();
    if (FBrush.Style() == bsClear) FPainter.setBrush(Qt::NoBrush);
    else FPainter.setBrush(TColorToQColor(FBrush.Color()));
}

QFont TCanvas::MakeQFont() const
{
    QFont F(QString::fromStdString(FFont.Name()));
    // Points at 96 pixels per inch on every picture, whatever resolution an image file declared.
    F.setPixelSize(std::max(1, Round(FFont.Size() * 96.0 / 72.0)));
    F.setBold((FFont.Style() & fsBold) != 0);
    F.setItalic((FFont.Style() & fsItalic) != 0);
    F.setUnderline((FFont.Style() & fsUnderline) != 0);
    F.setStrikeOut((FFont.Style() & fsStrikeOut) != 0);
    F.setStyleHint(QFont::SansSerif);
    return F;
}

void TCanvas::ApplyFont()
{
    if (FAppliedFont == FFont.Version()) return;
    FAppliedFont = FFont.Version();
    FPainter.setFont(MakeQFont());
}

namespace {

/// Calls Plot(X, Y) for each pixel of the thin line from (X1, Y1) towards (X2, Y2), the end
/// excluded, stepping from the start whichever way the line runs. The pixels depend only on the
/// difference of the ends, so a stroke moved by whole pixels paints the same pixels moved.
template <class TPlot> void StepLine(int64_t X1, int64_t Y1, int64_t X2, int64_t Y2, TPlot&& Plot)
{
    const int64_t DX = std::abs(X2 - X1), DY = -std::abs(Y2 - Y1);
    const int SX = X1 < X2 ? 1 : -1, SY = Y1 < Y2 ? 1 : -1;
    int64_t Err = DX + DY;
    int64_t X = X1, Y = Y1;
    while (X != X2 || Y != Y2) {
        Plot(X, Y);
        const int64_t E2 = 2 * Err;
        if (E2 >= DY) { Err += DY; X += SX; }
        if (E2 <= DX) { Err += DX; Y += SY; }
    }
}

/// Lines longer than this many steps are cut to the picture before they are stepped.
int64_t LongLine(int W, int H) { return 4 * int64_t(std::max(W, H)) + 16; }

void PutPixel(uchar* Row, int X, int Depth, uint32_t Pixel)
{
    if (Depth == 16) reinterpret_cast<quint16*>(Row)[X] = static_cast<quint16>(Pixel);
    else reinterpret_cast<quint32*>(Row)[X] = Pixel;
}

} // namespace

void TCanvas::StrokeLine(int X1, int Y1, int X2, int Y2)
{
    // A line to its own start paints nothing, as the end point is never painted.
    if ((X1 == X2 && Y1 == Y2) || !CanDraw()) return;
    if (FPen.Width() > 1) {
        Painter().drawLine(X1, Y1, X2, Y2);
        return;
    }
    // The pen, brush and font are applied only where the painter draws: strokes written straight
    // into the pixels need none of them, and a symbol changes its pen colour twice.
    QPainter& P = OpenPainter();
    // Qt's rasteriser leaves out the left or upper end of a cosmetic line whatever its
    // direction, so thin lines are stepped here: from the start point, the end point excluded,
    // whichever way they run. The dash pattern counts pixels along the line.
    static const std::vector<int> kSolid{1}, kDot{1, 1}, kDash{6, 2}, kDashDot{6, 2, 1, 2},
        kDashDotDot{6, 2, 1, 2, 1, 2};
    const std::vector<int>& Pattern = FPen.Style() == psDot ? kDot
        : FPen.Style() == psDash ? kDash
        : FPen.Style() == psDashDot ? kDashDot
        : FPen.Style() == psDashDotDot ? kDashDotDot : kSolid;
    const int W = Width(), H = Height();
    int64_t Skipped = 0; // steps cut off the start, to keep the dash phase
    if (std::max(std::abs(int64_t(X2) - X1), std::abs(int64_t(Y2) - Y1)) > LongLine(W, H)) {
        // A long line is cut to the picture and a one-pixel border first (Liang-Barsky), so the
        // stepping stays proportional to the picture; the cut ends lie outside the picture.
        const double FX = X1, FY = Y1, GX = double(X2) - X1, GY = double(Y2) - Y1;
        double T0 = 0, T1 = 1;
        auto Clip = [&](double Den, double Num) {
            if (Den == 0) return Num >= 0;
            const double T = Num / Den;
            if (Den < 0) { if (T > T1) return false; T0 = std::max(T0, T); }
            else { if (T < T0) return false; T1 = std::min(T1, T); }
            return true;
        };
        if (!(Clip(-GX, FX + 1) && Clip(GX, W - FX) && Clip(-GY, FY + 1) && Clip(GY, H - FY)) || T0 > T1) return;
        const int NX1 = Round(FX + T0 * GX), NY1 = Round(FY + T0 * GY);
        const int NX2 = T1 < 1 ? Round(FX + T1 * GX) : X2, NY2 = T1 < 1 ? Round(FY + T1 * GY) : Y2;
        Skipped = std::max(std::abs(int64_t(NX1) - X1), std::abs(int64_t(NY1) - Y1));
        X1 = NX1, Y1 = NY1, X2 = NX2, Y2 = NY2;
        if (X1 == X2 && Y1 == Y2) return;
    }
    if (FScale != 1) {
        int64_t Phase = 0;
        for (int L : Pattern) Phase += L;
        StrokeScaledLine(X1, Y1, X2, Y2, Pattern, Skipped % Phase);
        return;
    }
    auto Inside = [W, H](int64_t X, int64_t Y) { return X >= 0 && Y >= 0 && X < W && Y < H; };
    if (const int Depth = DirectDepth(P)) {
        // Straight into the pixels: a crowded landmark layer draws tens of thousands of short
        // strokes per paint, and the painter's per-call cost would dominate them.
        const uint32_t Pixel = RawPixel(FImage->format(), FPen.Color());
        uchar* const Bits = FImage->bits();
        const qsizetype Stride = FImage->bytesPerLine();
        StepLine(X1, Y1, X2, Y2, [&](int64_t X, int64_t Y) {
            if (Inside(X, Y)) PutPixel(Bits + Y * Stride, int(X), Depth, Pixel);
        });
        return;
    }
    std::size_t Seg = 0;
    int LeftInSeg = Pattern[0];
    int Period = 0;
    for (int L : Pattern) Period += L;
    auto Advance = [&] {
        if (--LeftInSeg == 0) {
            Seg = (Seg + 1) % Pattern.size();
            LeftInSeg = Pattern[Seg];
        }
    };
    for (int64_t Phase = Skipped % Period; Phase > 0; --Phase) Advance();
    QPolygon Points;
    StepLine(X1, Y1, X2, Y2, [&](int64_t X, int64_t Y) {
        if (Seg % 2 == 0 && Inside(X, Y)) Points.append(QPoint(int(X), int(Y)));
        Advance();
    });
    if (!Points.isEmpty()) Painter().drawPoints(Points);
}

void TCanvas::StrokeScaledLine(int X1, int Y1, int X2, int Y2, const std::vector<int>& Pattern, int64_t Phase)
{
    const double S = FScale;
    const int T = std::max(1, Round(S)); // image pixels across a canvas pixel
    auto Image = [S](int64_t V) { return Round64(V * static_cast<long double>(S)); };
    int64_t AX = Image(X1), AY = Image(Y1), BX = Image(X2), BY = Image(Y2);
    if (AX == BX && AY == BY) return;
    // The thickness goes across the line's major axis, so that a horizontal line covers exactly
    // the rows of its canvas pixels. Along that axis a line running backwards starts and stops at
    // the far side of its canvas pixels, so that it too covers exactly the canvas pixels from its
    // start to the one before its end.
    const bool XMajor = std::abs(BX - AX) >= std::abs(BY - AY);
    if (XMajor && X2 < X1) AX = Image(int64_t(X1) + 1) - 1, BX = Image(int64_t(X2) + 1) - 1;
    if (!XMajor && Y2 < Y1) AY = Image(int64_t(Y1) + 1) - 1, BY = Image(int64_t(Y2) + 1) - 1;
    const int64_t IW = FImage->width(), IH = FImage->height();
    QPainter& P = OpenPainter();
    const int Depth = DirectDepth(P);
    const uint32_t Pixel = Depth ? RawPixel(FImage->format(), FPen.Color()) : 0;
    uchar* const Bits = Depth ? FImage->bits() : nullptr;
    const qsizetype Stride = FImage->bytesPerLine();
    std::size_t Seg = 0;
    int LeftInSeg = Pattern[0] * T;
    auto Advance = [&] {
        if (--LeftInSeg == 0) {
            Seg = (Seg + 1) % Pattern.size();
            LeftInSeg = Pattern[Seg] * T;
        }
    };
    for (int64_t k = Phase * T; k > 0; --k) Advance();
    QPolygon Points;
    StepLine(AX, AY, BX, BY, [&](int64_t X, int64_t Y) {
        if (Seg % 2 == 0)
            for (int k = 0; k < T; ++k) {
                const int64_t PX = XMajor ? X : X + k, PY = XMajor ? Y + k : Y;
                if (PX < 0 || PY < 0 || PX >= IW || PY >= IH) continue;
                if (Depth) PutPixel(Bits + PY * Stride, int(PX), Depth, Pixel);
                else Points.append(QPoint(int(PX), int(PY)));
            }
        Advance();
    });
    if (Points.isEmpty()) return;
    // The points are image pixels: drawn one by one, through whatever the host set on the painter.
    QPainter& Q = Painter();
    Q.save();
    Q.scale(1 / S, 1 / S);
    QPen Pen = Q.pen();
    Pen.setWidth(0);
    Q.setPen(Pen);
    Q.drawPoints(Points);
    Q.restore();
}

void TStrokeStamp::SetColor(TColor Color)
{
    for (std::size_t i = 0; i < FColors.size(); ++i)
        if (FColors[i] == Color) {
            FColor = uint32_t(i);
            return;
        }
    FColors.push_back(Color);
    FColor = uint32_t(FColors.size() - 1);
}

void TStrokeStamp::Line(TPoint From, TPoint To)
{
    FLines.push_back({From, To, FColor});
    FReach = std::max({FReach, std::abs(From.X), std::abs(From.Y), std::abs(To.X), std::abs(To.Y)});
    FLongest = std::max({FLongest, std::abs(To.X - From.X), std::abs(To.Y - From.Y)});
    FDotsState = TDots::Unbuilt;
}

bool TStrokeStamp::BuildDots() const
{
    // Far-reaching strokes (a long arrow), very many pixels or colours are not kept as pixels.
    constexpr int kReach = 4096;
    constexpr std::size_t kMaxDots = 1 << 16, kMaxColors = 256;
    if (FDotsState != TDots::Unbuilt) return FDotsState == TDots::Built;
    FDotsState = TDots::Unusable;
    if (FReach > kReach || FColors.size() > kMaxColors) return false;
    struct TStep {
        int16_t X, Y;
        uint32_t Seq;
        uint8_t Color;
    };
    std::vector<TStep> Steps;
    for (const TLine& L : FLines) {
        StepLine(L.From.X, L.From.Y, L.To.X, L.To.Y, [&](int64_t X, int64_t Y) {
            Steps.push_back({int16_t(X), int16_t(Y), uint32_t(Steps.size()), uint8_t(L.Color)});
        });
        if (Steps.size() > kMaxDots) return false;
    }
    // The last stroke over a pixel decides its colour; rows in order keep the writes local.
    std::sort(Steps.begin(), Steps.end(), [](const TStep& A, const TStep& B) {
        return std::tie(A.Y, A.X, A.Seq) < std::tie(B.Y, B.X, B.Seq);
    });
    FDots.clear();
    for (std::size_t i = 0; i < Steps.size(); ++i)
        if (i + 1 == Steps.size() || Steps[i + 1].X != Steps[i].X || Steps[i + 1].Y != Steps[i].Y)
            FDots.push_back({Steps[i].X, Steps[i].Y, Steps[i].Color});
    FDotsState = TDots::Built;
    return true;
}

void TCanvas::Stamp(const TStrokeStamp& Stamp, int X, int Y)
{
    if (Stamp.FLines.empty()) return;
    int Depth = 0;
    if (CanDraw() && PenDraws() && FScale == 1 && FPen.Width() <= 1 && Stamp.FLongest <= LongLine(Width(), Height()) &&
        Stamp.BuildDots())
        Depth = DirectDepth(OpenPainter());
    if (Depth == 0) {
        for (const TStrokeStamp::TLine& L : Stamp.FLines) {
            FPen.SetColor(Stamp.FColors[L.Color]);
            MoveTo(L.From.X + X, L.From.Y + Y);
            LineTo(L.To.X + X, L.To.Y + Y);
        }
        return;
    }
    uint32_t Pixel[256]; // the first FColors.size() are set
    for (std::size_t i = 0; i < Stamp.FColors.size(); ++i) Pixel[i] = RawPixel(FImage->format(), Stamp.FColors[i]);
    uchar* const Bits = FImage->bits();
    const qsizetype Stride = FImage->bytesPerLine();
    const int64_t W = FImage->width(), H = FImage->height();
    for (const TStrokeStamp::TDot& D : Stamp.FDots) {
        const int64_t PX = int64_t(X) + D.X, PY = int64_t(Y) + D.Y;
        if (PX >= 0 && PY >= 0 && PX < W && PY < H) PutPixel(Bits + PY * Stride, int(PX), Depth, Pixel[D.Color]);
    }
    const TStrokeStamp::TLine& Last = Stamp.FLines.back();
    FPen.SetColor(Stamp.FColors[Last.Color]);
    FPenPos = Point(Last.To.X + X, Last.To.Y + Y);
}

bool TCanvas::PlainPainter(const QPainter& P) const
{
    // Only what the painter would do pixel by pixel anyway: a copy pen, no transform, clip or
    // opacity, and a picture of its own (a shared one would be copied under the painter).
    const bool Untransformed =
        FScale == 1 ? P.transform().isIdentity() : P.transform() == QTransform::fromScale(FScale, FScale);
    return FPen.Mode() == pmCopy && !P.hasClipping() && Untransformed && P.opacity() == 1.0 && FImage->isDetached();
}

int TCanvas::DirectDepth(const QPainter& P) const
{
    if (FPen.Style() != psSolid || !PlainPainter(P)) return 0;
    switch (FImage->format()) {
    case QImage::Format_RGB555: return 16;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return 32;
    default: return 0;
    }
}

uint32_t TCanvas::RawPixel(QImage::Format Format, TColor Color)
{
    // Converted by Qt itself, so that the bits are those the painter writes. A conversion opens
    // a painter on a scratch image, so the last few colours are kept: a symbol with a halo
    // alternates two colours, and a layer uses a handful.
    struct TEntry {
        QImage::Format Format = QImage::Format_Invalid;
        TColor Color = 0;
        uint32_t Pixel = 0;
    };
    constexpr std::size_t Kept = 8;
    thread_local std::array<TEntry, Kept> Cache;
    thread_local std::size_t Next = 0;
    for (const TEntry& E : Cache)
        if (E.Format == Format && E.Color == Color) return E.Pixel;
    QImage One(1, 1, Format);
    One.fill(TColorToQColor(Color));
    TEntry& E = Cache[Next];
    Next = (Next + 1) % Kept;
    E.Format = Format;
    E.Color = Color;
    E.Pixel = One.depth() == 16 ? *reinterpret_cast<const quint16*>(One.constBits())
                                : *reinterpret_cast<const quint32*>(One.constBits());
    return E.Pixel;
}

bool TCanvas::BlendMask(int X, int Y, int W, int H, const uint8_t* Mask, TColor Color)
{
    if (!CanDraw()) return false;
    QPainter& P = OpenPainter();
    if (!PlainPainter(P) || P.compositionMode() != QPainter::CompositionMode_SourceOver) return false;
    const QImage::Format Format = FImage->format();
    const bool Is555 = Format == QImage::Format_RGB555;
    if (!Is555 && Format != QImage::Format_RGB32) return false;
    const int R = GetRValue(Color), G = GetGValue(Color), B = GetBValue(Color);
    // The box cut to the picture, in int64 so that far-off boxes cannot overflow.
    const int64_t X0 = std::max<int64_t>(X, 0), Y0 = std::max<int64_t>(Y, 0);
    const int64_t X1 = std::min<int64_t>(int64_t(X) + W, FImage->width()), Y1 = std::min<int64_t>(int64_t(Y) + H, FImage->height());
    auto Mix = [](int Src, int Dst, int A) { return (Src * A + Dst * (255 - A) + 127) / 255; };
    const uint32_t Full = RawPixel(Format, Color); // what full coverage writes
    uchar* const Bits = FImage->bits();
    const qsizetype Stride = FImage->bytesPerLine();
    for (int64_t y = Y0; y < Y1; ++y) {
        const uint8_t* M = Mask + (y - Y) * W;
        uchar* Row = Bits + y * Stride;
        for (int64_t x = X0; x < X1; ++x) {
            // Most of a text's box is blank: eight blank bytes are passed at once.
            if (x + 8 <= X1) {
                uint64_t Eight;
                std::memcpy(&Eight, M + (x - X), 8);
                if (Eight == 0) {
                    x += 7;
                    continue;
                }
            }
            const int A = M[x - X];
            if (A == 0) continue;
            if (Is555) {
                quint16& D = reinterpret_cast<quint16*>(Row)[x];
                if (A == 255) {
                    D = quint16(Full);
                    continue;
                }
                // Five bits to eight as the painter widens them, and back by dropping the low bits.
                const int DR = (D >> 10) & 31, DG = (D >> 5) & 31, DB = D & 31;
                const int NR = Mix(R, DR << 3 | DR >> 2, A), NG = Mix(G, DG << 3 | DG >> 2, A),
                          NB = Mix(B, DB << 3 | DB >> 2, A);
                D = quint16((NR >> 3) << 10 | (NG >> 3) << 5 | NB >> 3);
            } else {
                quint32& D = reinterpret_cast<quint32*>(Row)[x];
                D = A == 255 ? Full
                             : 0xFF000000u | uint32_t(Mix(R, int(D >> 16 & 255), A)) << 16 |
                                   uint32_t(Mix(G, int(D >> 8 & 255), A)) << 8 | uint32_t(Mix(B, int(D & 255), A));
            }
        }
    }
    return true;
}

void TCanvas::LineTo(int X, int Y)
{
    if (PenDraws()) StrokeLine(FPenPos.X, FPenPos.Y, X, Y);
    FPenPos = Point(X, Y);
}

namespace {

// Box corners far outside any picture are pulled in, so that widths cannot overflow; what is
// drawn inside the picture stays the same for rectangles.
constexpr int kFar = 1 << 29;
int Near(int V) { return std::clamp(V, -kFar, kFar); }

} // namespace

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    X1 = Near(X1), Y1 = Near(Y1), X2 = Near(X2), Y2 = Near(Y2);
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    if (X2 == X1 || Y2 == Y1 || !CanDraw()) return;
    QPainter& P = Painter();
    if (!PenDraws()) {
        // drawRect without a pen would fill one pixel less; the box stays the box.
        if (FBrush.Style() != bsClear) P.fillRect(QRect(X1, Y1, X2 - X1, Y2 - Y1), P.brush());
        return;
    }
    // With a one-pixel pen, QRect(x, y, w - 1, h - 1) covers exactly w x h pixels; a scaled thin
    // pen is centred on the outer canvas pixels instead.
    if (FScale != 1 && FPen.Width() <= 1) P.drawRect(QRectF(X1 + 0.5, Y1 + 0.5, X2 - X1 - 1, Y2 - Y1 - 1));
    else P.drawRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    X1 = Near(X1), Y1 = Near(Y1), X2 = Near(X2), Y2 = Near(Y2);
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    if (X2 == X1 || Y2 == Y1 || !CanDraw()) return;
    // Centred on pixel centres; a QRect here would let flat ellipses overshoot their box by one.
    Painter().drawEllipse(QRectF(X1 + 0.5, Y1 + 0.5, X2 - X1 - 1, Y2 - Y1 - 1));
}

void TCanvas::FillRect(const TRect& R)
{
    if (FBrush.Style() == bsClear || R.Right <= R.Left || R.Bottom <= R.Top || !CanDraw()) return;
    QPainter& P = Painter();
    const int L = Near(R.Left), T = Near(R.Top);
    P.fillRect(QRect(L, T, Near(R.Right) - L, Near(R.Bottom) - T), P.brush());
    ClearUpperVectorState(); // Qt's fills leave wide registers in use
}

static QPolygon ToQPolygon(const std::vector<TPoint>& Points)
{
    QPolygon Poly;
    Poly.reserve(static_cast<int>(Points.size()));
    for (const TPoint& Pt : Points) Poly << QPoint(Pt.X, Pt.Y);
    return Poly;
}

void TCanvas::Polygon(const std::vector<TPoint>& Points)
{
    if (Points.size() < 2 || !CanDraw()) return;
    QPainter& P = Painter();
    if (FPen.Width() > 1 || !PenDraws()) {
        P.drawPolygon(ToQPolygon(Points));
        return;
    }
    // Qt's cosmetic outline leaves out some vertices on the right and lower side, so the thin
    // outline is stepped edge by edge like LineTo, which paints every vertex once. The fill runs
    // through the pixel centres, inside that outline.
    if (FBrush.Style() != bsClear) {
        QPolygonF Fill;
        Fill.reserve(static_cast<int>(Points.size()));
        for (const TPoint& Pt : Points) Fill << QPointF(Pt.X + 0.5, Pt.Y + 0.5);
        P.save();
        P.setPen(Qt::NoPen);
        P.drawPolygon(Fill);
        P.restore();
    }
    for (std::size_t i = 0; i < Points.size(); ++i) {
        const TPoint& A = Points[i];
        const TPoint& B = Points[(i + 1) % Points.size()];
        StrokeLine(A.X, A.Y, B.X, B.Y);
    }
}

void TCanvas::Polyline(const std::vector<TPoint>& Points)
{
    if (Points.empty()) return;
    MoveTo(Points[0].X, Points[0].Y);
    for (std::size_t i = 1; i < Points.size(); ++i) LineTo(Points[i].X, Points[i].Y);
}

TColor TCanvas::Pixels(int X, int Y) const
{
    if (FImage && FScale != 1) {
        if (X < 0 || Y < 0) return CLR_INVALID;
        X = Round(X * FScale), Y = Round(Y * FScale);
    }
    if (!FImage || X < 0 || Y < 0 || X >= FImage->width() || Y >= FImage->height()) return CLR_INVALID;
    // Reading the buffer while the painter is open is fine for the raster engine, which paints
    // straight into it; no flush is needed.
    const TColor C = QRgbToTColor(FImage->pixel(X, Y));
    return FBitmap ? FBitmap->MapToPalette(C) : C;
}

void TCanvas::SetPixels(int X, int Y, TColor Color)
{
    if (!FImage || X < 0 || Y < 0) return;
    // The image pixels of canvas pixel (X, Y); at least one.
    const int64_t X0 = FScale == 1 ? X : Round64(X * static_cast<long double>(FScale));
    const int64_t Y0 = FScale == 1 ? Y : Round64(Y * static_cast<long double>(FScale));
    const int64_t X1 = FScale == 1 ? X0 + 1 : std::max(X0 + 1, Round64((X + 1) * static_cast<long double>(FScale)));
    const int64_t Y1 = FScale == 1 ? Y0 + 1 : std::max(Y0 + 1, Round64((Y + 1) * static_cast<long double>(FScale)));
    if (X0 >= FImage->width() || Y0 >= FImage->height()) return;
    if (FPainter.isActive()) FPainter.end();
    for (int64_t y = Y0; y < std::min<int64_t>(Y1, FImage->height()); ++y)
        for (int64_t x = X0; x < std::min<int64_t>(X1, FImage->width()); ++x)
            FImage->setPixel(int(x), int(y), TColorToQRgb(Color));
}

void TCanvas::TextOut(int X, int Y, const std::string& Text)
{
    if (Text.empty() || !CanDraw()) return;
    QPainter& P = Painter();
    const QString S = QString::fromStdString(Text);
    const QFontMetrics FM(P.font());
    const int W = FM.horizontalAdvance(S);
    const int H = FM.height();
    P.save();
    P.translate(X, Y);
    if (FFont.Orientation() != 0) P.rotate(-FFont.Orientation() / 10.0);
    if (FBrush.Style() != bsClear) P.fillRect(QRect(0, 0, W, H), TColorToQColor(FBrush.Color()));
    P.setPen(TColorToQColor(FFont.Color()));
    P.drawText(QPoint(0, FM.ascent()), S);
    P.restore();
    // The saved painter state already holds the applied pen; nothing to reapply.
    FPenPos = Point(X + W, Y);
}

int TCanvas::TextWidth(const std::string& Text) const
{
    if (FImage && !FImage->isNull()) return QFontMetrics(MakeQFont(), FImage).horizontalAdvance(QString::fromStdString(Text));
    return QFontMetrics(MakeQFont()).horizontalAdvance(QString::fromStdString(Text));
}

int TCanvas::TextHeight(const std::string& /*Text*/) const
{
    if (FImage && !FImage->isNull()) return QFontMetrics(MakeQFont(), FImage).height();
    return QFontMetrics(MakeQFont()).height();
}

void TCanvas::CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect)
{
    StretchBlt(*this, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Source, SourceRect.Left,
               SourceRect.Top, SourceRect.Width(), SourceRect.Height());
}

void TCanvas::Draw(int X, int Y, const TBitmap& Graphic)
{
    StretchBlt(*this, X, Y, Graphic.Width(), Graphic.Height(), Graphic, 0, 0, Graphic.Width(), Graphic.Height());
}

void TCanvas::StretchDraw(const TRect& Dest, const TBitmap& Graphic)
{
    StretchBlt(*this, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Graphic, 0, 0, Graphic.Width(),
               Graphic.Height());
}

} // namespace tyx
