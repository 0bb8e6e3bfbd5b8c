// Example of the map control's overview page: a calibrated map loaded and its pixels converted.
#include "docs/examples/examples.h"

#include "geomap/Tyx_geomap.h"

namespace tyx::examples {

void LoadCalibratedMap(QWidget* Parent, const std::string& CalFile)
{
    //! [load]
    auto* Map = new TGeoMap(Parent);
    // The calibration file names its map image; both are loaded, and the control repaints.
    if (!Map->LoadCalDataFromXML(CalFile, "")) return;
    Map->SetShowGrat(sgLines);
    Map->SetShowScaleBar(true);
    Map->ZoomFitPage();

    // Map-image pixels count from the image's top-left corner.
    bool Valid = false;
    const double Lat = Map->CalcLatitude(100, 50, Valid);
    const double Long = Map->CalcLongitude(100, 50, Valid);
    int x = 0, y = 0;
    if (Valid && Map->CalcPixelCoords(Lat, Long, x, y)) Map->BringMapPixelToCenter({x, y});

    // A form reacts to the user's zooms and pans through the Qt signal.
    QObject::connect(Map, &TGeoMap::zoomPanned, Map, [Map] { Map->SetGratLabels(Map->Magnification() >= 1); });
    //! [load]
}

} // namespace tyx::examples
