// The distance tool. Points are kept as positions, not pixels, so a measurement survives pans,
// zooms and switches to another map of the atlas; each paint places them on the view anew.
#include "viewer_measure.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numeric>
#include <optional>

namespace tyx::viewer {

namespace {

/// A press and release closer than this (control pixels) is a click, not a pan.
constexpr int ClickSlop = 3;
/// Pieces each leg is drawn in, so that a long one bends as the geodesic does on the map.
constexpr int LegPieces = 48;

std::optional<GeographicLib::Geodesic> GeodesicOf(const TGeoEllipsoidData& E)
{
    try {
        return GeographicLib::Geodesic(E.SemiMajorAxis, 1 - E.SemiMinorAxis / E.SemiMajorAxis);
    } catch (const GeographicLib::GeographicErr&) {
        return std::nullopt;
    }
}

const TGeoEllipsoidData& EllipsoidOf(const TGeoMap& Map) { return GeoEllipsoidData[Map.CalibData().Ellipsoid]; }

bool Valid(const TGeoPoint& P) { return std::fabs(P.Lat) <= 90 && std::isfinite(P.Long); }

} // namespace

std::vector<double> LegLengths(const std::vector<TGeoPoint>& Points, const TGeoEllipsoidData& Ellipsoid)
{
    std::vector<double> Legs;
    const auto Geod = GeodesicOf(Ellipsoid);
    for (std::size_t k = 1; k < Points.size(); ++k) {
        double S = 0;
        if (Geod && Valid(Points[k - 1]) && Valid(Points[k]))
            Geod->Inverse(Points[k - 1].Lat, Points[k - 1].Long, Points[k].Lat, Points[k].Long, S);
        Legs.push_back(S);
    }
    return Legs;
}

QString DistanceText(double Metres)
{
    if (Metres < 1000) return QString("%1 m").arg(std::round(Metres), 0, 'f', 0);
    const double Km = Metres / 1000;
    return QString("%1 km").arg(Km, 0, 'f', Km < 100 ? 2 : Km < 1000 ? 1 : 0);
}

TMeasureTool::TMeasureTool(TGeoAtlas& Atlas) : QWidget(Atlas.CurrentMap()), FAtlas(Atlas)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    parentWidget()->installEventFilter(this);
    setGeometry(parentWidget()->rect());
    hide();
}

void TMeasureTool::AddTo(QMenu& Menu)
{
    FAction = Menu.addAction("&Measure distance");
    FAction->setCheckable(true);
    FAction->setShortcut(QKeySequence("Ctrl+M"));
    connect(FAction, &QAction::toggled, this, [this](bool On) { SetActive(On); });
}

void TMeasureTool::SetActive(bool Value)
{
    if (FAction && FAction->isChecked() != Value) FAction->setChecked(Value); // comes back here
    if (Value == FActive) return;
    FActive = Value;
    FPoints.clear();
    setVisible(Value);
    Changed();
}

void TMeasureTool::AddPoint(const TGeoPoint& P)
{
    SetActive(true);
    FPoints.push_back(P);
    Changed();
}

std::vector<double> TMeasureTool::Legs() const { return LegLengths(FPoints, EllipsoidOf(*FAtlas.CurrentMap())); }

QString TMeasureTool::Summary() const
{
    if (!FActive) return {};
    if (FPoints.size() < 2) return "Measure: click points on the map (Esc ends)";
    const std::vector<double> L = Legs();
    QStringList Lines;
    for (std::size_t k = 0; k < L.size(); ++k) Lines << QString("Leg %1: %2").arg(k + 1).arg(DistanceText(L[k]));
    Lines << "Total: " + DistanceText(std::accumulate(L.begin(), L.end(), 0.0));
    return Lines.join('\n');
}

void TMeasureTool::Changed()
{
    update();
    if (OnChange) OnChange(Summary());
}

