// Writes the seed corpora of the fuzz targets with the library's own writers:
//   fuzz_make_corpus OUTDIR   (OUTDIR/<target>/<seed>)
// The seeds are small valid files of every kind a reader meets; the fuzzers mutate from there.
#include <QGuiApplication>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "geodb/Tyx_GeoDB.h"
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/Tyx_symbols.h"
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/gui/tyx_bitmap.h"
#include "host/tyx_streams.h"
#include "support/Tyx_math1.h"

using namespace tyx;
namespace fs = std::filesystem;

namespace {

fs::path gOut;

std::string Slurp(const fs::path& P)
{
    std::ifstream in(P, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const std::string& Target, const std::string& Name, const std::string& Bytes)
{
    fs::create_directories(gOut / Target);
    std::ofstream(gOut / Target / Name, std::ios::binary) << Bytes;
}

std::string StreamBytes(const TMemoryStream& S)
{
    return {reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size())};
}

TGeoCalibration Calibration(TCalibModel Model)
{
    TGeoCalibration c;
    c.SetMapImageSize(400, 300);
    c.CalibData().MapFName = "sheet.bmp";
    c.CalibData().Caption = "Seed";
    if (Model == cmUTM) c.SetUTMZone(33);
    c.SetCalibModel(Model);
    if (Model == cmParabolicIp) {
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i) {
                c.AddCalibPoint(gtlParallel, 48 - k, 10 + 180 * i, 20 + 120 * k + i);
                c.AddCalibPoint(gtlMeridian, 16 + k, 20 + 180 * k + i, 10 + 140 * i);
            }
    } else if (Model == cmUTM) {
        c.AddCalibPoint(5340000.0, 600000.0, 33, hemiNorth, 10, 290);
        c.AddCalibPoint(5343000.0, 604000.0, 33, hemiNorth, 390, 10);
        c.AddCalibPoint(5340000.0, 604000.0, 33, hemiNorth, 390, 290);
        c.AddCalibPoint(5343000.0, 600000.0, 33, hemiNorth, 10, 10);
    } else {
        const double pts[][4] = {{48.5, 16.0, 10, 10}, {48.5, 17.0, 390, 12}, {48.0, 16.0, 8, 290},
                                 {48.0, 17.0, 392, 288}, {48.25, 16.5, 200, 150}, {48.4, 16.2, 80, 60}};
        for (const auto& p : pts) c.AddCalibPoint(p[0], p[1], int(p[2]), int(p[3]));
    }
    c.RecalcCalibration();
    return c;
}

void CalibSeeds()
{
    const fs::path tmp = gOut / "calib.tmp";
    for (int m = cmParabolicIp; m <= cmUTM; ++m) {
        const auto model = static_cast<TCalibModel>(m);
        const TGeoCalibration c = Calibration(model);
        {
            TTextFile f;
            f.Rewrite(tmp.string());
            WriteRawCalDataToOpenXMLFile(f, true, "map" + std::to_string(m), c.CalibData(), model);
            f.Close();
        }
        const std::string file = Slurp(tmp);
        Put("calib", "file-" + CalibModelName(model), file);
        Put("tags", "calib-" + CalibModelName(model), file);
        TMemoryStream s;
        WriteRawCalDataToStream(s, "map" + std::to_string(m), c.CalibData(), model);
        Put("calib", "stream-" + CalibModelName(model), StreamBytes(s));
    }
    fs::remove(tmp);
}

void LandmarkSeeds()
{
    TLandMarkList list;
    list.AddLandMark(48.2, 16.37, 170.0);
    list.AddLandMark(47.07, 15.44, 353.0, TLMIdentifier("GRZ"), EncodeDateTime(2024, 5, 17, 12, 30, 5),
                     "Graz \xc3\xa4", 9, 0x00FF00);
    list.AddLandMark(-33.9, 18.4, 0.0, lmArrowTo, 7, TLMIdentifier("CPT"), EncodeDate(1999, 12, 31), 42,
                     0x0000FF, 0xFFFFFF, 6, true, 135, 30);
    const fs::path tmp = gOut / "lm.tmp";
    TTextFile f;
    f.Rewrite(tmp.string());
    WriteLandMarksToOpenXMLFile(f, true, "a", list);
    list.RemoveLandMark(1);
    WriteLandMarksToOpenXMLFile(f, false, "b", list);
    f.Close();
    Put("landmarks", "two-blocks", Slurp(tmp));
    Put("tags", "landmarks", Slurp(tmp));
    fs::remove(tmp);
}

