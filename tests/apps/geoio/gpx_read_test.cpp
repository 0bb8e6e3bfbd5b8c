// The GPX reader: waypoints, routes and track segments of a hand-made file, and bad input refused
// with its line and column.
#include "geoio_gpx.h"

#include <gtest/gtest.h>

#include <string>

using namespace tyx;
using namespace tyx::geoio;

TEST(GpxRead, WaypointsRoutesAndTrackSegments)
{
    TReadStats stats;
    const TGpxData d = ReadGpxFile(std::string(TYX_TEST_DATA_DIR) + "/walk.gpx", {}, stats);
    ASSERT_EQ(d.Waypoints.size(), 2u);
    const TGpxWaypoint& w = d.Waypoints[0];
    EXPECT_EQ(w.Name, "Marienplatz");
    EXPECT_DOUBLE_EQ(w.Latitude, 48.1374);
    EXPECT_DOUBLE_EQ(w.Longitude, 11.5755);
    EXPECT_DOUBLE_EQ(w.Elevation, 519.5);
    EXPECT_NEAR(w.Time, EncodeDateTime(2024, 5, 1, 10, 30, 0), 1e-9);
    EXPECT_EQ(d.Waypoints[1].Name, "Salzburger Dom & Platz");
    EXPECT_EQ(d.Waypoints[1].Time, 0);

    // The route, the two segments of "Day one" (the third has one point only) and the date-line
    // track cut into its two sides.
    struct TWant {
        const char* Name;
        uint8_t Class;
        std::size_t Points;
        bool NewFeature;
    };
    const TWant want[] = {{"Plan", GpxRouteClass, 3, true},     {"Day one", GpxTrackClass, 2, true},
                          {"Day one", GpxTrackClass, 3, false}, {"Date line", GpxTrackClass, 2, true},
                          {"Date line", GpxTrackClass, 2, false}};
    ASSERT_EQ(d.Items.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(i);
        const TGeoItem& it = d.Items[i];
        EXPECT_EQ(it.Name, want[i].Name);
        EXPECT_EQ(it.Kind, gitRoute);
        EXPECT_EQ(it.Class, want[i].Class);
        EXPECT_FALSE(it.Closed);
        EXPECT_EQ(it.Points.size(), want[i].Points);
        EXPECT_EQ(it.NewFeature, want[i].NewFeature);
    }
    EXPECT_FLOAT_EQ(d.Items[2].Points[2].Latit, 48.5f);
    EXPECT_FLOAT_EQ(d.Items[2].Points[2].Longit, 11.9f);
    EXPECT_FLOAT_EQ(d.Items[3].Points[1].Longit, 180.f);
    EXPECT_FLOAT_EQ(d.Items[4].Points[0].Longit, -180.f);
    EXPECT_EQ(stats.DegenerateRings, 1);
    EXPECT_EQ(stats.SplitAtAntimeridian, 1);

    TReadOptions river;
    river.Kind = gitRiver;
    EXPECT_EQ(ReadGpxFile(std::string(TYX_TEST_DATA_DIR) + "/walk.gpx", river, stats).Items[0].Kind, gitRiver);
}

TEST(GpxRead, BadInputIsRefusedWithLineAndColumn)
{
    // The column is where the reader stands: the end of the offending start tag, or the character
    // at which the XML went wrong (whose wording is the XML reader's).
    const std::string head = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\">\n";
    TReadOptions town;
    town.Kind = gitTown;
    struct TCase {
        std::string Text;
        const char* Message;
        TReadOptions Options = {};
    };
    const TCase cases[] = {
        {head + R"(<wpt lon="2"/></gpx>)", "t.gpx:3:14: <wpt> has no lat"},
        {head + R"(<wpt lat="4x" lon="2"/></gpx>)", "t.gpx:3:23: lat '4x' is not a number"},
        {head + R"(<rte><rtept lat="91" lon="2"/></rte></gpx>)",
         "t.gpx:3:30: <rtept>: latitude 91 is out of range -90..90"},
        {head + R"(<trk><trkseg><trkpt lat="1" lon="-180.5"/></trkseg></trk></gpx>)",
         "t.gpx:3:42: <trkpt>: longitude -180.5 is out of range -180..180"},
        {head + R"(<wpt lat="1" lon="2"><ele>high</ele></wpt></gpx>)", "t.gpx:3:26: ele 'high' is not a number"},
        {head + R"(<wpt lat="1" lon="2"><time>today</time></wpt></gpx>)",
         "t.gpx:3:27: time 'today' is not an ISO 8601 date and time"},
        {head + R"(<wpt lat="1" lon="2"></wpx></gpx>)", "t.gpx:3:27: "},
        {head + R"(<wpt lat="1" lon="2">)", "t.gpx:3:21: "},
        {"<kml>\n</kml>", "t.gpx:1:5: the root element is <kml>, not <gpx>"},
        {"<gpx version=\"2.0\">\n</gpx>", "t.gpx:1:19: GPX version '2.0' is not read (1.1 and 1.0 are)"},
        {"<gpx/>", "t.gpx: a line or area cannot be stored as town", town},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TReadStats stats;
        std::string message = "accepted";
        try {
            ReadGpxText(c.Text, "t.gpx", c.Options, stats);
        } catch (const EGeoIOError& e) {
            message = e.what();
        }
        EXPECT_EQ(message.substr(0, std::string(c.Message).size()), c.Message) << message;
    }
}
