#include "geomap/geomap_pyramid.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include <QPainter>

#include "host/gui/tyx_stretchblt.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

/// Levels stop once the longer side is this small: below it a view is cheap from any level.
constexpr int SmallestLevel = 512;

bool GreyTable(const QImage& Img)
{
    const QList<QRgb> T = Img.colorTable();
    return !T.empty() && std::all_of(T.begin(), T.end(), [](QRgb C) { return qRed(C) == qGreen(C) && qGreen(C) == qBlue(C); });
}

QImage Converted(QImage Img, QImage::Format Fmt)
{
    if (Img.format() == Fmt) return Img;
    // In place where Qt can, so that a large picture is not held twice.
    Img.convertTo(Fmt);
    if (Img.isNull()) throw std::bad_alloc();
    return Img;
}

inline uint16_t Pack555(unsigned R, unsigned G, unsigned B)
{
    return static_cast<uint16_t>((R >> 3) << 10 | (G >> 3) << 5 | (B >> 3));
}

inline unsigned Widen5(unsigned V) { return (V << 3) | (V >> 2); }

/// Src halved into Fmt; Mean(R0, R1, x0, x1, Out, x) writes pixel x of the scan line Out from
/// columns x0 and x1 of the scan lines R0 and R1 (the last column and row stand in for their
/// missing neighbours).
template <class TMean>
QImage Halve(const QImage& Src, QImage::Format Fmt, TMean Mean)
{
    const int W = Src.width(), H = Src.height();
    QImage Out((W + 1) / 2, (H + 1) / 2, Fmt);
    if (Out.isNull()) throw std::bad_alloc();
    for (int y = 0; y < Out.height(); ++y) {
        const uchar* R0 = Src.constScanLine(2 * y);
        const uchar* R1 = Src.constScanLine(std::min(2 * y + 1, H - 1));
        uchar* O = Out.scanLine(y);
        for (int x = 0; x < Out.width(); ++x) Mean(R0, R1, 2 * x, std::min(2 * x + 1, W - 1), O, x);
    }
    return Out;
}

/// Halves a picture into 15 bits; Rgb(Row, x, r, g, b) adds pixel x of a scan line.
template <class TFetch>
QImage Halve555(const QImage& Src, TFetch Rgb)
{
    return Halve(Src, QImage::Format_RGB555, [Rgb](const uchar* R0, const uchar* R1, int x0, int x1, uchar* O, int x) {
        unsigned r = 2, g = 2, b = 2; // rounds the mean of four
        Rgb(R0, x0, r, g, b);
        Rgb(R0, x1, r, g, b);
        Rgb(R1, x0, r, g, b);
        Rgb(R1, x1, r, g, b);
        reinterpret_cast<uint16_t*>(O)[x] = Pack555(r >> 2, g >> 2, b >> 2);
    });
}

QImage HalveGrey(const QImage& Src)
{
    return Halve(Src, QImage::Format_Grayscale8, [](const uchar* R0, const uchar* R1, int x0, int x1, uchar* O, int x) {
        O[x] = static_cast<uchar>((2u + R0[x0] + R0[x1] + R1[x0] + R1[x1]) >> 2);
    });
}

// Lambdas, so that each format has a filter loop of its own with the adder inlined.
constexpr auto AddRgb888 = [](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
    const uchar* P = Row + 3 * x;
    r += P[0], g += P[1], b += P[2];
};

constexpr auto AddRgb555 = [](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
    const unsigned V = reinterpret_cast<const uint16_t*>(Row)[x];
    r += Widen5((V >> 10) & 31), g += Widen5((V >> 5) & 31), b += Widen5(V & 31);
};

constexpr auto AddGrey = [](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
    r += Row[x], g += Row[x], b += Row[x];
};

bool Compact(QImage::Format F)
{
    return F == QImage::Format_RGB888 || F == QImage::Format_RGB555 || F == QImage::Format_Grayscale8 ||
           F == QImage::Format_Indexed8;
}

