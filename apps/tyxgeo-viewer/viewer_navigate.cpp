// The viewer's navigation between the maps of its atlas (see viewer_navigate.h).
#include "viewer_navigate.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

#include <QEvent>
#include <QKeyEvent>

#include <utility>

namespace tyx::viewer {

namespace {

/// A map hands over once the view is this many times finer or coarser than the map itself.
constexpr double SwitchFactor = 2.0;

} // namespace

TNavigator::TNavigator(TGeoAtlas& Atlas, QObject* Parent) : QObject(Parent), FAtlas(Atlas)
{
    TGeoMap& M = Map();
    // The view may reach beyond the image, so that a zoom keeps its point wherever it is and a
    // small map sits in the middle of the window.
    M.SetConfinePan(false);
    M.SetFreeView(true);
    FAtlas.SetKeepViewOnSwitch(true);
    FAtlas.SetSelectorByScale(true);
    M.OnMouseWheel = [this](TObject*, TShiftState, int, TPoint At, bool&) {
        const TGeoMap& Now = Map();
        const bool Series = FWheelX == At.X && FWheelY == At.Y && FWheelTopLeft == Now.TopLeft() &&
                            FWheelMag == Now.Magnification();
        FWheel = Now.LocationAtControl(At.X, At.Y, FStepLat, FStepLong);
        if (FWheel && !Series) {
            FWheelLat = FStepLat;
            FWheelLong = FStepLong;
        }
        FWheelX = At.X;
        FWheelY = At.Y;
    };
    M.OnResize = [this](TObject*) {
        if (FFitPending) Fit();
        if (OnResized) OnResized();
    };
    M.installEventFilter(this);
}

TGeoMap& TNavigator::Map() const { return *FAtlas.CurrentMap(); }

bool TNavigator::eventFilter(QObject* Watched, QEvent* Event)
{
    // Home fits the map shown; the control's own Home would let the fit switch to a coarser map.
    if (Watched == &Map() && Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Home) {
        Fit();
        FFitPending = false;
        Map().DoZoomPanEvent();
        return true;
    }
    return QObject::eventFilter(Watched, Event);
}

void TNavigator::Fit()
{
    Unswitched([this] { Map().ZoomFitPage(); });
    FFitPending = true;
}

void TNavigator::RememberWheelView()
{
    FWheelTopLeft = Map().TopLeft();
    FWheelMag = Map().Magnification();
}

void TNavigator::Settled()
{
    FLastMag = Map().Magnification();
}

void TNavigator::ViewChanged()
{
    FFitPending = false;
    TGeoMap& M = Map();
    // The wheel zooms about the cursor, everything else about the centre.
    const bool Wheel = std::exchange(FWheel, false);
    const int X = Wheel ? FWheelX : M.width() / 2, Y = Wheel ? FWheelY : M.height() / 2;
    const int Current = FAtlas.CurrentMapIndex();
    if (FSwitching || Current == 0) return;
    // Steps in a row keep the ground the series began with (PlaceLocationAt raises no event).
    if (Wheel) M.PlaceLocationAt(FWheelLat, FWheelLong, X, Y);
    const double Mag = M.Magnification();
    // Only a zoom in the same direction switches, so that a map just switched to at a small or
    // large magnification is not switched straight back.
    const bool In = Mag > FLastMag, Out = Mag < FLastMag;
    FLastMag = Mag;
    if (Wheel) RememberWheelView();
    const double Res = FAtlas.Maps(Current).Resolution;
    if (Res <= 0 || !((In && Mag >= SwitchFactor) || (Out && Mag <= 1 / SwitchFactor))) return;
    double Lat = FStepLat, Long = FStepLong;
    if (!Wheel && !M.LocationAtControl(X, Y, Lat, Long)) return;
    const int k = FAtlas.FindZoomMap(In, Lat, Long, Res);
    if (k == 0) return;
    const double Ground = M.GroundResolutionAt(Lat, Long) / Mag;
    bool Switched = false;
    Unswitched([&] { Switched = FAtlas.SelectMapShowing(k, Lat, Long, X, Y, Ground); });
    if (Wheel) {
        FWheelLat = Lat;
        FWheelLong = Long;
        RememberWheelView();
    }
    if (Switched && OnSwitched) OnSwitched();
}

} // namespace tyx::viewer