void SymbolSeeds()
{
    TSymbolRepository repo;
    repo.SetNEntries(3);
    TSymbol s = DefaultSymbolRecord();
    s.Name = "Church";
    s.Category = 4;
    s.Properties.Kind = lmSpade;
    repo.SetValues(2, s);
    s.Name = "Well";
    s.Properties.Kind = lmCircle;
    s.Properties.Transparent = true;
    repo.SetValues(3, s);
    const fs::path tmp = gOut / "sym.tmp";
    repo.StoreOnFile(tmp.string(), "palette");
    Put("symbols", "three", Slurp(tmp));
    Put("tags", "symbols", Slurp(tmp));
    fs::remove(tmp);
}

void ValueSeeds()
{
    // Selector byte, option byte, then text as the writers produce it.
    const auto put = [](const std::string& Name, char Which, char Flags, const std::string& Text) {
        Put("values", Name, std::string{Which, Flags} + Text);
    };
    put("float", 0, 7, FormatFloatFixed(-1234.5678, 12, 6));
    put("float-sci", 0, 1, FormatFloatFixed(6.02e23, 10, -2));
    put("int", 1, 0, " -2147483648");
    put("attrs", 2, 0, XmlAttr("id", "a b") + XmlAttr("lat", FormatGeneral(48.25)) + " npoints=3");
    put("hex", 3, 0, Hex(0xDEADBEEF, 8));
    put("date", 4, 0, LandMarkDateText(EncodeDateTime(2024, 2, 29, 23, 59, 58)));
    put("date-format", 4, 0, "dd-mmm-yy|05-Mar-07");
    put("lmdate", 5, 0, LandMarkDateText(EncodeDateTime(1900, 1, 1, 0, 0, 1)));
    put("lines", 6, 2, "one\r\ntwo\rthree\n");
}

void DatabaseSeeds()
{
    const fs::path dir = gOut / "db.tmp";
    fs::create_directories(dir);
    const std::string base = (dir / "seed").string();
    {
        TGeoDB db;
        db.SetGDBName(base);
        const TDateTime when = EncodeDate(2020, 1, 2);
        db.AddTown("Wien", when, 0, TSCoords{48.2f, 16.37f}, 170, 1, 7);
        db.AddRiver("Donau", {{48.0f, 14.0f}, {48.2f, 16.4f}, {47.9f, 18.8f}}, when, 0, 0, 0, 0, 0, 0, 2, 0);
        db.AddBorder("Box", {{47, 15}, {49, 15}, {49, 17}, {47, 17}}, true, when, 0, 0, 0, 0, 0, 0, 3, 0);
        const std::string blob = "blob bytes";
        db.AddBLOB("note.txt", when, 0, 47.5f, 47.6f, 9.5f, 9.7f, 0, 4, 0, TMetaInfo{}, blob.data(),
                   static_cast<int>(blob.size()));
        db.AddTown("Gone", when, 0, TSCoords{1, 2}, 0, 0, 0);
        db.DeleteData(1); // leaves garbage and moves the last item
        db.SetDescription("fuzz seed");
        db.SetGDBName("");
    }
    static const char* const ext[7] = {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3", ".tyxgi4", ".tyxgds", ".tyxgdd"};
    std::string files[7];
    for (int k = 0; k < 7; ++k) files[k] = Slurp(base + ext[k]);
    // Present-mask, six lengths, then the files in order (the data file last, unmeasured).
    const auto pack = [&](uint8_t Mask) {
        std::string in(1, static_cast<char>(Mask));
        for (int k = 0; k < 6; ++k) {
            const uint32_t n = (Mask >> k) & 1 ? static_cast<uint32_t>(files[k].size()) : 0;
            for (int b = 0; b < 4; ++b) in += static_cast<char>(n >> (8 * b) & 0xFF);
        }
        for (int k = 0; k < 7; ++k)
            if ((Mask >> k) & 1) in += files[k];
        return in;
    };
    Put("geodb", "all-files", pack(0x7F));
    Put("geodb", "summary-and-data", pack(0x60));
    fs::remove_all(dir);
}

void BitmapSeeds()
{
    const struct { TPixelFormat Pf; const char* Name; } forms[] = {
        {pf1bit, "1bit"}, {pf4bit, "4bit"}, {pf8bit, "8bit"}, {pf15bit, "15bit"}, {pf24bit, "24bit"}, {pf32bit, "32bit"}};
    for (const auto& f : forms) {
        TBitmap bmp(5, 3, f.Pf);
        bmp.Canvas().SetPixels(1, 1, 0x0000FF);
        bmp.Canvas().SetPixels(4, 2, 0xFFFFFF);
        TMemoryStream s;
        bmp.SaveToStream(s);
        Put("bmp", f.Name, StreamBytes(s));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    gOut = argv[1];
    fs::create_directories(gOut);
    CalibSeeds();
    LandmarkSeeds();
    SymbolSeeds();
    ValueSeeds();
    DatabaseSeeds();
    BitmapSeeds();
    return 0;
}
