// Positions typed by a person: decimal degrees, degrees-minutes-seconds, UTM, and the errors.
#include "geobasics/Tyx_geobasics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace tyx;

namespace {

constexpr double Tol = 1e-9;

double Dms(double D, double M, double S = 0)
{
    return D + M / 60 + S / 3600;
}

} // namespace

TEST(ParsePosition, GeographicForms)
{
    struct Case {
        const char* Text;
        double Lat, Long;
    };
    const Case cases[] = {
        {"48.14, 11.58", 48.14, 11.58},
        {"48.14 11.58", 48.14, 11.58},
        {"48.14;11.58", 48.14, 11.58},
        {"48.14N 11.58E", 48.14, 11.58},
        {"48.14N, 11.58W", 48.14, -11.58},
        {"48.14n 11.58w", 48.14, -11.58},
        {"-33.9 151.2", -33.9, 151.2},
        {"33.9S 151.2E", -33.9, 151.2},
        {"11.58E 48.14N", 48.14, 11.58},
        {"11.58W, 48.14", 48.14, -11.58},
        {"N48.14 W11.58", 48.14, -11.58},
        {"+48.5 \xE2\x88\x92" "11.25", 48.5, -11.25},
        {"48\xC2\xB0" "08'N 11\xC2\xB0" "35'E", Dms(48, 8), Dms(11, 35)},
        {"48\xC2\xB0" "08'30\"N 11\xC2\xB0" "35'15.5\"E", Dms(48, 8, 30), Dms(11, 35, 15.5)},
        {"48\xC2\xB0" "08' 11\xC2\xB0" "35'", Dms(48, 8), Dms(11, 35)},
        {"48 08 30 N 11 35 15 E", Dms(48, 8, 30), Dms(11, 35, 15)},
        {"48 08 30 S, 11 35 15 W", -Dms(48, 8, 30), -Dms(11, 35, 15)},
        {"N 48\xC2\xB0 8.5' E 11\xC2\xB0 35.25'", Dms(48, 8.5), Dms(11, 35.25)},
        {"48\xC2\xBA 8\xE2\x80\xB2 30\xE2\x80\xB3 S, 11\xCB\x9A 35\xE2\x80\x99 15\xE2\x80\x9D W",
         -Dms(48, 8, 30), -Dms(11, 35, 15)},
        {"48\xC2\xB0" "8'30''N 11\xC2\xB0" "35'15''E", Dms(48, 8, 30), Dms(11, 35, 15)},
        {"48 08 30 11 35 15", Dms(48, 8, 30), Dms(11, 35, 15)},
        {"-0 30 0 15", -0.5, 0.25},
        {"90, -180", 90, -180},
        {"-90 180", -90, 180},
    };
    for (const Case& c : cases) {
        const TParsedPosition p = ParsePosition(c.Text);
        ASSERT_TRUE(p.Ok) << c.Text << ": " << p.Error;
        EXPECT_NEAR(p.Latitude, c.Lat, Tol) << c.Text;
        EXPECT_NEAR(p.Longitude, c.Long, Tol) << c.Text;
        EXPECT_TRUE(p.Error.empty()) << c.Text;
    }
}

