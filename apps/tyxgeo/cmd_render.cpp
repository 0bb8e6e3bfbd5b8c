// The map image subcommands of tyxgeo: emptymap generates an empty calibrated map of a lat/long
// box; render composes the view of a calibrated map in an offscreen map control and writes it.
#include "cli_common.h"

#include "geodb/Tyx_GeoDB.h"
#include "geoio.h"
#include "geoio_gpx.h"
#include "geomap/Tyx_geodblayer.h"
#include "geomap/Tyx_geomap.h"
#include "host/tyx_streams.h"
#include "support/Tyx_filesys.h"
#include "support/Tyx_math1.h"

#include <QApplication>
#include <QImageWriter>

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
    // Overlays
    std::string Grat = "none";
    std::string GratDist;
    std::string UTMDist;
    std::string Colors;
    std::string Landmarks;
    std::string Highlight;
    std::string Threshold;
    std::string HiddenClasses;
    std::string Seed;
    bool OnMapOnly = false;
    bool ScaleBar = false;
    bool GratLabels = false;
    bool Declutter = false;
    std::string Dpr;
    bool CountCaptions = false;
    bool DeclutterSymbols = false;
    // The database layer
    std::string Db;
    std::string Kinds;
};

const std::map<std::string, TShowGrat> GratModes{{"none", sgNone},       {"points", sgPoints},
                                                 {"lines", sgLines},     {"pointsandlines", sgPointsAndLines},
                                                 {"utmgrid", sgUTMGrid}, {"pointsandutmgrid", sgPointsAndUTMGrid}};

