// How the viewer moves between the maps of its atlas: a zoom that goes far enough hands over to a
// finer or coarser map, keeping the ground under the cursor (wheel) or the view's centre (keys)
// where it was and the scale the user zoomed to; Home fits the map shown; at start-up the map is
// fitted again while the window is still finding its size.
#pragma once
#include <QObject>

#include <functional>

#include "host/tyx_types.h"

namespace tyx {
class TGeoAtlas;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

class TNavigator : public QObject {
    Q_OBJECT
public:
    /// Sets the atlas and its map control up for free navigation and takes their events it
    /// needs (the map's OnMouseWheel and OnResize, its Home key).
    explicit TNavigator(TGeoAtlas& Atlas, QObject* Parent = nullptr);

    /// After a view change by the user: switches to a map that suits the new scale better.
    void ViewChanged();
    /// Shows the whole of the current map, centred; until the user changes the view, a resize
    /// fits it again (the window settling at start-up).
    void Fit();
    /// A change of the view that the switching must not act on (a search, a fit).
    template <class F>
    void Unswitched(F&& Change)
    {
        const bool Was = FSwitching;
        FSwitching = true;
        Change();
        FSwitching = Was;
        Settled();
    }
    /// The view as it is now is the reference for telling zooming in from out (after a map
    /// was picked or clicked to).
    void Settled();
    /// Raised after a switch to another map.
    std::function<void()> OnSwitched;
    /// Raised after the map control was resized (and, at start-up, fitted again).
    std::function<void()> OnResized;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TGeoMap& Map() const;
    void RememberWheelView();

    TGeoAtlas& FAtlas;
    bool FSwitching = false;
    bool FFitPending = false;
    double FLastMag = 1;
    /// Where the last wheel step was, in map control pixels, and the ground under it when the
    /// wheel began turning there: steps in a row keep that ground, rather than what each step's
    /// rounding of the view to whole pixels left there. The centre when not a wheel.
    bool FWheel = false;
    int FWheelX = 0, FWheelY = 0;
    double FWheelLat = 0, FWheelLong = 0;
    /// The ground under the cursor as the view showed it before this step: what a switch keeps,
    /// so that the position read before it is the one read after.
    double FStepLat = 0, FStepLong = 0;
    /// The view the last wheel step left; another view starts a new series.
    TPoint FWheelTopLeft{};
    double FWheelMag = 0;
};

} // namespace tyx::viewer
