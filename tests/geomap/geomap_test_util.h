// Helpers shared by the map control tests.
#pragma once
#include "geomap/Tyx_geomap.h"

namespace tyx::test {

/// A map control that counts its repaints.
class TCountingMap : public TGeoMap {
public:
    using TGeoMap::TGeoMap;
    int Paints = 0;
    void Paint() override
    {
        ++Paints;
        TGeoMap::Paint();
    }
};

/// A bitmap of one colour, 24-bit.
inline void FillBitmap(TBitmap& Bmp, int W, int H, TColor Color)
{
    Bmp.SetPixelFormat(pf24bit);
    Bmp.SetSize(W, H);
    Bmp.Canvas().Brush().SetColor(Color);
    Bmp.Canvas().FillRect(Rect(0, 0, W, H));
}

/// A W x H control without frame showing a W x H image of one colour, paints suppressed until
/// the test is ready.
inline void ShowPlainImage(TGeoMap& M, int W, int H, TColor Ground = clWhite)
{
    M.SetSuppressPaint(true);
    M.resize(W, H);
    M.SetFrameStyle(frsNone);
    TBitmap Img;
    FillBitmap(Img, W, H, Ground);
    M.SetMapBitMap(Img);
}

/// Colour of a pixel of a QImage as a TColor (red in the low byte).
inline TColor PixelOf(const QImage& Img, int X, int Y)
{
    const QRgb P = Img.pixel(X, Y);
    return RGB(static_cast<uint8_t>(qRed(P)), static_cast<uint8_t>(qGreen(P)), static_cast<uint8_t>(qBlue(P)));
}

} // namespace tyx::test

namespace tyx::test {

/// What a colour becomes in the 15-bit composition bitmap.
inline TColor Through15Bit(TColor C)
{
    QImage Img(1, 1, QImage::Format_RGB555);
    Img.fill(QColor(GetRValue(C), GetGValue(C), GetBValue(C)));
    return PixelOf(Img.convertToFormat(QImage::Format_RGB32), 0, 0);
}

} // namespace tyx::test
