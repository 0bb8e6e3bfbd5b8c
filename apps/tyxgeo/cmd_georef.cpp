// The interchange subcommands of tyxgeo: worldfile writes the world file, .prj and .aux.xml of a
// calibrated map for other GIS tools; calib-from turns a world file or a GeoTIFF into a calibration
// file.
#include "cli_common.h"

#include "geomap/Tyx_geomap.h"
#include "support/Tyx_filesys.h"

#include <QApplication>

#include <fmt/format.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

struct TGeoRefOptions {
    std::string File;
    std::string Id;
    std::string Out;
};

bool IsTiffName(const std::string& FileName)
{
    std::string Ext = FileName.substr(StripExtension(FileName).size());
    for (char& c : Ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Ext == ".tif" || Ext == ".tiff";
}

} // namespace

void AddGeoRefCommands(CLI::App& App)
{
    auto o = std::make_shared<TGeoRefOptions>();
    CLI::App* world = App.add_subcommand("worldfile", "Write the world file, .prj and GDAL .aux.xml of a calibrated map beside its image");
    world->add_option("CALIB", o->File, "Calibration file (.xml)")->required();
    world->add_option("--id", o->Id, "Block id (default: the first block)");
    world->callback([o] {
        if (!FileExists(o->File)) throw DataError(fmt::format("cannot open calibration file '{}'", o->File));
        const auto app = EnsureApplication();
        TGeoMap map;
        map.SetName("tyxgeo");
        LoadCalibration(map, o->File, o->Id);
        // Beside the image the block names, else beside the calibration file.
        const std::string& image = map.CalibData().MapFName;
        const std::string dir = o->File.substr(0, o->File.size() - StripPath(o->File).size());
        const std::string target = image.empty() ? o->File : dir + StripPath(image);
        RefuseToOverwrite(map.WorldFileNames(target), {o->File, map.MapImgFile(), target});
        try {
            map.SaveWorldFile(target);
        } catch (const ETYXGeoMapError& e) {
            throw DataError(MapErrorReason(e));
        }
    });

    CLI::App* from = App.add_subcommand("calib-from", "Write a calibration file from an image's world file or GeoTIFF tags");
    from->add_option("IMAGE", o->File, "Image with a world file (.wld too) and .aux.xml or .prj beside it, or a GeoTIFF")->required();
    from->add_option("--out", o->Out, "Calibration file (default: the image's name with .xml)");
    from->callback([o] {
        if (!FileExists(o->File)) throw DataError(fmt::format("cannot open image '{}'", o->File));
        const auto app = EnsureApplication();
        TGeoMap map;
        map.SetName("tyxgeo");
        const std::string id = StripExtension(StripPath(o->File));
        try {
            // A TIFF's own tags come first; a world file beside it is the fallback.
            bool done = false;
            if (IsTiffName(o->File)) {
                try {
                    map.LoadGeoTIFF(o->File);
                    done = true;
                } catch (const ETYXGeoMapError&) {
                    const std::string base = StripExtension(o->File);
                    if (!FileExists(base + ".tfw") && !FileExists(base + ".tifw") && !FileExists(base + ".wld")) throw;
                }
            }
            if (!done) map.LoadWorldFile(o->File);
        } catch (const ETYXGeoMapError& e) {
            throw DataError(MapErrorReason(e));
        }
        const std::string out = o->Out.empty() ? StripExtension(o->File) + ".xml" : o->Out;
        std::vector<std::string> reads = TGeoMap::WorldFileSources(o->File);
        reads.push_back(o->File);
        RefuseToOverwrite({out}, reads);
        map.SaveCalDataAsXML(out, id);
    });
}

} // namespace tyx::cli
