// The map image subcommands of tyxgeo: emptymap generates an empty calibrated map of a lat/long
// box; render composes the view of a calibrated map in an offscreen map control and writes it.
#include "cli_common.h"

#include "geomap/Tyx_geomap.h"
#include "host/tyx_streams.h"
#include "support/Tyx_filesys.h"

#include <QApplication>
#include <QImageWriter>

#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <string>

namespace tyx::cli {

namespace {

struct TEmptyMapOptions {
    std::string File;
    std::string LatLow, LongLow, LatHigh, LongHigh, DLat, DLong, Wid, Hgt;
};

struct TRenderOptions {
    std::string Calib;
    std::string Out;
    std::string Id;
    std::string Size = "800x600";
    std::string Mag = "1";
    std::string TopLeft = "0,0";
    bool NoAntiAlias = false;
};

std::string LowerExtension(const std::string& FileName)
{
    std::string Ext = StripPath(FileName).substr(StripExtension(StripPath(FileName)).size());
    for (char& c : Ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return Ext;
}

void RunEmptyMap(const TEmptyMapOptions& O)
{
    const double LatLow = ParseDouble(O.LatLow, "LATLOW");
    const double LongLow = ParseDouble(O.LongLow, "LONGLOW");
    const double LatHigh = ParseDouble(O.LatHigh, "LATHIGH");
    const double LongHigh = ParseDouble(O.LongHigh, "LONGHIGH");
    const double DLat = ParseDouble(O.DLat, "DLAT");
    const double DLong = ParseDouble(O.DLong, "DLONG");
    const int Wid = ParseInt(O.Wid, "WID");
    const int Hgt = ParseInt(O.Hgt, "HGT");
    const auto App = EnsureApplication();
    TGeoMap Map;
    Map.SetName("tyxgeo");
    try {
        Map.CreateAndLoadEmptyMap(O.File, LatLow, LongLow, LatHigh, LongHigh, DLat, DLong, Wid, Hgt);
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    std::cout << StripExtension(O.File) + ".bmp" << '\n' << StripExtension(O.File) + ".xml" << '\n';
}

void RunRender(const TRenderOptions& O)
{
    const auto [W, H] = ParsePair(O.Size, 'x', "--size");
    if (W < 1 || H < 1 || W > 10000 || H > 10000) throw UsageError("--size must be 1x1 to 10000x10000");
    const double Mag = ParseDouble(O.Mag, "--mag");
    if (!(Mag > 0)) throw UsageError("--mag must be positive");
    const auto [X, Y] = ParsePair(O.TopLeft, ',', "--topleft");
    const std::string Ext = LowerExtension(O.Out);
    const char* Format = Ext == ".png" ? "PNG" : Ext == ".bmp" ? "BMP" : (Ext == ".jpg" || Ext == ".jpeg") ? "JPEG" : nullptr;
    if (!Format) throw UsageError(fmt::format("OUT must end in .png, .bmp, .jpg or .jpeg, not '{}'", O.Out));
    if (!FileExists(O.Calib)) throw DataError(fmt::format("cannot open calibration file '{}'", O.Calib));

    const auto App = EnsureApplication();
    TGeoMap Map;
    Map.SetName("tyxgeo");
    Map.SetSuppressPaint(true);
    Map.resize(W, H);
    // A bare image name is looked up beside the calibration file when it is not found as it is.
    const std::string CalibDir = O.Calib.substr(0, O.Calib.size() - StripPath(O.Calib).size());
    Map.OnMapImageRequest = [&CalibDir](TObject*, std::string& FileName) {
        if (!FileExists(FileName) && FileExists(CalibDir + FileName)) FileName = CalibDir + FileName;
    };
    try {
        if (!Map.LoadCalDataFromXML(O.Calib, O.Id)) {
            if (O.Id.empty()) throw DataError(fmt::format("no calibration block in '{}'", O.Calib));
            throw DataError(fmt::format("no calibration block with id '{}' in '{}'", O.Id, O.Calib));
        }
        if (Map.MapImgFile().empty())
            throw DataError(fmt::format("map image '{}' not found", Map.CalibData().MapFName));
        Map.SetAntiAlias(!O.NoAntiAlias);
        Map.SetMagnification(Mag);
        Map.SetTopLeft(Point(X, Y));
        Map.SetSuppressPaint(false);
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    QImageWriter Writer(QString::fromStdString(O.Out), Format);
    if (!Writer.write(Map.Picture()))
        throw DataError(fmt::format("cannot write '{}': {}", O.Out, Writer.errorString().toStdString()));
}

} // namespace

void AddRenderCommands(CLI::App& App)
{
    auto e = std::make_shared<TEmptyMapOptions>();
    CLI::App* empty = App.add_subcommand("emptymap", "Generates an empty calibrated map (a .bmp and its .xml)");
    empty->add_option("file", e->File, "Base file name; .bmp and .xml replace its extension")->required();
    empty->add_option("latlow", e->LatLow, "Southern latitude, degrees")->required();
    empty->add_option("longlow", e->LongLow, "Western longitude, degrees")->required();
    empty->add_option("lathigh", e->LatHigh, "Northern latitude, degrees")->required();
    empty->add_option("longhigh", e->LongHigh, "Eastern longitude, degrees")->required();
    empty->add_option("dlat", e->DLat, "Spacing of the parallels, degrees")->required();
    empty->add_option("dlong", e->DLong, "Spacing of the meridians, degrees")->required();
    empty->add_option("wid", e->Wid, "Width, pixels (at least 100)")->required();
    empty->add_option("hgt", e->Hgt, "Height, pixels (at least 100)")->required();
    empty->callback([e] { RunEmptyMap(*e); });

    auto r = std::make_shared<TRenderOptions>();
    CLI::App* render = App.add_subcommand("render", "Composes the view of a calibrated map and writes it as an image");
    render->add_option("calib", r->Calib, "Calibration XML file (its map image is loaded too)")->required();
    render->add_option("out", r->Out, "Output image: .png, .bmp, .jpg or .jpeg")->required();
    render->add_option("--id", r->Id, "Data identifier of the block (default: the first block)");
    render->add_option("--size", r->Size, "Control size WxH in pixels (default 800x600)");
    render->add_option("--mag", r->Mag, "Magnification, control pixels per image pixel (default 1)");
    render->add_option("--topleft", r->TopLeft, "Map-image pixel X,Y at the top-left corner (default 0,0)");
    render->add_flag("--no-antialias", r->NoAntiAlias, "Nearest-pixel scaling instead of smoothing");
    render->callback([r] { RunRender(*r); });
}

} // namespace tyx::cli
