// A widget program on the installed library: a calibrated TGeoMap converting pixels to positions.
#include "geomap/Tyx_geomap.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tyx::TGeoMap map;
    map.SetCalibModel(tyx::cmEquiRect);
    map.AddCalibPoint(48.0, 10.0, 0, 0);
    map.AddCalibPoint(48.0, 10.4, 400, 0);
    map.AddCalibPoint(47.7, 10.0, 0, 300);
    map.RecalcCalibration();
    bool ok = false;
    const double lat = map.CalcLatitude(200, 150, ok);
    map.show();
    std::printf("%s %.4f\n", ok ? "ok" : "invalid", lat);
    return 0;
}
