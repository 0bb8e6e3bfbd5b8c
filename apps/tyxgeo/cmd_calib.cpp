// The calib subcommands of tyxgeo: a calibration file is loaded into an offscreen map control,
// whose own conversions then answer. A conversion given without its coordinates converts standard
// input line by line.
#include "cli_common.h"

#include "geomap/Tyx_geomap.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"

#include <QApplication>

#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

using Fields = std::vector<std::string>;

struct TCalibOptions {
    std::string File;
    std::string Id;
    Fields Args;
};

// Runs Body with a map control that holds the calibration of the file.
void WithCalibratedMap(const TCalibOptions& O, const std::function<void(TGeoMap&)>& Body)
{
    if (!FileExists(O.File)) throw DataError(fmt::format("cannot open calibration file '{}'", O.File));
    const auto app = EnsureApplication();
    TGeoMap map;
    PrepareMap(map);
    LoadCalibration(map, O.File, O.Id);
    Body(map);
}

void PrintInfo(TGeoMap& Map)
{
    const TCalibData& d = Map.CalibData();
    std::cout << "model " << CalibModelName(Map.CalibModel()) << '\n';
    std::cout << "corners";
    for (const TCoords& c : d.Corners) std::cout << ' ' << Fixed(c.Latit, 6) << ',' << Fixed(c.Longit, 6);
    std::cout << '\n';
    std::cout << "resolution " << Fixed(d.Resolution, 3) << '\n';
    std::cout << "points " << d.NumCalQuads << '\n';
    std::cout << "lines " << d.NumCalLines << '\n';
    double qx = 0, qy = 0;
    Map.CalibQuality(qx, qy);
    std::cout << "quality " << Fixed(qx, 3) << ' ' << Fixed(qy, 3) << '\n';
}

// The conversion on its two arguments, or on every line of standard input without them.
void RunConversion(const char* Command, const char* Usage, const Fields& Args,
                   const std::function<std::string(const Fields&)>& Convert)
{
    if (Args.empty()) {
        RunBatch(std::cin, std::cout, 2, Convert);
        return;
    }
    if (Args.size() != 2)
        throw UsageError(fmt::format("calib {} takes {}, or none to read lines of them from standard input", Command, Usage));
    std::cout << Convert(Args) << '\n';
}

using TMapConversion = std::function<std::string(TGeoMap&, const Fields&)>;

// A conversion subcommand of two coordinates, on its arguments or in batch mode.
void AddConversion(CLI::App& Calib, const std::shared_ptr<TCalibOptions>& O, const char* Name, const char* Help,
                   const char* Usage, TMapConversion Convert)
{
    CLI::App* sub = Calib.add_subcommand(Name, Help);
    sub->add_option("coords", O->Args, Usage);
    sub->callback([O, Name, Usage, Convert] {
        WithCalibratedMap(*O, [&](TGeoMap& map) {
            RunConversion(Name, Usage, O->Args, [&](const Fields& f) { return Convert(map, f); });
        });
    });
}

} // namespace

void AddCalibCommands(CLI::App& App)
{
    auto o = std::make_shared<TCalibOptions>();
    CLI::App* calib = App.add_subcommand("calib", "Calibration files: summary and pixel/position conversions");
    calib->add_option("file", o->File, "Calibration XML file")->required();
    calib->add_option("--id", o->Id, "Data identifier of the block (any case; default: the first block)");
    AddMaxPixelsOption(*calib);
    calib->require_subcommand(1);
    calib->fallthrough();

    calib->add_subcommand("info", "Prints model, corners, resolution, points, lines and quality")->callback([o] {
        WithCalibratedMap(*o, PrintInfo);
    });

    AddConversion(*calib, o, "pixel",
                  "Map-image point (0 0 is the image's outer top-left corner) to position: prints LAT LONG VALID", "X Y",
                  [](TGeoMap& map, const Fields& f) {
                      const int x = ParseInt(f[0], "X");
                      const int y = ParseInt(f[1], "Y");
                      bool validLat = false, validLong = false;
                      const double lat = map.CalcLatitude(x, y, validLat);
                      const double lon = map.CalcLongitude(x, y, validLong);
                      return fmt::format("{} {} {}", Fixed(lat, 9), Fixed(lon, 9), validLat && validLong ? 1 : 0);
                  });
    AddConversion(*calib, o, "latlong", "Position to map-image pixel: prints X Y OK", "LAT LONG",
                  [](TGeoMap& map, const Fields& f) {
                      const double lat = ParseFinite(f[0], "LAT");
                      const double lon = ParseFinite(f[1], "LONG");
                      int x = 0, y = 0;
                      const bool ok = map.CalcPixelCoords(lat, lon, x, y);
                      return fmt::format("{} {} {}", x, y, ok ? 1 : 0);
                  });
}

} // namespace tyx::cli
