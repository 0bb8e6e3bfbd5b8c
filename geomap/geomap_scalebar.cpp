// TGeoMap overlay: the scale bar, drawn last in the bottom-left corner. Its length is a round
// ground distance (1, 2 or 5 times a power of ten) measured along the ellipsoid through the view's
// centre, so it stays true on any calibration model; it is at most a fifth of the view wide and
// has a white halo, like its label, so that it reads on any map.
#include <GeographicLib/Geodesic.hpp>

#include <QFont>
#include <QFontMetrics>
#include <QPainterPath>

#include <cmath>

#include "geomap/geomap_overlay.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

/// Bar and label keep this far from the view's left and bottom edges, control pixels.
constexpr int ScaleBarMargin = 10;
constexpr int ScaleBarThickness = 4;

/// The largest 1, 2 or 5 times a power of ten that is not above Limit (> 0).
double RoundDownTo125(double Limit)
{
    const double Decade = std::pow(10.0, std::floor(std::log10(Limit)));
    for (const double Step : {5.0, 2.0})
        if (Step * Decade <= Limit) return Step * Decade;
    return Decade;
}

/// Where the scale bar of a view H pixels high goes: the bar Length pixels long (inside its
/// white outline) and the start of its label's baseline.
QRect ScaleBarRect(int H, int Length)
{
    return QRect(ScaleBarMargin, H - ScaleBarMargin - ScaleBarThickness, Length, ScaleBarThickness);
}
QPointF ScaleBarBaseline(int H) { return QPointF(ScaleBarMargin, H - ScaleBarMargin - ScaleBarThickness - 4); }

QString ScaleBarLabel(double Metres)
{
    return Metres >= 1000 ? QStringLiteral("%1 km").arg(Metres / 1000) : QStringLiteral("%1 m").arg(Metres);
}

} // namespace

QRect ScaleBarCorner(int W, int H)
{
    const int Top = H - ScaleBarMargin - ScaleBarThickness - QFontMetrics(OverlayLabelFont()).height() - 6;
    return QRect(QPoint(0, Top), QPoint(ScaleBarMargin + W / 5 + 1, H - 1));
}

void DrawHaloText(QPainter& P, const QPointF& Baseline, const QString& Text, TColor Color)
{
    const QColor Ink(GetRValue(Color), GetGValue(Color), GetBValue(Color));
    // A white halo, or a black one for a light colour, so the text reads on any map.
    const bool Light = 0.299 * Ink.red() + 0.587 * Ink.green() + 0.114 * Ink.blue() > 160;
    QPainterPath Path;
    Path.addText(Baseline, OverlayLabelFont(), Text);
    P.save();
    P.setRenderHint(QPainter::Antialiasing, true);
    P.strokePath(Path, QPen(Light ? Qt::black : Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.fillPath(Path, Ink);
    P.restore();
}

QFont OverlayLabelFont()
{
    QFont F(QStringLiteral("Sans Serif"));
    F.setPixelSize(11);
    return F;
}

bool TGeoMap::ScaleBarLength(int W, int H, double& Metres, int& Pixels) const
{
    if (W < 4 * ScaleBarMargin || H < 4 * ScaleBarMargin || !(FMagnify > 0)) return false;
    // A stretch of image row through the centre, long enough to measure even at high magnification.
    const TPoint Centre = ControlToMapImage(TPoint{W / 2, H / 2});
    const int Half = std::max(50, Round(W / 10.0 / FMagnify));
    bool V1 = false, V2 = false, V3 = false, V4 = false;
    const double Lat1 = FCalib.CalcLatitude(Centre.X - Half, Centre.Y, V1);
    const double Long1 = FCalib.CalcLongitude(Centre.X - Half, Centre.Y, V2);
    const double Lat2 = FCalib.CalcLatitude(Centre.X + Half, Centre.Y, V3);
    const double Long2 = FCalib.CalcLongitude(Centre.X + Half, Centre.Y, V4);
    if (!(V1 && V2 && V3 && V4) || std::fabs(Lat1) > 90 || std::fabs(Lat2) > 90) return false;
    const TGeoEllipsoidData& E = GeoEllipsoidData[FCalib.CalibData().Ellipsoid];
    double Ground = 0;
    try {
        const GeographicLib::Geodesic Geod(E.SemiMajorAxis, 1 - E.SemiMinorAxis / E.SemiMajorAxis);
        Geod.Inverse(Lat1, Long1, Lat2, Long2, Ground);
    } catch (const GeographicLib::GeographicErr&) {
        return false;
    }
    const double PerPixel = Ground / (2.0 * Half * FMagnify);
    if (!(PerPixel > 0) || !std::isfinite(PerPixel)) return false;
    const double Longest = W / 5 * PerPixel;
    if (!(Longest >= 1)) return false;
    Metres = RoundDownTo125(Longest);
    Pixels = Round(Metres / PerPixel);
    return Pixels >= 1;
}

bool TGeoMap::ScaleBarBox(int W, int H, TRect& Box) const
{
    double Metres = 0;
    int Length = 0;
    if (!ScaleBarLength(W, H, Metres, Length)) return false;
    const QFontMetrics Metrics(OverlayLabelFont());
    const QPointF Base = ScaleBarBaseline(H);
    // The label's ink box, grown by its halo (a 3 px stroke about the outline), and the outlined bar.
    const QRect Label(int(Base.x()) - 2, int(Base.y()) - Metrics.ascent() - 2,
                      Metrics.horizontalAdvance(ScaleBarLabel(Metres)) + 4, Metrics.height() + 4);
    const QRect All = Label.united(ScaleBarRect(H, Length).adjusted(-1, -1, 1, 1));
    Box = Rect(All.left(), All.top(), All.right() + 1, All.bottom() + 1);
    return true;
}

void TGeoMap::DrawScaleBar(TCanvas& C, int W, int H)
{
    double Metres = 0;
    int Length = 0;
    if (!ScaleBarLength(W, H, Metres, Length)) return;
    QPainter& P = C.Painter();
    P.save();
    P.setRenderHint(QPainter::Antialiasing, false);
    const QRect Bar = ScaleBarRect(H, Length);
    P.fillRect(Bar.adjusted(-1, -1, 1, 1), Qt::white);
    P.fillRect(Bar, Qt::black);
    P.restore();
    DrawHaloText(P, ScaleBarBaseline(H), ScaleBarLabel(Metres), clBlack);
}

} // namespace tyx
