// Switching maps in the atlas: SelectMap of a 2000 x 1500 JPEG map with its calibration in a
// 1024 x 768 atlas, and its parts measured alone: reading the calibration, decoding the JPEG into
// the map's bitmap, and the first paint of the new map. Wall time, as Qt decodes and converts
// images on worker threads too.
#include <benchmark/benchmark.h>


#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/gui/tyx_jpeg.h"
#include "host/tyx_text.h"

namespace {

using namespace tyx;
namespace fs = std::filesystem;

constexpr int MapW = 2000, MapH = 1500;

/// The map files, written once: a map-like JPEG (gradients under a grid) and two calibrations of
/// it, so that every switch loads a map anew.
struct TFiles {
    fs::path Dir = fs::temp_directory_path() / ("tyx_bench_atlas_" + std::to_string(::getpid()));
    std::string Jpeg, CalA, CalB;
    TFiles()
    {
        fs::create_directories(Dir);
        QImage Q(MapW, MapH, QImage::Format_RGB32);
        for (int y = 0; y < MapH; ++y)
            for (int x = 0; x < MapW; ++x) {
                const bool Line = x % 50 == 0 || y % 50 == 0;
                Q.setPixel(x, y, Line ? 0 : qRgb(x * 255 / MapW, y * 255 / MapH, (x ^ y) & 0xFF));
            }
        Jpeg = (Dir / "city.jpg").string();
        Q.save(QString::fromStdString(Jpeg), "JPEG", 90);
        CalA = WriteCal("a.xml", 48, 11);
        CalB = WriteCal("b.xml", 47, 10);
    }
    ~TFiles() { fs::remove_all(Dir); }

    std::string WriteCal(const std::string& Name, double North, double West) const
    {
        TCalibData D;
        D.MapFName = "city.jpg";
        D.Caption = Name;
        D.Resolution = 10;
        const TCoords C[] = {{North, West}, {North - 0.3, West}, {North - 0.3, West + 0.4}, {North, West + 0.4}};
        const int X[] = {0, 0, MapW, MapW}, Y[] = {0, MapH, MapH, 0};
        D.NumCalQuads = 4;
        for (int i = 0; i < 4; ++i) {
            D.Corners[i] = C[i];
            D.CalQuads[i + 1] = {C[i].Latit, C[i].Longit, X[i], Y[i]};
        }
        const std::string Path = (Dir / Name).string();
        TTextFile F;
        F.Rewrite(Path);
        WriteRawCalDataToOpenXMLFile(F, true, "", D, cmEquiRect);
        F.Close();
        return Path;
    }
};

const TFiles& Files()
{
    static const TFiles F;
    return F;
}

std::unique_ptr<TGeoAtlas> MakeAtlas()
{
    auto A = std::make_unique<TGeoAtlas>();
    A->resize(1024, 768);
    A->show(); // lays out the map control at its full size
    A->RegisterMap(Files().CalA);
    A->RegisterMap(Files().CalB);
    return A;
}

void BM_SelectMap(benchmark::State& State)
{
    auto A = MakeAtlas();
    int Next = 1;
    for (auto _ : State) {
        if (!A->SelectMap(Next)) State.SkipWithError("map not loaded");
        Next = 3 - Next;
    }
}
BENCHMARK(BM_SelectMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadCalibration(benchmark::State& State)
{
    for (auto _ : State) {
        TCalibData D;
        TCalibModel M = cmUndefined;
        benchmark::DoNotOptimize(ParseCalibData(Files().CalA, "", D, M));
    }
}
BENCHMARK(BM_ReadCalibration)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeImage(benchmark::State& State)
{
    for (auto _ : State) {
        TJPEGImage J;
        J.LoadFromFile(Files().Jpeg);
        TBitmap B;
        J.AssignTo(B);
        benchmark::DoNotOptimize(B.Width());
    }
}
BENCHMARK(BM_DecodeImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FirstPaint(benchmark::State& State)
{
    auto A = MakeAtlas();
    A->SelectMap(1);
    for (auto _ : State) A->CurrentMap()->Paint();
}
BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
