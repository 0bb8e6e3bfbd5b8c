// UTM zones and bands, the Transverse Mercator series behind UTM, and the polar stereographic caps.
#include "geobasics/Tyx_geobasics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace tyx;

namespace {

constexpr double Mm = 1e-3;
constexpr double DegTol = 1e-8;
const double Deg = std::acos(-1.0) / 180;

struct ZoneOf {
    int Zone;
    char Letter;
};

ZoneOf Zone(double Lat, double Long)
{
    ZoneOf z{-1, '?'};
    GeoToUTMZone(Lat, Long, z.Zone, z.Letter);
    return z;
}

} // namespace

TEST(UTMZone, BandsAndSpecialZones)
{
    auto expect = [](double lat, double lon, int zone, char letter) {
        const ZoneOf z = Zone(lat, lon);
        EXPECT_EQ(z.Zone, zone) << lat << " " << lon;
        EXPECT_EQ(z.Letter, letter) << lat << " " << lon;
    };
    expect(48.2, 16.37, 33, 'U');
    expect(60, 5, 32, 'V');
    expect(78, 15, 33, 'X');
    expect(84, 0, 31, 'X');
    expect(-80, 0, 31, 'C');
    expect(-72.0001, 0, 31, 'C');
    expect(-72, 0, 31, 'D');
    expect(-0.0001, 0, 31, 'M');
    expect(0, 0, 31, 'N');
    expect(7.9999, 0, 31, 'N');
    expect(8, 0, 31, 'P'); // no O
    expect(-32.0001, 0, 31, 'H'); // no I between H and J
    expect(-32, 0, 31, 'J');
    expect(-24, 0, 31, 'K');
    expect(71.9999, 0, 31, 'W');
    expect(72, 0, 31, 'X');
    // Band V: Norway's zone 32 spans 3 to 12 east.
    expect(56, 3, 32, 'V');
    expect(56, 2.9999, 31, 'V');
    expect(63.9999, 11.9999, 32, 'V');
    expect(60, 12, 33, 'V');
    expect(55.9999, 5, 31, 'U');
    expect(64, 5, 31, 'W');
    // Band X: Svalbard's zones 31, 33, 35 and 37 between 0 and 42 east.
    expect(80, 8.9999, 31, 'X');
    expect(80, 9, 33, 'X');
    expect(80, 20.9999, 33, 'X');
    expect(80, 21, 35, 'X');
    expect(80, 33, 37, 'X');
    expect(80, 41.9999, 37, 'X');
    expect(80, 42, 38, 'X');
    expect(80, -0.0001, 30, 'X');
    for (double lon = 0; lon < 42; lon += 0.25) {
        const int z = Zone(76, lon).Zone;
        EXPECT_TRUE(z == 31 || z == 33 || z == 35 || z == 37) << lon;
    }
    // Longitude ends: -180 is zone 1, 180 itself is outside.
    expect(0, -180, 1, 'N');
    expect(0, 179.9999, 60, 'N');
    expect(0, 180, 0, ' ');
    expect(84.0001, 0, 0, ' ');
    expect(84.5, 0, 0, ' ');
    expect(-80.0001, 0, 0, ' ');
    expect(0, -180.0001, 0, ' ');
    expect(std::numeric_limits<double>::quiet_NaN(), 0, 0, ' ');
    expect(0, std::numeric_limits<double>::quiet_NaN(), 0, ' ');
}

TEST(UTMZone, Designation)
{
    EXPECT_EQ(GeoToUTMZone(48.2, 16.37), "33U");
    EXPECT_EQ(GeoToUTMZone(-33.9, 151.2), "56H");
    EXPECT_EQ(GeoToUTMZone(-80, -180), "1C");
    EXPECT_EQ(GeoToUTMZone(84.5, 0), "");
    EXPECT_EQ(GeoToUTMZone(0, 180), "");
}

