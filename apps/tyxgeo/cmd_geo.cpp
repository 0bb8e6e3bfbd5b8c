// The geo subcommands of tyxgeo: UTM, UPS, zone designations, cartesian coordinates, Helmert
// shifts, and listings of the ellipsoid, datum and country tables. A conversion given without its
// coordinates converts standard input line by line.
#include "cli_common.h"

#include "geobasics/Tyx_geobasics.h"
#include "geobasics/datum_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

using Fields = std::vector<std::string>;

/// The options one geo subcommand may carry, kept alive for its callback.
struct TGeoOptions {
    Fields Args;
    std::string Ellipsoid = "gelWGS84";
    bool South = false;
};

TGeoEllipsoid ResolveEllipsoid(const std::string& Id)
{
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    for (int i = 0; i < GeoEllipsoidCount; ++i) {
        const char* name = GeoEllipsoidId[i];
        if (Id.size() == std::strlen(name) && std::equal(Id.begin(), Id.end(), name, sameLetter))
            return static_cast<TGeoEllipsoid>(i);
    }
    throw UsageError(fmt::format("unknown ellipsoid '{}'; 'tyxgeo ellipsoids' lists the valid identifiers", Id));
}

// A result that is not a number, or a latitude beyond a pole, means that the input lies outside
// what the conversion can answer; printing it would pass nonsense on as a result.
double Finite(double Value, const char* What)
{
    if (!std::isfinite(Value))
        throw DataError(fmt::format("the {} comes out as {}: the input lies outside what the conversion covers", What,
                                    Shortest(Value)));
    return Value;
}

double Latitude(double Value)
{
    if (!(std::fabs(Finite(Value, "latitude")) <= 90))
        throw DataError(fmt::format("the latitude comes out as {}, beyond a pole: the input lies outside what the "
                                    "conversion covers", Shortest(Value)));
    return Value;
}

void AddEllipsoidOption(CLI::App* Sub, TGeoOptions& O)
{
    Sub->add_option("--ellipsoid", O.Ellipsoid, "Ellipsoid identifier, any case (default gelWGS84)");
}

void AddSouthOption(CLI::App* Sub, TGeoOptions& O, const char* What)
{
    Sub->add_flag("--south", O.South, What);
}

/// Runs a conversion on its arguments, or on every line of standard input when none are given.
/// Conversions that accept a shorter form (Helmert with only the datums) pass Fixed.
void RunConversion(const std::string& Command, const std::string& Usage, const Fields& Args,
                   std::size_t Count, const std::function<std::string(const Fields&)>& Convert,
                   const Fields& Fixed = {})
{
    if (Args.size() == Fixed.size()) {
        RunBatch(std::cin, std::cout, Count - Fixed.size(), [&](const Fields& Line) {
            Fields all = Fixed;
            all.insert(all.end(), Line.begin(), Line.end());
            return Convert(all);
        });
        return;
    }
    if (Args.size() != Count)
        throw UsageError(fmt::format("{} takes {}, or none of the coordinates to read lines of them from standard input",
                                     Command, Usage));
    std::cout << Convert(Args) << '\n';
}

CLI::App* AddConversion(CLI::App& App, const char* Name, const char* Help, const char* Usage,
                        std::shared_ptr<TGeoOptions>& O)
{
    O = std::make_shared<TGeoOptions>();
    CLI::App* sub = App.add_subcommand(Name, Help);
    sub->add_option("coords", O->Args, Usage);
    return sub;
}

void AddUtm(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "utm", "Latitude and longitude to UTM: prints ZONE EASTING NORTHING",
                                  "LAT LONG (degrees)", o);
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        RunConversion("utm", "LAT LONG", o->Args, 2, [ell](const Fields& f) {
            int zone;
            double e, n;
            LatLongToUTM(ParseFinite(f[0], "LAT"), ParseFinite(f[1], "LONG"), ell, zone, e, n);
            return fmt::format("{} {} {}", zone, Fixed(Finite(e, "easting"), 3), Fixed(Finite(n, "northing"), 3));
        });
    });
}

