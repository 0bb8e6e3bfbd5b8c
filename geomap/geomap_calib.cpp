// TGeoMap: the calibration input. The core keeps the data and refits; the control repaints after
// every change, also when an add was refused because a table is full.
#include "geomap/Tyx_geomap.h"

namespace tyx {

bool TGeoMap::AddCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY)
{
    const bool Stored = FCalib.AddCalibPoint(GratLineKind, LineValue, PixPosX, PixPosY);
    Paint();
    return Stored;
}

bool TGeoMap::AddCalibPoint(double Latit, double Longit, int PixPosX, int PixPosY)
{
    const bool Stored = FCalib.AddCalibPoint(Latit, Longit, PixPosX, PixPosY);
    Paint();
    return Stored;
}

bool TGeoMap::AddCalibPoint(double Northing, double Easting, int Zone, THemisphere Hemisphere, int PixPosX,
                            int PixPosY)
{
    const bool Stored = FCalib.AddCalibPoint(Northing, Easting, Zone, Hemisphere, PixPosX, PixPosY);
    Paint();
    return Stored;
}

bool TGeoMap::RemoveCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY)
{
    const bool Removed = FCalib.RemoveCalibPoint(GratLineKind, LineValue, PixPosX, PixPosY);
    Paint();
    return Removed;
}

bool TGeoMap::RemoveCalibPoint(int PixPosX, int PixPosY)
{
    const bool Removed = FCalib.RemoveCalibPoint(PixPosX, PixPosY);
    Paint();
    return Removed;
}

void TGeoMap::RestoreLastDeletedCalPoint()
{
    // Only a point that goes back changes the picture.
    if (FCalib.RestoreLastDeletedCalPoint()) Paint();
}

void TGeoMap::ClearCalibData()
{
    FCalib.ClearCalibData();
    Paint();
}

void TGeoMap::Clear()
{
    // Two pictures, each seen by a host through the render events: the map without its
    // calibration, then the empty control.
    ClearCalibData();
    FCalib.Clear();
    FMapImgName.clear();
    SetMapImageSize(0, 0);
    Paint();
}

void TGeoMap::RecalcCalibration()
{
    FCalib.RecalcCalibration();
    Paint();
}

void TGeoMap::SetCalibModel(TCalibModel Value)
{
    FCalib.SetCalibModel(Value);
    Paint();
}

} // namespace tyx