/// Calls Use with the adder of Img's pixels (Add(Row, x, r, g, b) adds pixel x of a scan line);
/// Img is in one of the Compact formats.
template <class TUse>
auto WithAdder(const QImage& Img, TUse Use)
{
    switch (Img.format()) {
    case QImage::Format_RGB888: return Use(AddRgb888);
    case QImage::Format_RGB555: return Use(AddRgb555);
    case QImage::Format_Grayscale8: return Use(AddGrey);
    default: {
        const QList<QRgb> T = Img.colorTable();
        std::vector<QRgb> Table(256, qRgb(0, 0, 0));
        std::copy(T.begin(), T.begin() + std::min<qsizetype>(T.size(), 256), Table.begin());
        return Use([&Table](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
            const QRgb C = Table[Row[x]];
            r += qRed(C), g += qGreen(C), b += qBlue(C);
        });
    }
    }
}

/// Which level pixels make each pixel of a run of the scaled image along one axis: pixel i
/// weighs level pixels First[i] .. First[i] + Taps - 1 by Weights[i * Taps ...] (sum 256).
struct TAxisTaps {
    int Taps = 1;
    std::vector<int> First;
    std::vector<uint16_t> Weights;
};

/// The taps of scaled pixels Origin .. Origin + Count - 1, each Step level pixels wide, over a
/// level of Size pixels whose image ends at Extent (<= Size); Smooth: the covered area's mean.
TAxisTaps AxisTaps(int Origin, int Count, double Step, int Size, double Extent, bool Smooth)
{
    TAxisTaps A;
    A.First.resize(Count);
    if (!Smooth) {
        A.Weights.assign(Count, 256);
        for (int i = 0; i < Count; ++i)
            A.First[i] = std::clamp(static_cast<int>(std::floor((Origin + i + 0.5) * Step)), 0, Size - 1);
        return A;
    }
    // Parts of a pixel below this are the rounding of the box's ends, not coverage.
    constexpr double Sliver = 1e-9;
    const auto From = [&](int i) { return std::clamp((Origin + i) * Step, 0.0, Extent); };
    const auto To = [&](int i) { return std::clamp((Origin + i + 1) * Step, 0.0, Extent); };
    // Every pixel gets as many taps as the widest needs, so that the filter loops run alike.
    for (int i = 0; i < Count; ++i)
        A.Taps = std::max(A.Taps, static_cast<int>(std::ceil(To(i) - Sliver) - std::floor(From(i) + Sliver)));
    A.Taps = std::min(A.Taps, Size);
    A.Weights.assign(static_cast<std::size_t>(Count) * A.Taps, 0);
    for (int i = 0; i < Count; ++i) {
        const double F = From(i), T = To(i);
        const int First = std::clamp(static_cast<int>(std::floor(F + Sliver)), 0, Size - A.Taps);
        A.First[i] = First;
        uint16_t* W = &A.Weights[static_cast<std::size_t>(i) * A.Taps];
        if (T <= F) {
            W[std::min(static_cast<int>(F), Size - 1) - First] = 256;
            continue;
        }
        int Sum = 0, Big = 0;
        for (int t = 0; t < A.Taps; ++t) {
            const double Cover = std::min(T, First + t + 1.0) - std::max(F, double(First + t));
            W[t] = static_cast<uint16_t>(Cover > 0 ? std::lround(256 * Cover / (T - F)) : 0);
            Sum += W[t];
            if (W[t] > W[Big]) Big = t;
        }
        W[Big] = static_cast<uint16_t>(W[Big] + 256 - Sum);
    }
    return A;
}

/// Three channels in one word, 21 bits apart, so that one multiplication weighs all three.
using TTriple = std::uint64_t;
constexpr TTriple Triple(TTriple R, TTriple G, TTriple B) { return R | G << 21 | B << 42; }