void AddUtm2Geo(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "utm2geo", "UTM to latitude and longitude: prints LAT LONG",
                                  "ZONE EASTING NORTHING (zone 0 to 60; 0 is the Greenwich meridian)", o);
    AddSouthOption(sub, *o, "The northings carry the southern false northing of 10000000");
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        const bool south = o->South;
        RunConversion("utm2geo", "ZONE EASTING NORTHING", o->Args, 3, [ell, south](const Fields& f) {
            const int zone = ParseInt(f[0], "ZONE");
            if (zone < 0 || zone > 60) throw DataError(fmt::format("ZONE must be 0 to 60: '{}'", f[0]));
            double lat, lon;
            UTMToLatLong(ParseFinite(f[1], "EASTING"), ParseFinite(f[2], "NORTHING"), zone, south, ell, lat, lon);
            return fmt::format("{} {}", Fixed(Latitude(lat), 9), Fixed(Finite(lon, "longitude"), 9));
        });
    });
}

void AddUps(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "ups", "Latitude and longitude to UPS about the nearer pole: prints X Y",
                                  "LAT LONG (degrees)", o);
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        RunConversion("ups", "LAT LONG", o->Args, 2, [ell](const Fields& f) {
            double x, y;
            LatLongToUPS(ParseFinite(f[0], "LAT"), ParseFinite(f[1], "LONG"), ell, x, y);
            return fmt::format("{} {}", Fixed(Finite(x, "x"), 3), Fixed(Finite(y, "y"), 3));
        });
    });
}

void AddUps2Geo(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "ups2geo", "UPS to latitude and longitude: prints LAT LONG", "X Y", o);
    AddSouthOption(sub, *o, "The coordinates belong to the southern cap");
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        const bool south = o->South;
        RunConversion("ups2geo", "X Y", o->Args, 2, [ell, south](const Fields& f) {
            double lat, lon;
            UPSToLatLong(ParseFinite(f[0], "X"), ParseFinite(f[1], "Y"), south, ell, lat, lon);
            return fmt::format("{} {}", Fixed(Latitude(lat), 9), Fixed(Finite(lon, "longitude"), 9));
        });
    });
}

void AddZone(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "zone", "UTM zone designation such as 33U (empty line outside UTM)",
                                  "LAT LONG (degrees)", o);
    sub->callback([o] {
        RunConversion("zone", "LAT LONG", o->Args, 2, [](const Fields& f) {
            return GeoToUTMZone(ParseFinite(f[0], "LAT"), ParseFinite(f[1], "LONG"));
        });
    });
}

void AddCart(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "cart", "Geodetic to earth-centred cartesian: prints X Y Z (metres)",
                                  "LAT LONG HEIGHT (degrees, metres)", o);
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        RunConversion("cart", "LAT LONG HEIGHT", o->Args, 3, [ell](const Fields& f) {
            double x, y, z;
            GeoToCartesian(ParseFinite(f[0], "LAT"), ParseFinite(f[1], "LONG"), ParseFinite(f[2], "HEIGHT"), ell, x, y, z);
            return fmt::format("{} {} {}", Fixed(Finite(x, "x"), 4), Fixed(Finite(y, "y"), 4), Fixed(Finite(z, "z"), 4));
        });
    });
}

void AddGeo(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(App, "geo", "Earth-centred cartesian to geodetic: prints LAT LONG HEIGHT",
                                  "X Y Z (metres)", o);
    AddEllipsoidOption(sub, *o);
    sub->callback([o] {
        const TGeoEllipsoid ell = ResolveEllipsoid(o->Ellipsoid);
        RunConversion("geo", "X Y Z", o->Args, 3, [ell](const Fields& f) {
            double lat, lon, h;
            CartesianToGeo(ParseFinite(f[0], "X"), ParseFinite(f[1], "Y"), ParseFinite(f[2], "Z"), ell, lat, lon, h);
            return fmt::format("{} {} {}", Fixed(Latitude(lat), 9), Fixed(Finite(lon, "longitude"), 9),
                               Fixed(Finite(h, "height"), 4));
        });
    });
}

