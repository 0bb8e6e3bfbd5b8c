// Geodesy: constant tables of reference ellipsoids and countries, ellipsoid quantities, geodetic
// <-> earth-centred cartesian coordinates, a seven-parameter Helmert datum shift through WGS 1984
// (datums named by number, 1 to 271), the Transverse Mercator, UTM and UPS projections, and a
// reader of positions typed by a person.
// Everything is a free function over constant data: no state, safe from any thread. Angles are
// decimal degrees (north and east positive) unless a parameter says radians; lengths are metres.
#pragma once
#include "host/tyx_text.h"
#include "support/Tyx_tyxbase.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tyx {

/// Raised for invalid ellipsoid parameters ("invalid eccentricity", "invalid reciprocal flattening").
class ETYXGeoBasicsError : public ETYXError {
public:
    /// Takes the message as it is.
    using ETYXError::ETYXError;
};

enum TGeoEllipsoid : uint8_t {
    gelWGS84, gelWGS72, gelWGS66, gelWGS60, gelClrk80RGS, gelClrk66, gelBess41, gelBess41Jap,
    gelBess41Nam, gelNewInt67, gelInt24, gelEver69, gelEver56, gelEver48, gelEver30Ind, gelEverPak,
    gelEverest, gelGRS80, gelAiry30, gelModifAiry, gelFish68, gelFish60, gelModifFish60, gelAuNat65,
    gelKrass40, gelHough60, gelSphere, gelIndo74, gelHelm06, gelSGS85, gelSAm69, gelATS77,
    gelAuthSph, gelBesselMod, gelCGCS2000, gelClrk58, gelClrk66Mich, gelClrk80, gelClrk80Arc,
    gelClrk80Benoit, gelClrk80IGN, gelClrk80intfoot, gelClrk80SGA22, gelDan76, gelEver30, gelEver75,
    gelGEM10C, gelGRS67, gelGRS67Mod, gelHughes80, gelIAG75, gelInt24AuthSph, gelOSU86F, gelOSU91A,
    gelPlessis17, gelPopVisSphere, gelPZ90, gelStruve60, gelWarOffice, gelHongKong63, gelNahrwan29
};
inline constexpr int GeoEllipsoidCount = 61;

/// Which hemisphere a UTM northing refers to.
enum THemisphere : uint8_t { hemiNorth, hemiSouth };

/// The axes of an ellipsoid.
struct TGeoEllipsoidData {
    double SemiMajorAxis; ///< metres
    double SemiMinorAxis; ///< metres
};

/// Identifier of each ellipsoid, spelled as its enumeration value ("gelWGS84").
extern const char* const GeoEllipsoidId[GeoEllipsoidCount];
/// Display name of each ellipsoid ("WGS 1984").
extern const char* const GeoEllipsoidName[GeoEllipsoidCount];
extern const TGeoEllipsoidData GeoEllipsoidData[GeoEllipsoidCount];

/// One country of the country table.
struct TCountryData {
    TShortString<40> Name;      ///< English name; a few hold two names ("Burma;Myanmar")
    TShortString<2> Fips10;     ///< FIPS 10-4 code, lower case
    TShortString<2> ISO3166_2;  ///< ISO 3166 alpha-2, lower case
    TShortString<3> ISO3166_3;  ///< ISO 3166 alpha-3, lower case
    double CLat;                ///< approximate centre, degrees
    double CLong; ///< degrees
    TShortString<31> Capital;   ///< empty where there is none
    double CapLat;              ///< degrees
    double CapLong; ///< degrees
    int32_t CapAlt;             ///< metres above sea level
};

inline constexpr int CountryCount = 231;
/// Countries sorted by name ignoring case; indexed from 0.
extern const TCountryData CountryData[CountryCount];

/// Number of datums known to HelmertTransform; valid numbers are 1 to DatumCount.
inline constexpr int DatumCount = 271;
/// The datum number of WGS 1984 itself (all parameters zero).
inline constexpr int DatumWGS84 = 269;

// ---- Ellipsoid quantities ----

/// 1 - b^2/a^2 of a table ellipsoid.
double GeoEllEccSquared(TGeoEllipsoid Ellipsoid);
/// Squared eccentricity from the two semi-axes, given in either order.
double GeoEllEccSquared(double Axis1, double Axis2);
/// Squared eccentricity from the reciprocal flattening; 0 (a sphere) gives 0.
double GeoEllEccSquared(double RecipFlat);
/// 1/(1 - b/a); 0 for a sphere.
double RecipFlattening(TGeoEllipsoid Ellipsoid);
/// 1/(1 - b/a) with a taken as the semi-major axis; 0 when both are equal.
double RecipFlattening(double SemiMajorAxis, double SemiMinorAxis);
/// From the squared eccentricity (0 to 1, else throws "invalid eccentricity"); 0 for a sphere.
double RecipFlattening(double EccSquared);
/// Semi-minor axis; a reciprocal flattening of 0 means a sphere; below 0 throws.
double EllipsoidMinAxFlat(double SemiMajorAxis, double RecipFlat);
/// Semi-minor axis; a squared eccentricity outside 0 to 1 throws "invalid eccentricity".
double EllipsoidMinAxEcc(double SemiMajorAxis, double EccSquared);

// ---- Cartesian coordinates and datum shifts ----

