// Ellipsoid quantities derived from axes, flattening and eccentricity, and their invalid inputs.
#include "geobasics/Tyx_geobasics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tyx;

namespace {

template <typename F>
void ExpectGeoError(F&& Call, const char* Message)
{
    try {
        Call();
        ADD_FAILURE() << "no exception, expected \"" << Message << "\"";
    } catch (const ETYXGeoBasicsError& e) {
        EXPECT_STREQ(e.what(), Message);
    }
}

} // namespace

TEST(EllipsoidQuantities, TableEllipsoids)
{
    EXPECT_NEAR(GeoEllEccSquared(gelWGS84), 0.00669437999, 5e-12);
    EXPECT_NEAR(RecipFlattening(gelWGS84), 298.25722356, 5e-9);
    EXPECT_EQ(RecipFlattening(gelSphere), 0.0);
    EXPECT_EQ(GeoEllEccSquared(gelSphere), 0.0);
    EXPECT_NEAR(RecipFlattening(gelInt24), 297.0, 1e-6);
    EXPECT_NEAR(RecipFlattening(gelClrk66), 294.9786982, 1e-6);
    // The three ways to reach e^2 agree for every table ellipsoid.
    for (int i = 0; i < GeoEllipsoidCount; ++i) {
        const auto e = static_cast<TGeoEllipsoid>(i);
        const auto& d = GeoEllipsoidData[i];
        EXPECT_NEAR(GeoEllEccSquared(d.SemiMajorAxis, d.SemiMinorAxis), GeoEllEccSquared(e), 1e-15) << GeoEllipsoidId[i];
        EXPECT_NEAR(GeoEllEccSquared(RecipFlattening(e)), GeoEllEccSquared(e), 1e-14) << GeoEllipsoidId[i];
        EXPECT_NEAR(EllipsoidMinAxFlat(d.SemiMajorAxis, RecipFlattening(e)), d.SemiMinorAxis, 1e-6);
        EXPECT_NEAR(EllipsoidMinAxEcc(d.SemiMajorAxis, GeoEllEccSquared(e)), d.SemiMinorAxis, 1e-6);
        EXPECT_NEAR(RecipFlattening(GeoEllEccSquared(e)), RecipFlattening(e), 1e-6);
    }
}

TEST(EllipsoidQuantities, FromNumbers)
{
    EXPECT_EQ(GeoEllEccSquared(6356752.314245, 6378137), GeoEllEccSquared(6378137, 6356752.314245));
    EXPECT_EQ(GeoEllEccSquared(6378137, 6378137), 0.0);
    EXPECT_EQ(GeoEllEccSquared(0.0), 0.0);
    EXPECT_NEAR(GeoEllEccSquared(298.257223563), 0.00669437999014, 1e-14);
    EXPECT_EQ(RecipFlattening(6378137, 6378137), 0.0);
    EXPECT_NEAR(RecipFlattening(6378137, 6356752.314245), 298.25722356, 5e-9);
    // No reordering: a smaller first axis gives a negative value.
    EXPECT_LT(RecipFlattening(6356752.314245, 6378137), 0.0);
    EXPECT_EQ(RecipFlattening(0.0), 0.0);
    EXPECT_EQ(RecipFlattening(1.0), 1.0);
    EXPECT_EQ(EllipsoidMinAxFlat(6378137, 0), 6378137.0);
    EXPECT_NEAR(EllipsoidMinAxFlat(6378137, 298.257223563), 6356752.314245, 1e-6);
    EXPECT_EQ(EllipsoidMinAxEcc(6378137, 0), 6378137.0);
    EXPECT_EQ(EllipsoidMinAxEcc(6378137, 1), 0.0);
}

TEST(EllipsoidQuantities, InvalidInputRaises)
{
    ExpectGeoError([] { RecipFlattening(1.5); }, "invalid eccentricity");
    ExpectGeoError([] { RecipFlattening(-0.1); }, "invalid eccentricity");
    ExpectGeoError([] { RecipFlattening(std::numeric_limits<double>::quiet_NaN()); }, "invalid eccentricity");
    ExpectGeoError([] { EllipsoidMinAxFlat(6378137, -1); }, "invalid reciprocal flattening");
    ExpectGeoError([] { EllipsoidMinAxEcc(6378137, -0.01); }, "invalid eccentricity");
    // Above 1 the semi-minor axis would be the root of a negative number.
    ExpectGeoError([] { EllipsoidMinAxEcc(6378137, 1.01); }, "invalid eccentricity");
    ExpectGeoError([] { GeoEllEccSquared(-298.0); }, "invalid reciprocal flattening");
    ExpectGeoError([] { GeoEllEccSquared(0.0, 6378137.0); }, "invalid semi-axis");
    ExpectGeoError([] { RecipFlattening(0.0, 6356752.0); }, "invalid semi-axis");
    // The unit's error is an ETYXError too.
    EXPECT_THROW(RecipFlattening(2.0), ETYXError);
}