void AddHelmert(CLI::App& App)
{
    std::shared_ptr<TGeoOptions> o;
    CLI::App* sub = AddConversion(
        App, "helmert",
        "Datum shift between datums 1 to 271 (see 'tyxgeo datums'): prints STATUS LAT LONG HEIGHT, or only "
        "STATUS when a datum number is invalid. Given only SOURCE TARGET, reads LAT LONG HEIGHT lines",
        "SOURCE TARGET LAT LONG HEIGHT", o);
    sub->callback([o] {
        const auto convert = [](const Fields& f) {
            const int source = ParseInt(f[0], "SOURCE"), target = ParseInt(f[1], "TARGET");
            double lat = 0, lon = 0, h = 0;
            const int status = HelmertTransform(source, ParseFinite(f[2], "LAT"), ParseFinite(f[3], "LONG"),
                                                ParseFinite(f[4], "HEIGHT"), target, lat, lon, h);
            if (status == -1 || status == -2) return std::to_string(status);
            return fmt::format("{} {} {} {}", status, Fixed(Latitude(lat), 9), Fixed(Finite(lon, "longitude"), 9),
                               Fixed(Finite(h, "height"), 4));
        };
        const Fields& a = o->Args;
        if (a.size() == 2)
            RunConversion("helmert", "SOURCE TARGET LAT LONG HEIGHT", a, 5, convert, a);
        else
            RunConversion("helmert", "SOURCE TARGET LAT LONG HEIGHT", a, 5, convert);
    });
}

void AddListings(CLI::App& App)
{
    App.add_subcommand("ellipsoids", "List the ellipsoids: ORDINAL ID NAME A B (tab-separated)")->callback([] {
        for (int i = 0; i < GeoEllipsoidCount; ++i)
            std::cout << fmt::format("{}\t{}\t{}\t{}\t{}\n", i, GeoEllipsoidId[i], GeoEllipsoidName[i],
                                     Shortest(GeoEllipsoidData[i].SemiMajorAxis),
                                     Shortest(GeoEllipsoidData[i].SemiMinorAxis));
    });
    App.add_subcommand("datums", "List the datums: NUMBER NAME REGION ELLIPSOID-ID DX DY DZ SCALE RX RY RZ")
        ->callback([] {
            for (int n = 1; n <= DatumCount; ++n) {
                const TDatumData& d = *GeoDatum(n);
                std::cout << fmt::format("{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\n", n, d.Name.Str(), d.Region.Str(),
                                         GeoEllipsoidId[d.Ellipsoid], Shortest(d.DeltaX), Shortest(d.DeltaY),
                                         Shortest(d.DeltaZ), Shortest(d.Scale), Shortest(d.RotX), Shortest(d.RotY),
                                         Shortest(d.RotZ));
            }
        });
    App.add_subcommand("countries",
                       "List the countries: NAME FIPS10 ISO2 ISO3 CLAT CLONG CAPITAL CAPLAT CAPLONG CAPALT")
        ->callback([] {
            for (const TCountryData& c : CountryData)
                std::cout << fmt::format("{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\n", c.Name.Str(), c.Fips10.Str(),
                                         c.ISO3166_2.Str(), c.ISO3166_3.Str(), Shortest(c.CLat), Shortest(c.CLong),
                                         c.Capital.Str(), Shortest(c.CapLat), Shortest(c.CapLong), c.CapAlt);
        });
}

} // namespace

void AddGeoCommands(CLI::App& App)
{
    AddUtm(App);
    AddUtm2Geo(App);
    AddUps(App);
    AddUps2Geo(App);
    AddZone(App);
    AddCart(App);
    AddGeo(App);
    AddHelmert(App);
    AddListings(App);
}

} // namespace tyx::cli