bool TMeasureTool::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != parentWidget()) return false;
    switch (Event->type()) {
    case QEvent::Resize:
        setGeometry(parentWidget()->rect());
        break;
    case QEvent::KeyPress:
        if (FActive && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
            SetActive(false);
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton)
            FPressedAt = static_cast<QMouseEvent*>(Event)->position().toPoint();
        break;
    case QEvent::MouseButtonRelease: {
        const auto* M = static_cast<QMouseEvent*>(Event);
        const QPoint At = M->position().toPoint();
        if (!FActive || M->button() != Qt::LeftButton || (At - FPressedAt).manhattanLength() > ClickSlop) break;
        const TGeoMap& Map = *FAtlas.CurrentMap();
        const TPoint Px = Map.ControlToMapImage(TPoint{At.x(), At.y()});
        bool V1 = false, V2 = false;
        const double Lat = Map.CalcLatitude(Px, V1), Long = Map.CalcLongitude(Px, V2);
        const bool Inside = Px.X >= 0 && Px.Y >= 0 && Px.X < Map.MapImgWidth() && Px.Y < Map.MapImgHeight();
        if (V1 && V2 && Inside) AddPoint({Lat, Long});
        break;
    }
    default:
        break;
    }
    return false;
}

void TMeasureTool::paintEvent(QPaintEvent*)
{
    const TGeoMap& Map = *FAtlas.CurrentMap();
    QPainter P(this);
    P.setRenderHint(QPainter::Antialiasing);
    auto ToView = [&Map](double Lat, double Long, QPointF& At) {
        int x = 0, y = 0;
        if (!Map.CalcPixelCoords(Lat, Long, x, y)) return false;
        const TPoint C = Map.MapImageToControl(TPoint{x, y});
        At = QPointF(C.X, C.Y);
        return true;
    };
    // Each leg as the geodesic runs, broken where it leaves the map's projection or jumps
    // across it (at the antimeridian of a world map).
    QPainterPath Path;
    const auto Geod = GeodesicOf(EllipsoidOf(Map));
    for (std::size_t k = 1; Geod && k < FPoints.size(); ++k) {
        const TGeoPoint &A = FPoints[k - 1], &B = FPoints[k];
        if (!Valid(A) || !Valid(B)) continue;
        const GeographicLib::GeodesicLine Line = Geod->InverseLine(A.Lat, A.Long, B.Lat, B.Long);
        bool Drawing = false;
        QPointF Last;
        for (int i = 0; i <= LegPieces; ++i) {
            double Lat = 0, Long = 0;
            Line.Position(Line.Distance() * i / LegPieces, Lat, Long);
            QPointF At;
            if (!ToView(Lat, Long, At)) {
                Drawing = false;
                continue;
            }
            if (Drawing && std::fabs(At.x() - Last.x()) < width() / 2.0)
                Path.lineTo(At);
            else
                Path.moveTo(At);
            Drawing = true;
            Last = At;
        }
    }
    P.strokePath(Path, QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.strokePath(Path, QPen(QColor(200, 0, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setPen(QPen(Qt::white, 1.5));
    P.setBrush(QColor(200, 0, 0));
    for (const TGeoPoint& G : FPoints) {
        QPointF At;
        if (ToView(G.Lat, G.Long, At)) P.drawEllipse(At, 4, 4);
    }

    const QString Text = Summary();
    if (Text.isEmpty()) return;
    QFont F = font();
    F.setPixelSize(12);
    P.setFont(F);
    const QRect Box = P.fontMetrics().boundingRect(QRect(0, 0, 400, 400), Qt::AlignLeft | Qt::AlignTop, Text)
                          .adjusted(-6, -4, 6, 4)
                          .translated(14, 12);
    P.setPen(QColor(120, 120, 120));
    P.setBrush(QColor(255, 255, 255, 225));
    P.drawRoundedRect(Box, 4, 4);
    P.setPen(Qt::black);
    P.drawText(Box.adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop, Text);
}

} // namespace tyx::viewer
