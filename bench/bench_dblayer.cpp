// The database layer over a 1920 x 1080 control, the sample database world10m (1:10m countries and
// land, from $TYX_DATA_CACHE or data/cache): a paint of the world view and of a 1:500 000 view of
// Bavaria (UTM zone 32, 132 m per pixel, as a 96 dpi screen shows that scale), each with the
// layer off (Arg 0: the plain paint), on (Arg 1) and on without antialiasing (Arg 2), and a pan
// repaint of the Bavarian view, the same three ways. Warm: the first paint, which reads the items from the files, comes before the timing.
// CPU times are of the whole process (Qt may copy images on worker threads). Without the
// database every benchmark skips itself.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geodblayer.h"
#include "geomap/Tyx_geomap.h"

namespace {

using namespace tyx;

constexpr int CtlW = 1920, CtlH = 1080, ImgW = 2400, ImgH = 1240;

std::string DatabaseBase()
{
    const char* Env = std::getenv("TYX_DATA_CACHE");
    const std::string Base = std::string(Env && *Env ? Env : "data/cache") + "/world10m";
    return std::filesystem::exists(Base + ".tyxgds") ? Base : std::string();
}

TGeoDB* Database()
{
    static TGeoDB* Db = [] {
        const std::string Base = DatabaseBase();
        if (Base.empty()) return static_cast<TGeoDB*>(nullptr);
        auto* D = new TGeoDB();
        D->SetGDBName(Base);
        return D;
    }();
    return Db;
}

struct TScene {
    std::unique_ptr<TGeoMap> Map;
    std::unique_ptr<TGeoDBLayer> Layer;
};

/// A white image of W x H calibrated by Calibrate, in the 1920 x 1080 control, the layer on or off
/// and painted once.
template <typename F>
TScene MakeScene(int W, int H, bool On, F&& Calibrate)
{
    TScene S;
    S.Map = std::make_unique<TGeoMap>();
    TGeoMap& M = *S.Map;
    M.SetSuppressPaint(true);
    M.resize(CtlW, CtlH);
    TBitmap Img(W, H, pf24bit);
    Img.Image().fill(Qt::white);
    M.SetMapBitMap(Img);
    Calibrate(M);
    S.Layer = std::make_unique<TGeoDBLayer>(&M, Database());
    S.Layer->SetEnabled(On);
    M.SetSuppressPaint(false);
    return S;
}

/// With Arg 2 the layer is on and AntiAlias off.
template <typename F>
TScene MakeScene(benchmark::State& State, int W, int H, F&& Calibrate)
{
    TScene S = MakeScene(W, H, State.range(0) != 0, Calibrate);
    if (State.range(0) == 2) S.Map->SetAntiAlias(false);
    return S;
}

TScene World(benchmark::State& State)
{
    // 0.1875 degrees per pixel: the whole world 1920 pixels wide.
    return MakeScene(State, CtlW, CtlH, [](TGeoMap& M) {
        M.SetCalibModel(cmEquiRect);
        M.AddCalibPoint(90.0, -180.0, 0, 0);
        M.AddCalibPoint(90.0, 180.0, CtlW, 0);
        M.AddCalibPoint(-90.0, -180.0, 0, 960);
    });
}

TScene Bavaria(benchmark::State& State)
{
    // 132 m per pixel round Munich, an image a little larger than the control to pan over.
    return MakeScene(State, ImgW, ImgH, [](TGeoMap& M) {
        M.SetCalibModel(cmUTM);
        M.SetUTMZone(32);
        for (const TPoint P : {TPoint{0, 0}, TPoint{ImgW, 0}, TPoint{0, ImgH}})
            M.AddCalibPoint(5420000.0 - 132.0 * P.Y, 530000.0 + 132.0 * P.X, 32, hemiNorth, P.X, P.Y);
        M.SetTopLeft({200, 80});
    });
}

void Report(benchmark::State& State, const TScene& S)
{
    State.counters["items"] = S.Layer->LastStats().ItemsDrawn;
    State.counters["points"] = double(S.Layer->LastStats().PointsDrawn);
}

/// Paints of the scene Make builds, again and again.
template <TScene (*Make)(benchmark::State&)>
void BM_DBLayerPaint(benchmark::State& State)
{
    if (!Database()) return State.SkipWithError("no world10m database in TYX_DATA_CACHE");
    const TScene S = Make(State);
    for (auto _ : State) S.Map->Paint();
    Report(State, S);
}
void BM_DBLayerWorld(benchmark::State& State) { BM_DBLayerPaint<World>(State); }
BENCHMARK(BM_DBLayerWorld)->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
void BM_DBLayerBavaria(benchmark::State& State) { BM_DBLayerPaint<Bavaria>(State); }
BENCHMARK(BM_DBLayerBavaria)->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DBLayerPan(benchmark::State& State)
{
    if (!Database()) return State.SkipWithError("no world10m database in TYX_DATA_CACHE");
    const TScene S = Bavaria(State);
    int i = 0;
    // Steps of 16 pixels to and fro across 256: each repaint shows a new strip.
    for (auto _ : State) {
        ++i;
        const int Step = (i & 31) < 16 ? (i & 15) : 15 - (i & 15);
        S.Map->SetTopLeft({200 + 16 * Step, 80 + 4 * Step});
    }
    Report(State, S);
}
BENCHMARK(BM_DBLayerPan)->Arg(0)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace
