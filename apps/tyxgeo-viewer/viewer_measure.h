// The viewer's distance tool: points clicked on the map joined by geodesics on the map's
// ellipsoid, drawn over the map, with the length of each leg and the total in a small panel.
#pragma once
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace tyx {
class TGeoAtlas;
struct TGeoEllipsoidData;
} // namespace tyx

namespace tyx::viewer {

/// A position in degrees, north and east positive.
struct TGeoPoint {
    double Lat = 0, Long = 0;
};

/// The geodesic length in metres of each leg between successive points on the ellipsoid; 0 for a
/// leg that cannot be computed (a latitude beyond 90°).
std::vector<double> LegLengths(const std::vector<TGeoPoint>& Points, const TGeoEllipsoidData& Ellipsoid);
/// "830 m", "54.97 km", "504.2 km", "15348 km".
QString DistanceText(double Metres);

/// The tool: an overlay on the atlas's map control that takes the clicks (a drag still pans) while
/// it is on. Esc or its menu entry again ends it and clears the points.
class TMeasureTool : public QWidget {
    Q_OBJECT
public:
    explicit TMeasureTool(TGeoAtlas& Atlas);

    /// Adds the checkable "Measure distance" entry (Ctrl+M).
    void AddTo(QMenu& Menu);
    bool Active() const { return FActive; }
    /// Starts measuring with no points, or ends and clears the points.
    void SetActive(bool Value);
    /// Adds a point to the measurement, as a click does; starts the tool when it is off.
    void AddPoint(const TGeoPoint& P);
    const std::vector<TGeoPoint>& Points() const { return FPoints; }
    /// The legs in metres, on the ellipsoid of the map shown.
    std::vector<double> Legs() const;
    /// The panel's text: one line per leg and the total.
    QString Summary() const;
    /// After each change of the measurement, with its summary (empty once it ends).
    std::function<void(const QString& Summary)> OnChange;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    void Changed();

    TGeoAtlas& FAtlas;
    QAction* FAction = nullptr;
    bool FActive = false;
    std::vector<TGeoPoint> FPoints;
    QPoint FPressedAt{-1, -1};
};

} // namespace tyx::viewer
