// GPS files in the viewer: the reading is geoio's, the landmark style the viewer's.
#include "viewer_gpx.h"

#include "geoio_gpx.h"
#include "geomap/Tyx_geomap.h"

namespace tyx::viewer {

TGpxContent AddGpxFile(TGeoMap& Map, const QString& FileName)
{
    geoio::TReadStats Stats;
    geoio::TGpxData Data = geoio::ReadGpxFile(FileName.toStdString(), {}, Stats);
    TLandMark Style = Map.LandMarkDefault();
    Style.ClassFlag = WaypointClass;
    Style.SymbolProps.Kind = lmTriangle;
    Style.SymbolProps.Size = 6;
    Style.SymbolProps.FGColor = 0x400040;  // dark purple outline
    Style.SymbolProps.BGColor = 0xD030A0;  // purple fill (red in the low byte)
    Style.SymbolProps.Transparent = false;
    Style.SymbolProps.Direction = 180;     // pointing down at the place
    Style.Caption.FontStyles = fsBold;
    // One repaint for the whole file rather than two per waypoint.
    const bool Suppressed = Map.SuppressPaint();
    Map.SetSuppressPaint(true);
    TGpxContent Out;
    for (const geoio::TGpxWaypoint& W : Data.Waypoints) {
        const int Before = Map.NumLandMarks();
        Map.AddLandMark(W.Latitude, W.Longitude, W.Elevation);
        if (Map.NumLandMarks() == Before) continue; // refused by the host
        Map.SetLandMarkData(Map.NumLandMarks(), geoio::WaypointLandMark(W, Style));
        ++Out.Waypoints;
    }
    Map.SetSuppressPaint(Suppressed);
    Out.Paths = std::move(Data.Items);
    return Out;
}

} // namespace tyx::viewer
