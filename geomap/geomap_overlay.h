// Internal to the map control: what the overlay files (graticule, UTM grid, marks, landmarks,
// highlight) share.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_limits.h"

namespace tyx {

/// How far from the origin a drawn figure's anchor is kept: a figure reaching less than 2^27
/// about an anchor further out shows on no picture, and its coordinates cannot overflow.
inline constexpr int AnchorReach = 1 << 28;

/// P with each coordinate pulled within AnchorReach.
inline TPoint NearAnyPicture(TPoint P)
{
    return {std::clamp(P.X, -AnchorReach, AnchorReach), std::clamp(P.Y, -AnchorReach, AnchorReach)};
}

/// True when P lies strictly inside a W x H view: where landmarks are drawn.
inline bool StrictlyInside(const TPoint& P, int W, int H) { return P.X > 0 && P.X < W && P.Y > 0 && P.Y < H; }

/// More lines than this in one family (parallels, meridians, grid northings or eastings) are
/// not drawn at all: a spacing that fine for the box only buries the map.
inline constexpr int MaxOverlayLines = 10000;

/// Calls Draw(D) for D = truncate(Low * B) / B, then D := 1/B + D, while D < End. Draws nothing
/// when any value is not finite, B is not positive, more than MaxOverlayLines would result, or
/// the step 1/B is too fine to move D.
template <typename F>
void ForEachLineValue(double Low, double End, double B, F&& Draw)
{
    if (!(B > 0) || !std::isfinite(B) || !std::isfinite(Low) || !std::isfinite(End)) return;
    const double Start = std::trunc(Low * B) / B;
    if (!((End - Start) * B <= MaxOverlayLines)) return;
    const double Step = 1 / B;
    if (!StepResolves(Start, End, Step)) return;
    double D = Start;
    for (int n = 0; D < End && n <= MaxOverlayLines; ++n) {
        Draw(D);
        D = Step + D;
    }
}

/// Writes a landmark's caption at control point APoint: font, colours and background from the
/// caption record, aligned and rotated about the anchor as the record says. Empty text or an
/// unknown alignment writes nothing. The canvas keeps the caption's brush and font, but never
/// its rotation.
void DrawLandMarkCaption(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption);

/// The degree labels of a graticule: where each drawn line crosses an edge of the W x H view, a
/// label of its value in the graticule colour, left out where it would come within 4 pixels of
/// a label already placed (or of Reserved, the scale bar's corner).
class TGratLabels {
public:
    TGratLabels(int W, int H, const QRect& Reserved);
    /// A drawn stretch of a parallel (or meridian) of Value degrees, in control pixels; its label
    /// shows Decimals decimals.
    void Segment(const TPoint& P, const TPoint& Q, double Value, int Decimals, bool Parallel);
    /// The decimals that Value needs, at most 6.
    static int DecimalsOf(double Value);
    void Draw(QPainter& P, TColor Color) const;
    /// The boxes of the labels placed, halo included (right and bottom exclusive).
    std::vector<TRect> Boxes() const;

private:
    struct TLabel {
        QRect Box;
        QString Text;
    };
    void Place(double Along, int Edge, double Value, int Decimals, bool Parallel);
    int FW, FH;
    std::vector<TLabel> FLabels;
};

/// Each landmark's caption box about its anchor, by index into the packed spots: declutter tests
/// the places of a caption without reading its record, which lies far from the spots. Valid for
/// one revision of the list and one resolution of the picture.
struct TCaptionExtents {
    enum TState : uint8_t { ceUnknown, ceNone, ceUpright, ceTurned, ceFar };
    struct TExtent {
        int16_t Left = 0, Top = 0;
        uint16_t Width = 0, Height = 0;
        TState State = ceUnknown;
    };
    std::vector<TExtent> Items;
    uint64_t Revision = 0;
    double Dpi = 0;
    /// A landmark one paint picked: its spot, whether it has a caption, its anchor.
    struct TPick {
        uint32_t Spot;
        bool Captioned;
        TPoint At;
    };
    /// Kept to spare an allocation per paint.
    std::vector<TPick> Picked;
};

/// The bottom-left corner of a W x H view that the scale bar and its label may cover.
QRect ScaleBarCorner(int W, int H);

/// The font of the overlay's own labels (scale bar, graticule degrees).
QFont OverlayLabelFont();

/// Writes Text in Color with its baseline starting at Baseline, inside a halo that sets it off
/// from any map (white, or black for a light colour).
void DrawHaloText(QPainter& P, const QPointF& Baseline, const QString& Text, TColor Color);
/// The box, in control pixels (right and bottom exclusive), that DrawLandMarkCaption covers for
/// Caption at APoint, with the canvas font set as it sets it; false when it would write nothing.
bool LandMarkCaptionBox(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption, TRect& Box);

} // namespace tyx