// UTM texts are made from known positions with the library's own projection and read back.
TEST(ParsePosition, UTMForms)
{
    struct Case {
        double Lat, Long;
        const char* Form; // zone, letter, easting, northing
        char Letter;      // 0: the position's band
    };
    const Case cases[] = {
        {48.137, 11.575, "%d%c %.3f %.3f", 0},
        {48.137, 11.575, "%d%c %.3f %.3f", 'N'},  // hemisphere
        {48.137, 11.575, "%d %c %.3f, %.3f", 0},
        {0.5, -78.5, "%d%c %.3f %.3f", 'N'},      // band N itself
        {-33.9, 151.2, "%d%c %.3f %.3f", 0},      // band H, false northing
        {-33.9, 151.2, "%d%c %.3f %.3f", 'S'},    // southern hemisphere
        {-0.2, 30.1, "%d%c %.3f %.3f", 'S'},
        {35.0, 139.0, "%d%c %.3f %.3f", 0},       // band S, in the north
        {78.2, 15.6, "%d%c %.3f %.3f", 0},        // band X
        {-79.5, -60.0, "%d%c %.3f %.3f", 0},      // band C
    };
    for (const Case& c : cases) {
        int zone = 0;
        char band = ' ';
        double e = 0, n = 0;
        GeoToUTMZone(c.Lat, c.Long, zone, band);
        LatLongToUTM(c.Lat, c.Long, gelWGS84, zone, e, n);
        char text[80];
        std::snprintf(text, sizeof text, c.Form, zone, c.Letter ? c.Letter : band, e, n);
        const TParsedPosition p = ParsePosition(text);
        ASSERT_TRUE(p.Ok) << text << ": " << p.Error;
        EXPECT_NEAR(p.Latitude, c.Lat, 1e-7) << text;
        EXPECT_NEAR(p.Longitude, c.Long, 1e-7) << text;
    }
}

TEST(ParsePosition, ErrorsSayWhy)
{
    struct Case {
        const char* Text;
        const char* Why;
    };
    const Case cases[] = {
        {"", "no position"},
        {"   ", "no position"},
        {"48.14", "expected a latitude and a longitude, found 1"},
        {"48 11 3", "found 1"},
        {"48, 11, 3", "found 3"},
        {", 48 11", "',' with no coordinate before it"},
        {"91 0", "latitude 91 is outside -90 to 90"},
        {"90 1 0 0", "latitude 90 1 is outside"},
        {"95N 10E", "latitude 95N is outside"},
        {"48 181", "longitude 181 is outside -180 to 180"},
        {"48N 180 30 W", "longitude 180 30W"},
        {"48 60 0 11 0 0", "'60' is not below 60"},
        {"48 08 75 N 11 E", "'75' is not below 60"},
        {"48.5\xC2\xB0" "30'N 11E", "only the last number"},
        {"48 30\" N 11 E", "seconds '30\"' without minutes"},
        {"30' N 11 E", "has no degrees"},
        {"48 08 30 15 N 11 E", "too many numbers"},
        {"48\" 08' N 11 E", "after a smaller unit"},
        {"48N 11N", "both coordinates are latitudes"},
        {"11E, 48W", "both coordinates are longitudes"},
        {"-48N 11E", "both a sign and the hemisphere letter 'N'"},
        {"48 -08 N 11 E", "a sign belongs before the degrees"},
        {"N S 48 11", "two hemisphere letters"},
        {"48N W", "without a number"},
        {"48x 11", "unexpected letter 'x'"},
        {"48# 11", "unexpected character '#'"},
        {"48..1 11", "'48..1' is not a number"},
        {"- 11", "'-' is not a number"},
        {"\xC2\xB0 11", "unit sign without a number"},
        {"61U 500000 5000000", "UTM zone 61 is not"},
        {"0U 500000 5000000", "UTM zone 0 is not"},
        {"32.5U 500000 5000000", "UTM zone 32.5 is not"},
        {"32I 691560 5334824", "'I' is not a UTM band letter"},
        {"32U 50000 5334824", "easting 50000 is outside"},
        {"32U 691560 10000001", "northing 10000001 is above"},
        {"32V 691560 5334824", "lies outside band V"},
        {"32N 500000 9500000", "north of 84"},
        {"32S 500000 1000000", "south of 80"},
    };
    for (const Case& c : cases) {
        const TParsedPosition p = ParsePosition(c.Text);
        EXPECT_FALSE(p.Ok) << c.Text;
        EXPECT_NE(p.Error.find(c.Why), std::string::npos) << c.Text << " gave: " << p.Error;
    }
}