/// Geodetic (degrees, height in metres) to earth-centred X, Y, Z (metres). No range check:
/// a latitude beyond 90 is taken as the angle it is; results overflow to infinity only for
/// heights near the largest double.
void GeoToCartesian(double Latitude, double Longitude, double Height, TGeoEllipsoid Ellipsoid,
                    double& X, double& Y, double& Z);
/// Earth-centred X, Y, Z to geodetic; on the polar axis gives latitude +-90 by the sign of Z
/// (+90 at the centre), longitude 0 and the height above the pole. Coordinates beyond about
/// 1e154 m overflow: the height (and possibly the latitude) comes out infinite or NaN.
void CartesianToGeo(double X, double Y, double Z, TGeoEllipsoid Ellipsoid,
                    double& Latitude, double& Longitude, double& Height);
/// Shifts a position from datum SourceDatum to TargetDatum (1 to DatumCount) through WGS 1984.
/// Returns 0, or -1 bad source / -2 bad target (outputs untouched), or -3 latitude / -4 longitude
/// out of range (outputs still written); the last failing check wins. Heights beyond about
/// 1e154 m overflow to an infinite or NaN height.
int HelmertTransform(int SourceDatum, double Latitude, double Longitude, double Height,
                     int TargetDatum, double& OutLatitude, double& OutLongitude, double& OutHeight);

// ---- Transverse Mercator, UTM, UPS ----

/// UTM zone (1 to 60) and band letter ('C' to 'X'); zone 0 and ' ' outside -80..84 / -180..<180.
void GeoToUTMZone(double Latitude, double Longitude, int& Zone, char& Letter);
/// Zone designation such as "33U"; empty outside the UTM range.
std::string GeoToUTMZone(double Latitude, double Longitude);
/// Meridian arc from the equator to Phi (radians), metres.
double ArcLengthOfMeridian(double Phi, TGeoEllipsoid Ellipsoid);
/// Central meridian of a UTM zone in radians; 0 for a zone outside 1 to 60.
double UTMCentralMeridian(int Zone);
/// Unscaled Transverse Mercator (scale 1, no false origin); all angles in radians. The series
/// are meant for a few degrees about Lambda0; far from it they give meaningless values, and
/// extreme input gives infinite or NaN results. No check is made.
void LatLongToTM(double Phi, double Lambda, double Lambda0, TGeoEllipsoid Ellipsoid, double& X, double& Y);
/// Inverse of LatLongToTM; Lambda0, Phi and Lambda in radians. The series are meant for a few
/// hundred kilometres about the central meridian; far beyond (some thousands of kilometres) they
/// diverge, the latitude may leave -90..90, and extreme input gives NaN. No check is made.
void TMToLatLong(double X, double Y, double Lambda0, TGeoEllipsoid Ellipsoid, double& Phi, double& Lambda);
/// Zone (0 outside the UTM range, projected about Greenwich), easting and northing; a negative
/// northing gets 10000000 added. Input far outside the zone gives what LatLongToTM gives,
/// infinite or NaN for extreme values.
void LatLongToUTM(double Latitude, double Longitude, TGeoEllipsoid Ellipsoid,
                  int& Zone, double& Easting, double& Northing);
/// Inverse of LatLongToUTM; South says the northing carries the 10000000 false northing.
/// Far outside the zone the latitude may leave -90..90, and extreme input gives NaN (as TMToLatLong).
void UTMToLatLong(double Easting, double Northing, int Zone, bool South, TGeoEllipsoid Ellipsoid,
                  double& Latitude, double& Longitude);
/// Universal Polar Stereographic about the nearer pole; false origin 2000000, 2000000.
void LatLongToUPS(double Latitude, double Longitude, TGeoEllipsoid Ellipsoid, double& X, double& Y);
/// Inverse of LatLongToUPS; South selects the southern cap. The Newton steps do not converge
/// for distances from the pole beyond about 1e20 m: the latitude then leaves -90..90, and beyond
/// about 1e155 m it is NaN. No check is made.
void UPSToLatLong(double X, double Y, bool South, TGeoEllipsoid Ellipsoid, double& Latitude, double& Longitude);

// ---- Positions typed by a person ----

/// A position read by ParsePosition: WGS 1984 degrees, or why the text could not be read.
struct TParsedPosition {
    bool Ok = false;      ///< true when the text was read as a position
    double Latitude = 0;  ///< degrees, -90 to 90
    double Longitude = 0; ///< degrees, -180 to 180
    std::string Error;    ///< empty when Ok
};

/// Reads a position as people write it: decimal degrees ("48.14, 11.58", "-33.9 151.2",
/// "48.14N 11.58W"), degrees with minutes and seconds ("48°08'30\"N 11°35'15.5\"E",
/// "48 08 30 N 11 35 15 E", "N 48° 8.5' E 11° 35.25'") or UTM on WGS 1984 ("32U 691560 5334824").
/// Without hemisphere letters the latitude comes first. After a UTM zone, 'N' means the northern
/// hemisphere; 'S' means band S (32 to 40 north) when the northing lies in that band, otherwise the
/// southern hemisphere; the other band letters must match the northing. Only '.' is a decimal
/// point; ',' and ';' separate latitude from longitude.
TParsedPosition ParsePosition(std::string_view Text);

} // namespace tyx