/// A colour in the files' form: exactly 8 hexadecimal digits, red in the low byte.
TColor ParseFileColor(const std::string& Text)
{
    if (Text.size() != 8 || Text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError(fmt::format("--colors takes two colours of 8 hexadecimal digits, not '{}'", Text));
    return static_cast<TColor>(std::stoul(Text, nullptr, 16));
}

/// The file part of --landmarks FILE[:ID]; a colon that belongs to the file's path (C:\...) has a
/// slash after it.
std::string LandMarkFile(const std::string& Option)
{
    const auto Colon = Option.rfind(':');
    if (Colon != std::string::npos && Option.find_first_of("/\\", Colon) == std::string::npos)
        return Option.substr(0, Colon);
    return Option;
}

/// The overlay settings of the render options, applied to a loaded map (paints suppressed).
void ApplyOverlayOptions(TGeoMap& Map, const TRenderOptions& O)
{
    const auto Mode = GratModes.find(O.Grat);
    if (Mode == GratModes.end())
        throw UsageError(fmt::format("--grat must be none, points, lines, pointsandlines, utmgrid or "
                                     "pointsandutmgrid, not '{}'", O.Grat));
    Map.SetShowGrat(Mode->second);
    if (!O.GratDist.empty()) {
        const double Dist = ParseDouble(O.GratDist, "--grat-dist");
        if (!(Dist >= 0 && Dist <= 60)) throw UsageError("--grat-dist must be 0 to 60 degrees");
        Map.SetGratLineDist(Dist);
    }
    if (!O.UTMDist.empty()) {
        const int Dist = ParseInt(O.UTMDist, "--utm-dist");
        if (Dist < 0 || Dist > 10000000) throw UsageError("--utm-dist must be 0 to 10000000 metres");
        Map.SetUTMGridDist(Dist);
    }
    if (!O.Colors.empty()) {
        const auto Comma = O.Colors.find(',');
        if (Comma == std::string::npos) throw UsageError("--colors must be written GRAT,MARKS");
        Map.SetColorGratLine(ParseFileColor(O.Colors.substr(0, Comma)));
        Map.SetColorGratPoints(ParseFileColor(O.Colors.substr(Comma + 1)));
    }
    if (!O.Landmarks.empty()) {
        const std::string File = LandMarkFile(O.Landmarks);
        const std::string Id = O.Landmarks.size() > File.size() ? O.Landmarks.substr(File.size() + 1) : std::string();
        if (!FileExists(File)) throw DataError(fmt::format("cannot open landmark file '{}'", File));
        if (geoio::IsGpxFileName(File)) {
            for (const TLandMark& L : GpxLandMarks(File, Map.LandMarkDefault())) {
                Map.AddLandMark(L.Latitude, L.Longitude, L.Altitude);
                Map.SetLandMarkData(Map.NumLandMarks(), L);
            }
        } else {
            TLandMarkReadReport Report;
            if (!Map.LoadLandMarks(File, Id, &Report))
                throw DataError(Id.empty() ? fmt::format("no landmark block in '{}'", File)
                                           : fmt::format("no landmark block with id '{}' in '{}'", Id, File));
            WarnOfLandMarkDamage(File, Report, Map.NumLandMarks());
        }
    }
    if (!O.Threshold.empty()) {
        const int Threshold = ParseInt(O.Threshold, "--threshold");
        if (Threshold <= 1000) throw UsageError("--threshold must be above 1000");
        Map.SetRandSampleLimit(Threshold);
    }
    if (!O.HiddenClasses.empty()) {
        std::size_t From = 0;
        for (;;) {
            const std::size_t Comma = O.HiddenClasses.find(',', From);
            const int Class = ParseInt(O.HiddenClasses.substr(From, Comma - From), "--hidden-classes");
            if (Class < 0 || Class > 255) throw UsageError("--hidden-classes takes classes 0 to 255");
            Map.SetClassVisibility(static_cast<uint8_t>(Class), false);
            if (Comma == std::string::npos) break;
            From = Comma + 1;
        }
    }
    if (O.Declutter) Map.SetCaptionPlacement(cpDeclutter);
    Map.SetDeclutterSymbols(O.DeclutterSymbols);
    if (!O.Highlight.empty()) {
        const int Highlight = ParseInt(O.Highlight, "--highlight");
        if (Highlight < 0 || Highlight > Map.NumLandMarks())
            throw DataError(fmt::format("--highlight {} is not a landmark (there are {})", Highlight, Map.NumLandMarks()));
        Map.SetHighLM(Highlight);
    }
    Map.SetLandMarksOnMapOnly(O.OnMapOnly);
    Map.SetShowScaleBar(O.ScaleBar);
    Map.SetGratLabels(O.GratLabels);
    if (!O.Seed.empty()) {
        uint64_t Seed = 0;
        const auto [End, Error] = std::from_chars(O.Seed.data(), O.Seed.data() + O.Seed.size(), Seed);
        if (Error != std::errc() || End != O.Seed.data() + O.Seed.size())
            throw UsageError(fmt::format("--seed must be an unsigned integer, not '{}'", O.Seed));
        SeedRandom(Seed);
    }
}

/// "A<sep>B" as two integers.
std::pair<int, int> ParsePair(const std::string& Text, char Sep, const char* What)
{
    const auto At = Text.find(Sep);
    if (At == std::string::npos) throw UsageError(fmt::format("{} must be written A{}B, not '{}'", What, Sep, Text));
    return {ParseInt(Text.substr(0, At), What), ParseInt(Text.substr(At + 1), What)};
}

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
    const std::string Bmp = StripExtension(O.File) + ".bmp", Xml = StripExtension(O.File) + ".xml";
    RefuseToOverwrite({Bmp, Xml}, {});
    const auto App = EnsureApplication();
    TGeoMap Map;
    PrepareMap(Map);
    try {
        Map.CreateAndLoadEmptyMap(O.File, LatLow, LongLow, LatHigh, LongHigh, DLat, DLong, Wid, Hgt);
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    std::cout << Bmp << '\n' << Xml << '\n';
}

void RunRender(const TRenderOptions& O)
{
    const auto [W, H] = ParsePair(O.Size, 'x', "--size");
    if (W < 1 || H < 1 || W > 10000 || H > 10000) throw UsageError("--size must be 1x1 to 10000x10000");
    const double Mag = ParseDouble(O.Mag, "--mag");
    if (!(Mag > 0)) throw UsageError("--mag must be positive");
    const auto [X, Y] = ParsePair(O.TopLeft, ',', "--topleft");
    const double Dpr = O.Dpr.empty() ? 1 : ParseDouble(O.Dpr, "--dpr");
    if (!(Dpr >= 1 && Dpr <= 8)) throw UsageError("--dpr must be 1 to 8");
    if (std::llround(W * Dpr) > 10000 || std::llround(H * Dpr) > 10000)
        throw UsageError("--size times --dpr must stay within 10000x10000 pixels");
    const std::string Ext = LowerExtension(O.Out);
    const char* Format = Ext == ".png" ? "PNG" : Ext == ".bmp" ? "BMP" : (Ext == ".jpg" || Ext == ".jpeg") ? "JPEG" : nullptr;
    if (!Format) throw UsageError(fmt::format("OUT must end in .png, .bmp, .jpg or .jpeg, not '{}'", O.Out));
    if (!FileExists(O.Calib)) throw DataError(fmt::format("cannot open calibration file '{}'", O.Calib));
    if ((O.CountCaptions || O.DeclutterSymbols) && !O.Declutter)
        throw UsageError(fmt::format("{} needs --declutter", O.CountCaptions ? "--count-captions" : "--declutter-symbols"));

    if (!O.Kinds.empty() && O.Db.empty()) throw UsageError("--kinds needs --db");
    std::vector<TgdbItem> Kinds;
    for (std::size_t At = 0; !O.Kinds.empty() && At <= O.Kinds.size();) {
        const std::size_t Comma = std::min(O.Kinds.find(',', At), O.Kinds.size());
        const std::string Name = O.Kinds.substr(At, Comma - At);
        const auto Kind = geoio::KindFromName(Name);
        if (!Kind)
            throw UsageError(fmt::format(
                "--kinds takes border, town, city, lake, river, road and route, separated by commas, not '{}'", Name));
        Kinds.push_back(*Kind);
        At = Comma + 1;
    }
    if (!O.Db.empty() && !DatabaseExists(O.Db)) throw DataError(fmt::format("no database at '{}'", O.Db));

    const auto App = EnsureApplication();
    TGeoMap Map;
    TGeoDB Db;
    Db.SetName("tyxgeo");
    TGeoDBLayer Layer(&Map, &Db);
    PrepareMap(Map);
    Map.SetSuppressPaint(true);
    Map.resize(W, H);
    // A bare image name is looked up beside the calibration file when it is not found as it is.
    const std::string CalibDir = O.Calib.substr(0, O.Calib.size() - StripPath(O.Calib).size());
    std::string ImageFile;
    int Captions = 0;
    Map.OnMapImageRequest = [&CalibDir, &ImageFile](TObject*, std::string& FileName) {
        if (!FileExists(FileName) && FileExists(CalibDir + FileName)) FileName = CalibDir + FileName;
        ImageFile = FileName;
    };
    try {
        if (!Map.LoadCalDataFromXML(O.Calib, O.Id)) {
            if (O.Id.empty()) throw DataError(fmt::format("no calibration block in '{}'", O.Calib));
            throw DataError(fmt::format("no calibration block with id '{}' in '{}'", O.Id, O.Calib));
        }
        if (Map.MapImgFile().empty())
            throw DataError(fmt::format("map image '{}' not found", Map.CalibData().MapFName));
        Map.SetAntiAlias(!O.NoAntiAlias);
        if (Dpr != 1) {
            Map.SetPixelRatio(Dpr);
            Map.SetHighDpi(true);
        }
        ApplyOverlayOptions(Map, O);
        if (!O.Db.empty()) {
            Db.SetGDBName(O.Db);
            for (int k = 0; k <= gitUndefined && !Kinds.empty(); ++k)
                Layer.SetKindVisible(static_cast<TgdbItem>(k),
                                     std::find(Kinds.begin(), Kinds.end(), static_cast<TgdbItem>(k)) != Kinds.end());
            Layer.SetEnabled(true);
        }
        Map.SetMagnification(Mag);
        Map.SetTopLeft(Point(X, Y));
        if (O.CountCaptions) Map.OnCaptionDrawn = [&Captions](int, const TRect&) { ++Captions; };
        Map.SetSuppressPaint(false); // the one paint
        Map.OnCaptionDrawn = nullptr;
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    std::vector<std::string> Reads{O.Calib, ImageFile, LandMarkFile(O.Landmarks)};
    for (const std::string& F : Db.FileNames()) Reads.push_back(F);
    RefuseToOverwrite({O.Out}, Reads);
    QImageWriter Writer(QString::fromStdString(O.Out), Format);
    if (!Writer.write(Map.Picture()))
        throw DataError(fmt::format("cannot write '{}': {}", O.Out, Writer.errorString().toStdString()));
    if (O.CountCaptions) std::cout << "captions drawn: " << Captions << '\n';
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
    AddMaxPixelsOption(*empty);
    empty->callback([e] { RunEmptyMap(*e); });

    auto r = std::make_shared<TRenderOptions>();
    CLI::App* render = App.add_subcommand("render", "Composes the view of a calibrated map and writes it as an image");
    render->add_option("calib", r->Calib, "Calibration XML file (its map image is loaded too)")->required();
    render->add_option("out", r->Out, "Output image: .png, .bmp, .jpg or .jpeg")->required();
    render->add_option("--id", r->Id, "Data identifier of the block (default: the first block)");
    AddMaxPixelsOption(*render);
    render->add_option("--size", r->Size, "Control size WxH in pixels (default 800x600)");
    render->add_option("--mag", r->Mag, "Magnification, control pixels per image pixel (default 1)");
    render->add_option("--topleft", r->TopLeft, "Map-image pixel X,Y at the top-left corner (default 0,0)");
    render->add_flag("--no-antialias", r->NoAntiAlias, "Nearest-pixel scaling instead of smoothing");
    render->add_option("--grat", r->Grat,
                       "Overlay: none, points, lines, pointsandlines, utmgrid or pointsandutmgrid (default none)");
    render->add_option("--grat-dist", r->GratDist, "Graticule spacing in degrees (default 0: automatic)");
    render->add_option("--utm-dist", r->UTMDist, "UTM grid spacing in metres (default 0: automatic)");
    render->add_option("--colors", r->Colors, "Graticule and mark colours GRAT,MARKS, 8 hex digits each (red 000000FF)");
    render->add_option("--landmarks", r->Landmarks,
                       "Landmark file and block id, FILE[:ID] (default: its first block); damage is warned of on stderr; "
                       "or a GPX file (.gpx): its waypoints, their names as captions");
    render->add_option("--highlight", r->Highlight, "Number of the landmark drawn in the highlight colours");
    render->add_option("--threshold", r->Threshold, "Landmark count above which a random sample is drawn (> 1000)");
    render->add_option("--hidden-classes", r->HiddenClasses, "Landmark classes not drawn, C1,C2,...");
    render->add_option("--seed", r->Seed, "Seed of the landmark sampling, for a repeatable picture");
    render->add_flag("--on-map-only", r->OnMapOnly, "Draw no landmark whose position lies outside the map image");
    render->add_flag("--scale-bar", r->ScaleBar, "A scale bar of a round ground distance in the bottom-left corner");
    render->add_flag("--grat-labels", r->GratLabels, "Degree labels where the graticule lines meet the edges");
    render->add_flag("--declutter", r->Declutter,
                     "Landmarks by class, each caption moved or left out so that none overlap");
    render->add_option("--dpr", r->Dpr,
                       "Device pixel ratio R, 1 to 8: the same view drawn at R times the pixels each way (default 1)");
    render->add_flag("--declutter-symbols", r->DeclutterSymbols,
                     "With --declutter, a landmark whose caption finds no room or whose symbol would cover "
                     "what is drawn is left out");
    render->add_flag("--count-captions", r->CountCaptions, "With --declutter, prints how many captions were drawn");
    render->add_option("--db", r->Db,
                       "Database whose items are drawn over the map image as vector data, sharp at any --mag");
    render->add_option("--kinds", r->Kinds,
                       "With --db, the kinds drawn K1,K2,... of border, town, city, lake, river, road, route "
                       "(default all but town)");
    render->callback([r] { RunRender(*r); });
}

} // namespace tyx::cli