TEST(TransverseMercator, MeridianAndSeries)
{
    EXPECT_NEAR(ArcLengthOfMeridian(45 * Deg, gelWGS84), 4984944.378, Mm);
    EXPECT_EQ(ArcLengthOfMeridian(0, gelWGS84), 0.0);
    EXPECT_NEAR(ArcLengthOfMeridian(-45 * Deg, gelWGS84), -4984944.378, Mm);
    // On a sphere the arc is the radius times the angle.
    EXPECT_NEAR(ArcLengthOfMeridian(1.0, gelSphere), 6370997.0, Mm);

    EXPECT_EQ(UTMCentralMeridian(0), 0.0);
    EXPECT_EQ(UTMCentralMeridian(61), 0.0);
    EXPECT_EQ(UTMCentralMeridian(-3), 0.0);
    EXPECT_DOUBLE_EQ(UTMCentralMeridian(33), 15 * Deg);
    EXPECT_DOUBLE_EQ(UTMCentralMeridian(1), -177 * Deg);
    EXPECT_DOUBLE_EQ(UTMCentralMeridian(60), 177 * Deg);

    // On the central meridian x is 0 and y the meridian arc; east and west are mirror images.
    double x, y, x2, y2;
    LatLongToTM(50 * Deg, 9 * Deg, 9 * Deg, gelBess41, x, y);
    EXPECT_EQ(x, 0.0);
    EXPECT_DOUBLE_EQ(y, ArcLengthOfMeridian(50 * Deg, gelBess41));
    LatLongToTM(50 * Deg, 11 * Deg, 9 * Deg, gelBess41, x, y);
    LatLongToTM(50 * Deg, 7 * Deg, 9 * Deg, gelBess41, x2, y2);
    EXPECT_DOUBLE_EQ(x, -x2);
    EXPECT_DOUBLE_EQ(y, y2);
    EXPECT_GT(y, ArcLengthOfMeridian(50 * Deg, gelBess41));
    double phi, lambda;
    TMToLatLong(x, y, 9 * Deg, gelBess41, phi, lambda);
    EXPECT_NEAR(phi / Deg, 50, DegTol);
    EXPECT_NEAR(lambda / Deg, 11, DegTol);
}

TEST(UTM, KnownPoints)
{
    int zone;
    double e, n, lat, lon;
    LatLongToUTM(48.2, 16.37, gelWGS84, zone, e, n);
    EXPECT_EQ(zone, 33);
    EXPECT_NEAR(e, 601799.146, Mm);
    EXPECT_NEAR(n, 5339437.154, Mm);
    UTMToLatLong(e, n, zone, false, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, 48.2, DegTol);
    EXPECT_NEAR(lon, 16.37, DegTol);

    LatLongToUTM(-33.9, 151.2, gelWGS84, zone, e, n);
    EXPECT_EQ(zone, 56);
    EXPECT_NEAR(e, 333568.941, Mm);
    EXPECT_NEAR(n, 6247473.337, Mm);
    UTMToLatLong(e, n, zone, true, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, -33.9, DegTol);
    EXPECT_NEAR(lon, 151.2, DegTol);
    // Without the flag the same numbers name a point in the north.
    UTMToLatLong(e, n, zone, false, gelWGS84, lat, lon);
    EXPECT_GT(lat, 50);

    LatLongToUTM(0, 3, gelWGS84, zone, e, n);
    EXPECT_EQ(zone, 31);
    EXPECT_NEAR(e, 500000, Mm);
    EXPECT_EQ(n, 0.0);

    // Outside the UTM range: zone 0, projected about Greenwich.
    LatLongToUTM(85, 0, gelWGS84, zone, e, n);
    EXPECT_EQ(zone, 0);
    EXPECT_NEAR(e, 500000, Mm);
    UTMToLatLong(e, n, 0, false, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, 85, DegTol);
    // An invalid zone in the inverse is taken as central meridian 0.
    double lat0, lon0;
    UTMToLatLong(600000, 5e6, 0, false, gelWGS84, lat, lon);
    UTMToLatLong(600000, 5e6, 99, false, gelWGS84, lat0, lon0);
    EXPECT_EQ(lat, lat0);
    EXPECT_EQ(lon, lon0);
}

