// Geodetic <-> earth-centred cartesian coordinates and the Helmert datum shift.
#include "geobasics/Tyx_geobasics.h"
#include "geobasics/datum_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tyx;

namespace {

constexpr double DegTol = 1e-8;
constexpr double MmTol = 1e-3;

void ExpectRoundTrip(double Lat, double Long, double H, TGeoEllipsoid E)
{
    double x, y, z, lat, lon, h;
    GeoToCartesian(Lat, Long, H, E, x, y, z);
    CartesianToGeo(x, y, z, E, lat, lon, h);
    EXPECT_NEAR(lat, Lat, DegTol) << Lat << " " << Long << " " << H << " " << GeoEllipsoidId[E];
    EXPECT_NEAR(lon, Long, DegTol) << Lat << " " << Long << " " << H << " " << GeoEllipsoidId[E];
    EXPECT_NEAR(h, H, MmTol) << Lat << " " << Long << " " << H << " " << GeoEllipsoidId[E];
}

} // namespace

TEST(Cartesian, KnownPoints)
{
    double x, y, z;
    GeoToCartesian(0, 0, 0, gelWGS84, x, y, z);
    EXPECT_NEAR(x, 6378137, MmTol);
    EXPECT_NEAR(y, 0, MmTol);
    EXPECT_NEAR(z, 0, MmTol);
    GeoToCartesian(90, 0, 0, gelWGS84, x, y, z);
    EXPECT_NEAR(z, 6356752.314245, MmTol);
    EXPECT_NEAR(std::hypot(x, y), 0, MmTol);
    GeoToCartesian(0, 90, 100, gelWGS84, x, y, z);
    EXPECT_NEAR(y, 6378237, MmTol);
    // On a sphere the point lies at radius a + h in every direction.
    GeoToCartesian(37.5, -122.25, 50, gelSphere, x, y, z);
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 6370997 + 50, MmTol);
}

TEST(Cartesian, RoundTrips)
{
    ExpectRoundTrip(48.2, 16.37, 200, gelWGS84);
    ExpectRoundTrip(-33.9, 151.2, 30, gelWGS84); // negative X
    ExpectRoundTrip(40, -120, 0, gelWGS84);
    ExpectRoundTrip(10, 180, 0, gelWGS84);
    ExpectRoundTrip(48.2, 16.37, 200, gelSphere);
    for (TGeoEllipsoid e : {gelWGS84, gelClrk80, gelBess41, gelAiry30, gelAuthSph})
        for (double lat = -89.5; lat <= 89.5; lat += 7.25)
            for (double lon = -179; lon < 180; lon += 37)
                for (double h : {-400.0, 0.0, 1500.0, 9000.0}) ExpectRoundTrip(lat, lon, h, e);
}

TEST(Cartesian, PolarAxis)
{
    double lat = 0, lon = 1, h = 0;
    CartesianToGeo(0, 0, 6356752.314245 + 100, gelWGS84, lat, lon, h);
    EXPECT_EQ(lat, 90.0);
    EXPECT_EQ(lon, 0.0);
    EXPECT_NEAR(h, 100, MmTol);
    CartesianToGeo(0, 0, -6356752.314245 + 10, gelWGS84, lat, lon, h);
    EXPECT_EQ(lat, -90.0);
    EXPECT_NEAR(h, -10, MmTol);
    CartesianToGeo(0, 0, 0, gelSphere, lat, lon, h);
    EXPECT_EQ(lat, 90.0);
    EXPECT_NEAR(h, -6370997, MmTol);
    // Both poles come back from the forward conversion.
    ExpectRoundTrip(90, 0, 250, gelWGS84);
    ExpectRoundTrip(-90, 0, 250, gelWGS84);
}

TEST(Helmert, IdentityAndThreeParameterShift)
{
    double lat, lon, h;
    EXPECT_EQ(HelmertTransform(DatumWGS84, 48.2, 16.37, 200, DatumWGS84, lat, lon, h), 0);
    EXPECT_NEAR(lat, 48.2, DegTol);
    EXPECT_NEAR(lon, 16.37, DegTol);
    EXPECT_NEAR(h, 200, MmTol);

    // ACCRA into WGS 1984 moves the cartesian point by exactly its translation.
    const TDatumData* accra = GeoDatum(1);
    ASSERT_EQ(HelmertTransform(1, 5.6, -0.19, 60, DatumWGS84, lat, lon, h), 0);
    double x0, y0, z0, x1, y1, z1;
    GeoToCartesian(5.6, -0.19, 60, accra->Ellipsoid, x0, y0, z0);
    GeoToCartesian(lat, lon, h, gelWGS84, x1, y1, z1);
    EXPECT_NEAR(x1 - x0, accra->DeltaX, MmTol);
    EXPECT_NEAR(y1 - y0, accra->DeltaY, MmTol);
    EXPECT_NEAR(z1 - z0, accra->DeltaZ, MmTol);

    // And back out again; for three parameters the first-order inverse is exact.
    double lat2, lon2, h2;
    ASSERT_EQ(HelmertTransform(DatumWGS84, lat, lon, h, 1, lat2, lon2, h2), 0);
    EXPECT_NEAR(lat2, 5.6, DegTol);
    EXPECT_NEAR(lon2, -0.19, DegTol);
    EXPECT_NEAR(h2, 60, MmTol);
}

