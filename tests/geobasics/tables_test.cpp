// The constant tables: sizes, alignment of the three ellipsoid arrays with the enumeration, the
// datum records the conversions depend on, and the order and shape of the country table.
#include "geobasics/Tyx_geobasics.h"
#include "geobasics/datum_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>

using namespace tyx;

namespace {

#define TYX_GEL(x) std::pair<TGeoEllipsoid, const char*>{x, #x}
// Every enumeration value with its own spelling, so a shifted or misspelled table row shows up.
const std::pair<TGeoEllipsoid, const char*> AllEllipsoids[] = {
    TYX_GEL(gelWGS84), TYX_GEL(gelWGS72), TYX_GEL(gelWGS66), TYX_GEL(gelWGS60), TYX_GEL(gelClrk80RGS),
    TYX_GEL(gelClrk66), TYX_GEL(gelBess41), TYX_GEL(gelBess41Jap), TYX_GEL(gelBess41Nam), TYX_GEL(gelNewInt67),
    TYX_GEL(gelInt24), TYX_GEL(gelEver69), TYX_GEL(gelEver56), TYX_GEL(gelEver48), TYX_GEL(gelEver30Ind),
    TYX_GEL(gelEverPak), TYX_GEL(gelEverest), TYX_GEL(gelGRS80), TYX_GEL(gelAiry30), TYX_GEL(gelModifAiry),
    TYX_GEL(gelFish68), TYX_GEL(gelFish60), TYX_GEL(gelModifFish60), TYX_GEL(gelAuNat65), TYX_GEL(gelKrass40),
    TYX_GEL(gelHough60), TYX_GEL(gelSphere), TYX_GEL(gelIndo74), TYX_GEL(gelHelm06), TYX_GEL(gelSGS85),
    TYX_GEL(gelSAm69), TYX_GEL(gelATS77), TYX_GEL(gelAuthSph), TYX_GEL(gelBesselMod), TYX_GEL(gelCGCS2000),
    TYX_GEL(gelClrk58), TYX_GEL(gelClrk66Mich), TYX_GEL(gelClrk80), TYX_GEL(gelClrk80Arc),
    TYX_GEL(gelClrk80Benoit), TYX_GEL(gelClrk80IGN), TYX_GEL(gelClrk80intfoot), TYX_GEL(gelClrk80SGA22),
    TYX_GEL(gelDan76), TYX_GEL(gelEver30), TYX_GEL(gelEver75), TYX_GEL(gelGEM10C), TYX_GEL(gelGRS67),
    TYX_GEL(gelGRS67Mod), TYX_GEL(gelHughes80), TYX_GEL(gelIAG75), TYX_GEL(gelInt24AuthSph), TYX_GEL(gelOSU86F),
    TYX_GEL(gelOSU91A), TYX_GEL(gelPlessis17), TYX_GEL(gelPopVisSphere), TYX_GEL(gelPZ90), TYX_GEL(gelStruve60),
    TYX_GEL(gelWarOffice), TYX_GEL(gelHongKong63), TYX_GEL(gelNahrwan29),
};
#undef TYX_GEL

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool IsLowerAlpha(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

TEST(EllipsoidTable, IdentifiersSpellTheEnumerationInOrder)
{
    ASSERT_EQ(std::size(AllEllipsoids), static_cast<std::size_t>(GeoEllipsoidCount));
    for (int i = 0; i < GeoEllipsoidCount; ++i) {
        EXPECT_EQ(AllEllipsoids[i].first, i);
        EXPECT_STREQ(GeoEllipsoidId[i], AllEllipsoids[i].second);
    }
    EXPECT_STREQ(GeoEllipsoidId[41], "gelClrk80intfoot");
    EXPECT_STREQ(GeoEllipsoidName[gelWGS84], "WGS 1984");
    EXPECT_STREQ(GeoEllipsoidName[gelNahrwan29], "Nahrwan 1929");
    EXPECT_EQ(GeoEllipsoidData[gelNahrwan29].SemiMinorAxis, 6356566.42744);
}

TEST(EllipsoidTable, SpheresAndSharedAxes)
{
    const std::set<int> spheres = {gelSphere, gelAuthSph, gelInt24AuthSph, gelPopVisSphere};
    for (int i = 0; i < GeoEllipsoidCount; ++i) {
        const auto& d = GeoEllipsoidData[i];
        if (spheres.count(i))
            EXPECT_EQ(d.SemiMajorAxis, d.SemiMinorAxis) << GeoEllipsoidId[i];
        else
            EXPECT_GT(d.SemiMajorAxis, d.SemiMinorAxis) << GeoEllipsoidId[i];
        EXPECT_GT(d.SemiMinorAxis, 6.35e6) << GeoEllipsoidId[i];
        EXPECT_LT(d.SemiMajorAxis, 6.38e6) << GeoEllipsoidId[i];
    }
    EXPECT_EQ(GeoEllipsoidData[gelSphere].SemiMajorAxis, 6370997.0);
    EXPECT_EQ(GeoEllipsoidData[gelPopVisSphere].SemiMinorAxis, 6378137.0);
    EXPECT_EQ(GeoEllipsoidData[gelGRS80].SemiMinorAxis, GeoEllipsoidData[gelCGCS2000].SemiMinorAxis);
    EXPECT_EQ(GeoEllipsoidData[gelGEM10C].SemiMinorAxis, GeoEllipsoidData[gelWGS84].SemiMinorAxis);
    EXPECT_EQ(GeoEllipsoidData[gelWGS84].SemiMinorAxis, 6356752.314245);
}

TEST(DatumTable, NumberedOneTo271)
{
    EXPECT_EQ(GeoDatum(0), nullptr);
    EXPECT_EQ(GeoDatum(DatumCount + 1), nullptr);
    EXPECT_EQ(GeoDatum(-5), nullptr);
    for (int n = 1; n <= DatumCount; ++n) {
        const TDatumData* d = GeoDatum(n);
        ASSERT_NE(d, nullptr) << n;
        EXPECT_FALSE(d->Name.Empty()) << n;
        EXPECT_LT(d->Ellipsoid, GeoEllipsoidCount) << n;
    }
    EXPECT_EQ(GeoDatum(1)->Name.Str(), "ACCRA");
    EXPECT_EQ(GeoDatum(271)->Name.Str(), "ZANDERIJ");
    EXPECT_EQ(GeoDatum(270)->Name.Str(), "YACARE "); // the trailing blank is part of the name
}

TEST(DatumTable, IdentityAndSevenParameterRecords)
{
    const TDatumData* w = GeoDatum(DatumWGS84);
    EXPECT_EQ(w->Name.Str(), "WORLD GEODETIC SYSTEM 1984");
    EXPECT_EQ(w->Ellipsoid, gelWGS84);
    for (double v : {w->DeltaX, w->DeltaY, w->DeltaZ, w->Scale, w->RotX, w->RotY, w->RotZ}) EXPECT_EQ(v, 0.0);

    const TDatumData* rd = GeoDatum(13);
    EXPECT_EQ(rd->Name.Str(), "RD, AMERSFOORT");
    EXPECT_EQ(rd->Region.Str(), "Netherlands");
    EXPECT_EQ(rd->Ellipsoid, gelBess41);
    EXPECT_EQ(rd->DeltaX, 565.0);
    EXPECT_EQ(rd->DeltaY, 49.9);
    EXPECT_EQ(rd->DeltaZ, 465.8);
    EXPECT_EQ(rd->Scale, 4.08);
    EXPECT_EQ(rd->RotX, -0.409);
    EXPECT_EQ(rd->RotY, 0.36);
    EXPECT_EQ(rd->RotZ, -1.869);

    // WGS 1972 has a scale and only a Z rotation.
    const TDatumData* w72 = GeoDatum(268);
    EXPECT_EQ(w72->Scale, 0.219);
    EXPECT_EQ(w72->RotX, 0.0);
    EXPECT_EQ(w72->RotZ, 0.554);

    // The WGS 1984 based records with no shift at all.
    std::set<int> zero;
    int seven = 0;
    for (int n = 1; n <= DatumCount; ++n) {
        const TDatumData* d = GeoDatum(n);
        if (d->Ellipsoid == gelWGS84 && d->DeltaX == 0 && d->DeltaY == 0 && d->DeltaZ == 0 && d->Scale == 0 &&
            d->RotX == 0 && d->RotY == 0 && d->RotZ == 0)
            zero.insert(n);
        if (d->Scale != 0 || d->RotX != 0 || d->RotY != 0 || d->RotZ != 0) ++seven;
    }
    EXPECT_EQ(zero, (std::set<int>{86, 91, 98, 111, 126, 133, 152, 154, 155, 157, 243, 269}));
    EXPECT_EQ(seven, 58);
}

TEST(CountryTable, OrderAndShape)
{
    EXPECT_EQ(CountryData[0].Name.Str(), "Afghanistan");
    EXPECT_EQ(CountryData[CountryCount - 1].Name.Str(), "Zimbabwe");
    std::set<std::string> fips, iso2, iso3;
    int negative = 0;
    for (int k = 0; k < CountryCount; ++k) {
        const TCountryData& c = CountryData[k];
        if (k > 0) {
            EXPECT_LT(Lower(CountryData[k - 1].Name.Str()), Lower(c.Name.Str())) << k;
        }
        EXPECT_EQ(c.Fips10.Length(), 2u) << c.Name.Str();
        EXPECT_EQ(c.ISO3166_2.Length(), 2u) << c.Name.Str();
        EXPECT_EQ(c.ISO3166_3.Length(), 3u) << c.Name.Str();
        EXPECT_TRUE(IsLowerAlpha(c.Fips10.Bytes()) && IsLowerAlpha(c.ISO3166_2.Bytes()) &&
                    IsLowerAlpha(c.ISO3166_3.Bytes()))
            << c.Name.Str();
        fips.insert(c.Fips10.Str());
        iso2.insert(c.ISO3166_2.Str());
        iso3.insert(c.ISO3166_3.Str());
        EXPECT_TRUE(c.CLat >= -90 && c.CLat <= 90 && c.CLong >= -180 && c.CLong <= 180) << c.Name.Str();
        EXPECT_TRUE(c.CapLat >= -90 && c.CapLat <= 90 && c.CapLong >= -180 && c.CapLong <= 180) << c.Name.Str();
        EXPECT_EQ(c.Capital.Empty(), c.Name.Str() == "Antarctica") << c.Name.Str();
        if (c.CapAlt < 0) ++negative;
    }
    EXPECT_EQ(fips.size(), static_cast<std::size_t>(CountryCount));
    EXPECT_EQ(iso2.size(), static_cast<std::size_t>(CountryCount));
    EXPECT_EQ(iso3.size(), static_cast<std::size_t>(CountryCount));
    EXPECT_EQ(negative, 1);
}

TEST(CountryTable, TellingRows)
{
    struct Row {
        const char *Name, *Fips, *Iso2, *Iso3;
        double CLat, CLong;
        const char* Capital;
        double CapLat, CapLong;
        int CapAlt;
    };
    const Row rows[] = {
        {"Afghanistan", "af", "af", "afg", 33, 65, "Kabul", 34.5309, 69.1368, 1807},
        {"Antarctica", "ay", "aq", "ata", -90, 0, "", -90, 0, 0},
        {"Burma;Myanmar", "bm", "mm", "mmr", 22, 98, "Rangoon", 19.7361, 96.2089, 77},
        {"Ecuador", "ec", "ec", "ecu", -2, -77.5, "Quito", -0.2295, -78.5243, 2763},
        {"Netherlands", "nl", "nl", "nld", 52.5, 5.75, "Amsterdam", 52.373, 4.8948, -1},
        {"United States", "us", "us", "usa", 38, -97, "Washington, DC", 38.9051, -77.0162, 2},
        {"Zimbabwe", "zi", "zw", "zwe", -20, 30, "Harare", -17.8292, 31.054, 1480},
    };
    for (const Row& r : rows) {
        const TCountryData* c = std::find_if(std::begin(CountryData), std::end(CountryData),
                                             [&](const TCountryData& x) { return x.Name.Str() == r.Name; });
        ASSERT_NE(c, std::end(CountryData)) << r.Name;
        EXPECT_EQ(c->Fips10.Str(), r.Fips);
        EXPECT_EQ(c->ISO3166_2.Str(), r.Iso2);
        EXPECT_EQ(c->ISO3166_3.Str(), r.Iso3);
        EXPECT_EQ(c->CLat, r.CLat);
        EXPECT_EQ(c->CLong, r.CLong);
        EXPECT_EQ(c->Capital.Str(), r.Capital);
        EXPECT_EQ(c->CapLat, r.CapLat);
        EXPECT_EQ(c->CapLong, r.CapLong);
        EXPECT_EQ(c->CapAlt, r.CapAlt);
    }
}