/// Samples R of Out (RGB555) from Level: Out pixel (x, y) of R is the weighed sum of the level
/// pixels of X's taps x - R.left() and Y's taps y - R.top(). Rows are weighed down first, in
/// loops the compiler vectorises (15-bit levels unpacked on the way, each channel in a plane of
/// its own; RGB888 read as bytes; other levels unpacked to bytes row by row, each row once),
/// then across on all three channels at once. Fixed: X's tap count, 0 for any.
template <int Fixed, class TAdd>
void SampleRect(const QImage& Level, const TAxisTaps& X, const TAxisTaps& Y, QImage& Out, const QRect& R, TAdd Add)
{
    constexpr bool Bytes888 = std::is_same_v<TAdd, std::remove_const_t<decltype(AddRgb888)>>;
    constexpr bool Planes555 = std::is_same_v<TAdd, std::remove_const_t<decltype(AddRgb555)>>;
    const int N = R.width(), TX = Fixed ? Fixed : X.Taps, TY = Y.Taps;
    const int From = X.First.front(), Span = X.First.back() + TX - From, Bytes = 3 * Span;
    std::vector<uchar> Ring(Bytes888 || Planes555 ? 0 : static_cast<std::size_t>(TY) * Bytes);
    std::vector<int> Tag(TY, -1);
    const auto RowBytes = [&](int Row) -> const uchar* {
        const uchar* Src = Level.constScanLine(Row);
        if (Bytes888) return Src + 3 * From;
        uchar* U = &Ring[static_cast<std::size_t>(Row % TY) * Bytes];
        if (Tag[Row % TY] == Row) return U;
        Tag[Row % TY] = Row;
        for (int j = 0; j < Span; ++j) {
            unsigned r = 0, g = 0, b = 0;
            Add(Src, From + j, r, g, b);
            U[3 * j] = static_cast<uchar>(r), U[3 * j + 1] = static_cast<uchar>(g), U[3 * j + 2] = static_cast<uchar>(b);
        }
        return U;
    };
    // Channels by 256ths: at most 16 bits. Bytes: interleaved; 15 bits: three planes.
    std::vector<uint16_t> Down(Bytes);
    uint16_t* const DR = Down.data();
    uint16_t* const DG = DR + Span;
    uint16_t* const DB = DG + Span;
    const auto Weigh = [&](int Row, unsigned W, bool First) {
        if constexpr (Planes555) {
            const uint16_t* V = reinterpret_cast<const uint16_t*>(Level.constScanLine(Row)) + From;
            const auto Wide = [](unsigned C) { return (C << 3) | (C >> 2); };
            for (int j = 0; j < Span; ++j) {
                const unsigned P = V[j];
                const unsigned R5 = (P >> 10) & 31, G5 = (P >> 5) & 31, B5 = P & 31;
                DR[j] = static_cast<uint16_t>((First ? 0 : DR[j]) + Wide(R5) * W);
                DG[j] = static_cast<uint16_t>((First ? 0 : DG[j]) + Wide(G5) * W);
                DB[j] = static_cast<uint16_t>((First ? 0 : DB[j]) + Wide(B5) * W);
            }
        } else {
            const uchar* B = RowBytes(Row);
            if (First)
                for (int b = 0; b < Bytes; ++b) Down[b] = static_cast<uint16_t>(B[b] * W);
            else
                for (int b = 0; b < Bytes; ++b) Down[b] = static_cast<uint16_t>(Down[b] + B[b] * W);
        }
    };
    std::vector<TTriple> Column(Span);
    for (int y = 0; y < R.height(); ++y) {
        const uint16_t* WY = &Y.Weights[static_cast<std::size_t>(y) * TY];
        Weigh(Y.First[y], WY[0], true);
        for (int t = 1; t < TY; ++t)
            if (WY[t]) Weigh(Y.First[y] + t, WY[t], false);
        // 12 of the 16 bits are kept, so that weighing across stays within a field's 21.
        if constexpr (Planes555)
            for (int j = 0; j < Span; ++j) Column[j] = Triple(DR[j] >> 4, DG[j] >> 4, DB[j] >> 4);
        else
            for (int j = 0; j < Span; ++j)
                Column[j] = Triple(Down[3 * j] >> 4, Down[3 * j + 1] >> 4, Down[3 * j + 2] >> 4);
        uint16_t* O = reinterpret_cast<uint16_t*>(Out.scanLine(R.top() + y)) + R.left();
        for (int i = 0; i < N; ++i) {
            const TTriple* P = &Column[X.First[i] - From];
            const uint16_t* W = &X.Weights[static_cast<std::size_t>(i) * TX];
            TTriple Sum = 0;
            for (int t = 0; t < TX; ++t) Sum += P[t] * W[t];
            // 8-bit channels in 2^12ths; 5 bits cut off as Qt's conversion to 15 bits does.
            O[i] = static_cast<uint16_t>(((Sum >> 15) & 31) << 10 | ((Sum >> 36) & 31) << 5 | ((Sum >> 57) & 31));
        }
    }
}

