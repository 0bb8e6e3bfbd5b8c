#include "geomap/geomap_pyramid.h"

#include <algorithm>
#include <cstdint>
#include <new>

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
    switch (Img.format()) {
    case QImage::Format_Grayscale8: return HalveGrey(Img);
    case QImage::Format_RGB888:
        return Halve555(Img, [](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
            const uchar* P = Row + 3 * x;
            r += P[0], g += P[1], b += P[2];
        });
    case QImage::Format_RGB555:
        return Halve555(Img, [](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
            const unsigned V = reinterpret_cast<const uint16_t*>(Row)[x];
            r += Widen5((V >> 10) & 31), g += Widen5((V >> 5) & 31), b += Widen5(V & 31);
        });
    case QImage::Format_Indexed8: {
        const QList<QRgb> T = Img.colorTable();
        std::vector<QRgb> Table(256, qRgb(0, 0, 0));
        std::copy(T.begin(), T.begin() + std::min<qsizetype>(T.size(), 256), Table.begin());
        return Halve555(Img, [&Table](const uchar* Row, int x, unsigned& r, unsigned& g, unsigned& b) {
            const QRgb C = Table[Row[x]];
            r += qRed(C), g += qGreen(C), b += qBlue(C);
        });
    }
    default: return HalveImage(CompactImage(Img));
    }
}

TImagePyramid::TImagePyramid(QImage Full)
{
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

void TImagePyramid::DrawView(TCanvas& C, int W, int H, TPoint TopLeft, double Mag, double SampleMag,
                             bool Smooth) const
{
    SetStretchBltMode(C, Smooth ? HALFTONE : COLORONCOLOR);
    const std::size_t k = LevelFor(SampleMag);
    const QImage& L = FLevels[k];
    if (k == 0) {
        const int SW = Round(W / Mag + TopLeft.X) - TopLeft.X;
        const int SH = Round(H / Mag + TopLeft.Y) - TopLeft.Y;
        StretchBlt(C, 0, 0, W, H, L, TopLeft.X, TopLeft.Y, SW, SH);
        return;
    }
    // The same view in the level's pixels.
    const double FX = static_cast<double>(L.width()) / Width(), FY = static_cast<double>(L.height()) / Height();
    const int X0 = Round(TopLeft.X * FX), Y0 = Round(TopLeft.Y * FY);
    const int X1 = Round((TopLeft.X + W / Mag) * FX), Y1 = Round((TopLeft.Y + H / Mag) * FY);
    StretchBlt(C, 0, 0, W, H, L, X0, Y0, X1 - X0, Y1 - Y0);
}

} // namespace tyx
