// The atlas subcommands of tyxgeo: pick runs a zoom step over a set of maps, list shows what the
// atlas registered, render writes a picture of the whole atlas widget. Maps are registered in the
// order given; a file named twice (in any case) is one map.
#include "cli_common.h"

#include "geoatlas/Tyx_geoatlas.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>

#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

struct TAtlasOptions {
    std::vector<std::string> Calibs;
    // pick
    std::string Zoom;
    std::string MinResDiff;
    std::string Lat, Long, Resolution;
    // render
    std::string Out;
    std::string Select;
    std::string Size = "480x320";
};

void RegisterAll(TGeoAtlas& Atlas, const std::vector<std::string>& Calibs)
{
    for (const std::string& File : Calibs) {
        try {
            if (Atlas.RegisterMap(File)) continue;
        } catch (const ETYXError& E) {
            throw DataError(fmt::format("'{}': {}", File, E.what()));
        }
        if (Atlas.NumRegMaps() == TGeoAtlas::MaxMaps)
            throw DataError(fmt::format("'{}': the atlas holds at most {} maps", File, TGeoAtlas::MaxMaps));
        throw DataError(fmt::format("cannot read a calibration from '{}'", File));
    }
}

/// An atlas with the maps registered; the map control reports errors under the tool's name.
std::unique_ptr<TGeoAtlas> MakeAtlas(const std::vector<std::string>& Calibs)
{
    auto Atlas = std::make_unique<TGeoAtlas>();
    Atlas->SetName("tyxgeo");
    PrepareMap(*Atlas->CurrentMap());
    RegisterAll(*Atlas, Calibs);
    return Atlas;
}

void RunPick(const TAtlasOptions& O)
{
    const double Lat = ParseDouble(O.Lat, "LAT");
    const double Long = ParseDouble(O.Long, "LONG");
    const double Resolution = ParseDouble(O.Resolution, "RESOLUTION");
    const auto App = EnsureApplication();
    const auto Atlas = MakeAtlas(O.Calibs);
    if (!O.MinResDiff.empty()) Atlas->SetMinResDiff(ParseDouble(O.MinResDiff, "--minresdiff"));
    bool Found = false;
    try {
        Found = O.Zoom == "in" ? Atlas->ZoomIn(Lat, Long, Resolution) : Atlas->ZoomOut(Lat, Long, Resolution);
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    std::cout << (Found ? Atlas->Maps(Atlas->CurrentMapIndex()).MapFName : std::string("none")) << '\n';
}

void RunList(const TAtlasOptions& O)
{
    const auto App = EnsureApplication();
    const auto Atlas = MakeAtlas(O.Calibs);
    for (int k = 1; k <= Atlas->NumRegMaps(); ++k) {
        const TMapDefinition M = Atlas->Maps(k);
        std::cout << k << '\t' << Escaped(M.MapFName) << '\t' << Escaped(M.Caption) << '\t' << Fixed(M.Resolution, 3) << '\n';
    }
}

void RunRender(const TAtlasOptions& O)
{
    const auto [W, H] = ParsePair(O.Size, 'x', "--size");
    if (W < 100 || H < 60 || W > 10000 || H > 10000) throw UsageError("--size must be 100x60 to 10000x10000");
    const int Select = ParseInt(O.Select, "--select");
    const auto App = EnsureApplication();
    const auto Atlas = MakeAtlas(O.Calibs);
    Atlas->resize(W, H);
    try {
        if (!Atlas->SelectMap(Select))
            throw DataError(fmt::format("cannot select map {} of {}", Select, Atlas->NumRegMaps()));
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
    // The calibrations as read and the image shown, found where the atlas finds it.
    std::vector<std::string> Reads;
    for (int k = 1; k <= Atlas->NumRegMaps(); ++k) Reads.push_back(Atlas->Maps(k).LoadFName);
    TGeoMap* Map = Atlas->CurrentMap();
    std::string Image = Map->CalibData().MapFName;
    if (Map->OnMapImageRequest) Map->OnMapImageRequest(Map, Image);
    Reads.push_back(Image);
    RefuseToOverwrite({O.Out}, Reads);
    const QImage Picture = Atlas->grab().toImage();
    if (!Picture.save(QString::fromStdString(O.Out)))
        throw DataError(fmt::format("cannot write '{}' (the name must end in .png, .bmp or .jpg)", O.Out));
}

} // namespace

void AddAtlasCommands(CLI::App& App)
{
    auto o = std::make_shared<TAtlasOptions>();
    CLI::App* atlas = App.add_subcommand("atlas", "Switches between calibrated maps of one region by resolution");
    atlas->require_subcommand(1);

    CLI::App* pick = atlas->add_subcommand("pick", "Prints the map a zoom step selects (lower-cased name) or none");
    pick->add_option("--zoom", o->Zoom, "in: the next finer map; out: the next coarser one")
        ->required()
        ->check(CLI::IsMember({"in", "out"}));
    pick->add_option("--minresdiff", o->MinResDiff, "Least step for zooming in, percent (default 10)");
    pick->add_option("lat", o->Lat, "Latitude of the position, degrees")->required();
    pick->add_option("long", o->Long, "Longitude of the position, degrees")->required();
    pick->add_option("resolution", o->Resolution, "Current resolution, metres per pixel")->required();
    pick->add_option("calibs", o->Calibs, "Calibration XML files")->required();
    pick->callback([o] { RunPick(*o); });

    CLI::App* list = atlas->add_subcommand("list", "Lists the registered maps: number, name, caption, resolution");
    list->add_option("calibs", o->Calibs, "Calibration XML files")->required();
    list->callback([o] { RunList(*o); });

    CLI::App* render = atlas->add_subcommand("render", "Writes a picture of the atlas widget with one map selected");
    render->add_option("out", o->Out, "Output image: .png, .bmp or .jpg")->required();
    render->add_option("--select", o->Select, "Number of the map to show, from 1")->required();
    render->add_option("--size", o->Size, "Widget size WxH in pixels (default 480x320)");
    AddMaxPixelsOption(*render);
    render->add_option("calibs", o->Calibs, "Calibration XML files")->required();
    render->callback([o] { RunRender(*o); });

    AddAtlasBuildCommand(*atlas);
}

} // namespace tyx::cli