TEST(Helmert, SevenParametersWithFirstOrderInverse)
{
    // Amersfoort (13) to WGS 1972 (268), both seven-parameter records, worked through as matrices.
    const TDatumData* s = GeoDatum(13);
    const TDatumData* t = GeoDatum(268);
    const long double sec = 3.141592653589793238462643383279502884L / 180 / 3600;
    double x, y, z;
    GeoToCartesian(52.1, 5.3, 40, s->Ellipsoid, x, y, z);
    auto apply = [&](long double k, long double rx, long double ry, long double rz, long double dx,
                     long double dy, long double dz, long double v[3]) {
        const long double R[3][3] = {{1, -rz, ry}, {rz, 1, -rx}, {-ry, rx, 1}};
        long double o[3];
        for (int i = 0; i < 3; ++i) o[i] = k * (R[i][0] * v[0] + R[i][1] * v[1] + R[i][2] * v[2]);
        v[0] = o[0] + dx;
        v[1] = o[1] + dy;
        v[2] = o[2] + dz;
    };
    long double v[3] = {x, y, z};
    apply(1 + s->Scale * 1e-6L, s->RotX * sec, s->RotY * sec, s->RotZ * sec, s->DeltaX, s->DeltaY, s->DeltaZ, v);
    apply(1 - t->Scale * 1e-6L, -t->RotX * sec, -t->RotY * sec, -t->RotZ * sec, -t->DeltaX, -t->DeltaY,
          -t->DeltaZ, v);
    double elat, elon, eh;
    CartesianToGeo(static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2]), t->Ellipsoid,
                   elat, elon, eh);
    double lat, lon, h;
    ASSERT_EQ(HelmertTransform(13, 52.1, 5.3, 40, 268, lat, lon, h), 0);
    EXPECT_NEAR(lat, elat, 1e-10);
    EXPECT_NEAR(lon, elon, 1e-10);
    EXPECT_NEAR(h, eh, 1e-4);

    // There and back through the same seven-parameter datum misses by millimetres, as a first-order
    // inverse does (an exact inverse would return the input to well below 0.1 mm).
    ASSERT_EQ(HelmertTransform(13, 52.1, 5.3, 40, 13, lat, lon, h), 0);
    double x2, y2, z2;
    GeoToCartesian(lat, lon, h, s->Ellipsoid, x2, y2, z2);
    const double miss = std::sqrt((x2 - x) * (x2 - x) + (y2 - y) * (y2 - y) + (z2 - z) * (z2 - z));
    EXPECT_GT(miss, 1e-3);
    EXPECT_LT(miss, 0.05);
}

TEST(Helmert, StatusCodes)
{
    double lat = 1, lon = 2, h = 3;
    EXPECT_EQ(HelmertTransform(0, 48, 16, 0, DatumWGS84, lat, lon, h), -1);
    EXPECT_EQ(HelmertTransform(DatumWGS84, 48, 16, 0, 272, lat, lon, h), -2);
    EXPECT_EQ(HelmertTransform(0, 48, 16, 0, 272, lat, lon, h), -2);
    // A bad datum stops before the coordinate checks, so -3/-4 always mean "outputs written".
    EXPECT_EQ(HelmertTransform(272, 91, 181, 0, DatumWGS84, lat, lon, h), -1);
    EXPECT_EQ(lat, 1.0);
    EXPECT_EQ(lon, 2.0);
    EXPECT_EQ(h, 3.0);

    EXPECT_EQ(HelmertTransform(DatumWGS84, 90.5, 10, 0, DatumWGS84, lat, lon, h), -3);
    EXPECT_NE(lat, 1.0);
    EXPECT_NEAR(lon, 10 + 180 - 360, DegTol); // past the pole: the opposite meridian
    lat = 1;
    EXPECT_EQ(HelmertTransform(DatumWGS84, 10, 181, 0, DatumWGS84, lat, lon, h), -4);
    EXPECT_NEAR(lon, -179, DegTol);
    EXPECT_EQ(HelmertTransform(DatumWGS84, 91, 181, 0, DatumWGS84, lat, lon, h), -4);
    EXPECT_EQ(HelmertTransform(DatumWGS84, -90, -180, 0, DatumWGS84, lat, lon, h), 0);
    EXPECT_EQ(HelmertTransform(DatumWGS84, std::numeric_limits<double>::quiet_NaN(), 0, 0, DatumWGS84, lat, lon, h),
              -3);
}