template <class TAdd>
void SampleRect(const QImage& Level, const TAxisTaps& X, const TAxisTaps& Y, QImage& Out, const QRect& R, TAdd Add)
{
    switch (X.Taps) {
    case 1: return SampleRect<1>(Level, X, Y, Out, R, Add);
    case 2: return SampleRect<2>(Level, X, Y, Out, R, Add);
    case 3: return SampleRect<3>(Level, X, Y, Out, R, Add);
    default: return SampleRect<0>(Level, X, Y, Out, R, Add);
    }
}

/// Moves Img's pixels by (-DX, -DY): pixel (x, y) takes what (x + DX, y + DY) held. Pixels with
/// no source keep what they held.
void Scroll(QImage& Img, int DX, int DY)
{
    const int W = Img.width(), H = Img.height(), Bpp = Img.depth() / 8;
    const int X0 = std::max(0, -DX), N = W - std::abs(DX);
    const auto Move = [&](int y) {
        std::memmove(Img.scanLine(y) + X0 * Bpp, Img.constScanLine(y + DY) + (X0 + DX) * Bpp,
                     static_cast<std::size_t>(N) * Bpp);
    };
    if (DY >= 0)
        for (int y = 0; y + DY < H; ++y) Move(y);
    else
        for (int y = H - 1; y + DY >= 0; --y) Move(y);
}

} // namespace

QImage CompactImage(QImage Img)
{
    switch (Img.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB888: return Img;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        Img = Converted(std::move(Img), QImage::Format_Indexed8);
        return GreyTable(Img) ? Converted(std::move(Img), QImage::Format_Grayscale8) : Img;
    }
    case QImage::Format_Grayscale16: return Converted(std::move(Img), QImage::Format_Grayscale8);
    default: return Converted(std::move(Img), QImage::Format_RGB888);
    }
}

QImage HalveImage(const QImage& Img)
{
    if (Img.format() == QImage::Format_Grayscale8) return HalveGrey(Img);
    if (!Compact(Img.format())) return HalveImage(CompactImage(Img));
    return WithAdder(Img, [&Img](auto Add) { return Halve555(Img, Add); });
}

TImagePyramid::TImagePyramid(QImage Full)
{
    // Kept views tell pyramids apart by this number, never reused within the process.
    static std::atomic<std::uint64_t> Serial{0};
    FId = ++Serial;
    FLevels.push_back(CompactImage(std::move(Full)));
    while (std::max(FLevels.back().width(), FLevels.back().height()) > SmallestLevel)
        FLevels.push_back(HalveImage(FLevels.back()));
}

std::size_t TImagePyramid::LevelFor(double Mag) const
{
    std::size_t k = 0;
    while (k + 1 < FLevels.size() && static_cast<double>(FLevels[k + 1].width()) / Width() >= Mag &&
           static_cast<double>(FLevels[k + 1].height()) / Height() >= Mag)
        ++k;
    return k;
}

long long TImagePyramid::Bytes() const
{
    long long N = 0;
    for (const QImage& L : FLevels) N += L.sizeInBytes();
    return N;
}