TEST(UTM, RoundTripsInEveryZone)
{
    for (TGeoEllipsoid ell : {gelWGS84, gelInt24, gelClrk66, gelSphere}) {
        for (int z = 1; z <= 60; ++z) {
            const double west = -180 + 6.0 * (z - 1);
            for (double lat = -79.75; lat <= 83.75; lat += 4.5) {
                for (double dl = 0.1; dl < 6; dl += 0.95) {
                    const double lon = west + dl;
                    int zone;
                    double e, n, lat2, lon2;
                    LatLongToUTM(lat, lon, ell, zone, e, n);
                    ASSERT_EQ(zone, Zone(lat, lon).Zone);
                    EXPECT_GE(n, 0);
                    EXPECT_LT(n, 10000000);
                    EXPECT_GT(e, 100000);
                    EXPECT_LT(e, 900000);
                    UTMToLatLong(e, n, zone, lat < 0, ell, lat2, lon2);
                    EXPECT_NEAR(lat2, lat, DegTol) << GeoEllipsoidId[ell] << " " << lat << " " << lon;
                    EXPECT_NEAR(lon2, lon, DegTol) << GeoEllipsoidId[ell] << " " << lat << " " << lon;
                }
            }
        }
    }
    // The widened special zones, at their far edges.
    for (auto [lat, lon] : {std::pair{63.9, 3.01}, {56.1, 11.99}, {83.9, 0.01}, {72.1, 8.99}, {80.0, 41.99}}) {
        int zone;
        double e, n, lat2, lon2;
        LatLongToUTM(lat, lon, gelWGS84, zone, e, n);
        UTMToLatLong(e, n, zone, false, gelWGS84, lat2, lon2);
        EXPECT_NEAR(lat2, lat, DegTol) << zone;
        EXPECT_NEAR(lon2, lon, DegTol) << zone;
    }
}

TEST(UPS, KnownPoints)
{
    double x, y, lat, lon;
    LatLongToUPS(90, 0, gelWGS84, x, y);
    EXPECT_NEAR(x, 2000000, Mm);
    EXPECT_NEAR(y, 2000000, Mm);
    UPSToLatLong(x, y, false, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, 90, DegTol);
    EXPECT_EQ(lon, 0.0); // the pole comes back on Greenwich, not on 180

    LatLongToUPS(85, 30, gelWGS84, x, y);
    EXPECT_NEAR(x, 2277728.696, Mm);
    EXPECT_NEAR(y, 1518959.788, Mm);
    UPSToLatLong(x, y, false, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, 85, DegTol);
    EXPECT_NEAR(lon, 30, DegTol);

    LatLongToUPS(-85, 30, gelWGS84, x, y);
    EXPECT_NEAR(x, 2277728.696, Mm);
    EXPECT_NEAR(y, 2481040.212, Mm);
    UPSToLatLong(x, y, true, gelWGS84, lat, lon);
    EXPECT_NEAR(lat, -85, DegTol);
    EXPECT_NEAR(lon, 30, DegTol);

    // The axes stay exact: x on the 180th meridian, y on the 90th.
    LatLongToUPS(85, -180, gelWGS84, x, y);
    EXPECT_EQ(x, 2000000.0);
    double x2, y2;
    LatLongToUPS(85, 180, gelWGS84, x2, y2);
    EXPECT_EQ(x2, x);
    EXPECT_EQ(y2, y);
    LatLongToUPS(-82, 90, gelWGS84, x, y);
    EXPECT_EQ(y, 2000000.0);
    LatLongToUPS(-82, -90, gelWGS84, x, y);
    EXPECT_EQ(y, 2000000.0);
    // Longitude is brought into range once.
    LatLongToUPS(87, 200, gelWGS84, x, y);
    LatLongToUPS(87, -160, gelWGS84, x2, y2);
    EXPECT_DOUBLE_EQ(x, x2);
    EXPECT_DOUBLE_EQ(y, y2);
}

TEST(UPS, RoundTripsOverBothCaps)
{
    for (TGeoEllipsoid ell : {gelWGS84, gelClrk80, gelSphere}) {
        for (double colat = 0.25; colat <= 10; colat += 0.75) {
            for (double lon = -179.5; lon < 180; lon += 11.5) {
                for (bool south : {false, true}) {
                    const double lat = south ? -90 + colat : 90 - colat;
                    double x, y, lat2, lon2;
                    LatLongToUPS(lat, lon, ell, x, y);
                    UPSToLatLong(x, y, south, ell, lat2, lon2);
                    EXPECT_NEAR(lat2, lat, DegTol) << GeoEllipsoidId[ell] << " " << lat << " " << lon;
                    EXPECT_NEAR(lon2, lon, DegTol) << GeoEllipsoidId[ell] << " " << lat << " " << lon;
                }
            }
        }
    }
}
