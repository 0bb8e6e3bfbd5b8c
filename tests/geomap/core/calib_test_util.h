// Builders shared by the calibration core tests.
#pragma once
#include "geomap/core/Tyx_geocalib.h"

#include <gtest/gtest.h>

namespace tyx::test {

/// A calibration of the given model for a map image of W x H pixels, named "Map1".
inline TGeoCalibration NewCalibration(TCalibModel Model, int W = 1000, int H = 800)
{
    TGeoCalibration c;
    c.SetOwnerName("Map1");
    c.SetMapImageSize(W, H);
    c.SetCalibModel(Model);
    return c;
}

/// Expects pixel -> position -> pixel to return the same pixel.
inline void ExpectPixelRoundTrip(const TGeoCalibration& c, int x, int y)
{
    bool vLat = false, vLong = false;
    const double Lat = c.CalcLatitude(x, y, vLat);
    const double Long = c.CalcLongitude(x, y, vLong);
    ASSERT_TRUE(vLat && vLong) << "pixel " << x << "," << y;
    int px = -12345, py = -12345;
    EXPECT_TRUE(c.CalcPixelCoords(Lat, Long, px, py)) << "pixel " << x << "," << y;
    EXPECT_EQ(px, x) << "from " << Lat << "," << Long;
    EXPECT_EQ(py, y) << "from " << Lat << "," << Long;
}

} // namespace tyx::test