void TImagePyramid::Sample(QImage& Out, const QRect& R, QPoint Origin, std::size_t k, double SampleMag,
                           bool Smooth) const
{
    if (R.isEmpty()) return;
    const QImage& L = FLevels[k];
    // Level pixel j covers full-image pixels j * 2^k up to (j + 1) * 2^k.
    const double Unit = std::ldexp(1.0, static_cast<int>(k)), Step = 1 / (SampleMag * Unit);
    const TAxisTaps X = AxisTaps(Origin.x() + R.left(), R.width(), Step, L.width(), Width() / Unit, Smooth);
    const TAxisTaps Y = AxisTaps(Origin.y() + R.top(), R.height(), Step, L.height(), Height() / Unit, Smooth);
    WithAdder(L, [&](auto Add) { SampleRect(L, X, Y, Out, R, Add); });
}

void TImagePyramid::DrawView(TCanvas& C, int W, int H, TPoint TopLeft, double Mag, double SampleMag,
                             bool Smooth, TKeptView* Kept) const
{
    SetStretchBltMode(C, Smooth ? HALFTONE : COLORONCOLOR);
    const std::size_t k = LevelFor(SampleMag);
    if (k == 0 && SampleMag >= 1) {
        const int SW = Round(W / Mag + TopLeft.X) - TopLeft.X;
        const int SH = Round(H / Mag + TopLeft.Y) - TopLeft.Y;
        StretchBlt(C, 0, 0, W, H, FLevels[0], TopLeft.X, TopLeft.Y, SW, SH);
        return;
    }
    if (!C.Image() || C.Image()->isNull()) return;
    // The view is a window on the image scaled to SampleMag, whose pixels lie on a grid fixed to
    // the image: a view moved by whole pixels of that grid shows the same pixels moved.
    const double S = C.Scale();
    const int DW = S == 1 ? W : Round(W * S), DH = S == 1 ? H : Round(H * S);
    const QPoint Origin(Round(TopLeft.X * SampleMag), Round(TopLeft.Y * SampleMag));
    const QRect Scaled(-Origin, QSize(std::max(1, Round(Width() * SampleMag)), std::max(1, Round(Height() * SampleMag))));
    const QRect Shown = Scaled & QRect(0, 0, DW, DH);
    if (Shown.isEmpty()) return;

    TKeptView Once;
    TKeptView& V = Kept ? *Kept : Once;
    const bool Fits = V.Pyramid == FId && V.Level == k && V.Mag == SampleMag && V.Smooth == Smooth &&
                      V.Pixels.size() == QSize(DW, DH);
    const int DX = Origin.x() - V.Origin.x(), DY = Origin.y() - V.Origin.y();
    if (!Fits || std::abs(DX) >= DW || std::abs(DY) >= DH) {
        V.Pyramid = 0; // until the sample is complete
        if (V.Pixels.size() != QSize(DW, DH)) V.Pixels = QImage(DW, DH, QImage::Format_RGB555);
        if (V.Pixels.isNull()) throw std::bad_alloc();
        Sample(V.Pixels, Shown, Origin, k, SampleMag, Smooth);
        V.Pyramid = FId, V.Level = k, V.Mag = SampleMag, V.Smooth = Smooth;
    } else if (DX != 0 || DY != 0) {
        // Only the strips the move uncovers are new.
        Scroll(V.Pixels, DX, DY);
        const QRect Rows = DY > 0 ? QRect(0, DH - DY, DW, DY) : QRect(0, 0, DW, -DY);
        const QRect Columns = DX > 0 ? QRect(DW - DX, 0, DX, DH) : QRect(0, 0, -DX, DH);
        Sample(V.Pixels, Rows & Shown, Origin, k, SampleMag, Smooth);
        Sample(V.Pixels, Columns & Shown, Origin, k, SampleMag, Smooth);
    }
    V.Origin = Origin;

    QPainter& P = C.Painter();
    P.save();
    P.setCompositionMode(QPainter::CompositionMode_Source);
    P.setClipping(false);
    if (S != 1) P.scale(1 / S, 1 / S);
    P.drawImage(Shown.topLeft(), V.Pixels, Shown);
    P.restore();
}

} // namespace tyx
