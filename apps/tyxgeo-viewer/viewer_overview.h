// The viewer's overview: a small picture of the atlas's coarsest map in the corner of the view,
// with the outline of what the view shows; a click or a drag on it moves the view there.
#pragma once
#include <QObject>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QPoint;

namespace tyx {
class TCanvas;
class TGeoAtlas;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

/// Centres the view on the position, on the map shown when it covers it, otherwise on the map
/// covering it whose resolution is nearest, at the same ground scale; false when no map covers it.
bool MoveViewTo(TGeoAtlas& Atlas, double Lat, double Long);

/// The overview, shown at the bottom right of the map control while a finer map than the
/// coarsest is shown and the view is wide enough for it.
class TOverview : public QObject {
    Q_OBJECT
public:
    explicit TOverview(TGeoAtlas& Atlas);

    /// Adds the checkable "Overview" entry (on by default).
    void AddTo(QMenu& Menu);
    /// Whether the user wants it (it still hides while the coarsest map is shown).
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    /// The small map control; hidden when there is nothing to show.
    TGeoMap& Map() const { return *FMini; }
    /// Brings the picture and its outline up to date with the view (after a change of maps).
    void Refresh();
    /// After the view was moved by a click or drag on the overview.
    std::function<void()> OnMoved;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    /// The coarsest registered map (0 for none).
    int Coarsest() const;
    /// The main view was composed: refresh once the event loop is free, when it changed.
    void ViewComposed();
    void Place();
    void DrawOutline(TCanvas& C);
    void MoveTo(const QPoint& At);

    TGeoAtlas& FAtlas;
    TGeoMap* FMini = nullptr;
    QAction* FAction = nullptr;
    bool FEnabled = true;
    int FLoaded = 0; ///< the registered map the small control shows
    /// The view last outlined: top-left, magnification, map, size.
    std::array<double, 6> FLastView{};
    bool FRefreshQueued = false;
};

} // namespace tyx::viewer
