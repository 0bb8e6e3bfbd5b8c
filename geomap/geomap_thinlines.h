// Internal to the map control: lines one pixel wide written straight into the pixels of a 15-bit
// or 32-bit picture. The database layer strokes thousands of short lines a paint (borders and
// coasts), and QPainter's thin pen costs several times more, per call and per blended span.
#pragma once
#include <cstdint>

#include <QImage>

#include "geomap/core/Tyx_dbshapes.h"
#include "host/tyx_types.h"

namespace tyx {

/// One-pixel lines of one colour on an image, antialiased or not. A pixel (x, y) spans
/// [x, x + 1) x [y, y + 1). Along its longer axis a line steps one pixel at a time, each step as
/// heavy as the part of the line within it (the ends are partial, so a polyline has no heavier
/// joints); an antialiased step is shared by the two pixels nearest the line across it, by their
/// distance to it. A plain step paints the pixel whose centre row (or column) the line crosses.
/// Lines are cut to the image; points need not lie on it.
class TThinLines {
public:
    /// Draws on the top-left W x H pixels of Image (clamped to its size); draws nothing on a
    /// format that Takes refuses. The pen is black and antialiased until set.
    TThinLines(QImage& Image, int W, int H);
    /// True for the formats drawn on directly: RGB555, RGB32 and ARGB32_Premultiplied.
    static bool Takes(const QImage& Image);
    /// The colour and antialiasing of the lines that follow (set it after drawing with Qt).
    void SetPen(TColor Color, bool AntiAlias);
    /// The line from A to B.
    void Line(const TPixelF& A, const TPixelF& B);
    /// The pixel that holds P at full weight: a plain line too short to pass a pixel's centre
    /// draws nothing, where Qt's thin pen leaves a dot.
    void Dot(const TPixelF& P);
    /// The steps drawn so far (a step: a pixel, or the two that share an antialiased step).
    long long StepsDrawn() const { return FSteps; }
    /// The pixels written so far lie in this box (right and bottom exclusive; empty when none).
    TRect Dirty() const { return FDirty; }

private:
    template <bool Steep>
    void Steps(double U0, double V0, double U1, double V1);

    uchar* FBits = nullptr;
    qsizetype FStride = 0;
    bool FWide = false; // 32 bits a pixel, else 15
    int FW = 0, FH = 0;
    bool FAntiAlias = true;
    uint16_t FOpaque555 = 0;
    uint32_t FOpaque32 = 0;
    TRect FDirty{0, 0, 0, 0};
    long long FSteps = 0;
};

} // namespace tyx
