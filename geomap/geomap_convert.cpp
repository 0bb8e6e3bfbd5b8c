// TGeoMap: conversions that depend on the view or on the mouse state; the others are the core's.
#include "geomap/Tyx_geomap.h"

namespace tyx {

TPoint TGeoMap::ControlToMapImage(const TPoint& APoint) const
{
    return TGeoCalibration::ControlToMapImage(APoint, FMagnify, FTopLeft);
}

TPoint TGeoMap::MapImageToControl(const TPoint& APoint) const
{
    return TGeoCalibration::MapImageToControl(APoint, FMagnify, FTopLeft);
}

double TGeoMap::GetLastMClickLatitude() const
{
    bool Valid = false;
    const double Lat = FCalib.CalcLatitude(LastClickPosX(), LastClickPosY(), Valid);
    return Valid ? Lat : 0.0;
}

double TGeoMap::GetLastMClickLongitude() const
{
    bool Valid = false;
    const double Long = FCalib.CalcLongitude(LastClickPosX(), LastClickPosY(), Valid);
    return Valid ? Long : 0.0;
}

} // namespace tyx
