// Map unit benchmarks: the calibration conversions per model (ns per call) and the fits that run
// on every calibration change, the conic apex search above all.
#include "geobasics/Tyx_geobasics.h"
#include "geomap/core/Tyx_geocalib.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace tyx;

namespace {

// A calibration of the model over a 1000 x 800 image, from a grid of consistent points.
TGeoCalibration MakeCalibration(TCalibModel Model, int GridStep = 200)
{
    TGeoCalibration c;
    c.SetMapImageSize(1000, 800);
    c.SetCalibModel(Model);
    if (Model == cmParabolicIp) {
        for (double Phi : {46.0, 47.0, 48.0, 49.0})
            for (int x = 0; x <= 1000; x += 250)
                c.AddCalibPoint(gtlParallel, Phi, x, int(200 * (49 - Phi) + (x - 500) * (x - 500) / 2500));
        for (double Lambda : {10.0, 12.0, 14.0, 16.0})
            for (int y = 0; y <= 800; y += 200)
                c.AddCalibPoint(gtlMeridian, Lambda, int(333 * (Lambda - 10) / 2 + (y - 400) * (y - 400) / 4000), y);
        return c;
    }
    if (Model == cmUTM) c.SetUTMZone(33);
    for (int x = 0; x <= 1000; x += GridStep)
        for (int y = 0; y <= 800; y += GridStep) {
            const double Lat = 49.0 - 0.004 * y + 1e-7 * (x - 500) * (x - 500);
            const double Long = 12.0 + 0.006 * x;
            if (Model == cmUTM) {
                int Zone = 0;
                double E = 0, N = 0;
                LatLongToUTM(Lat, Long, gelWGS84, Zone, E, N);
                c.AddCalibPoint(N, E, 33, hemiNorth, x, y);
            } else {
                c.AddCalibPoint(Lat, Long, x, y);
            }
        }
    return c;
}

void BM_PixelToPosition(benchmark::State& State)
{
    const TGeoCalibration c = MakeCalibration(static_cast<TCalibModel>(State.range(0)));
    int x = 0, y = 0;
    for (auto _ : State) {
        bool v1 = false, v2 = false;
        benchmark::DoNotOptimize(c.CalcLatitude(x, y, v1));
        benchmark::DoNotOptimize(c.CalcLongitude(x, y, v2));
        x = (x + 37) % 1000;
        y = (y + 23) % 800;
    }
}

void BM_PositionToPixel(benchmark::State& State)
{
    const TGeoCalibration c = MakeCalibration(static_cast<TCalibModel>(State.range(0)));
    double Lat = 46.0, Long = 12.0;
    for (auto _ : State) {
        int x = 0, y = 0;
        benchmark::DoNotOptimize(c.CalcPixelCoords(Lat, Long, x, y));
        benchmark::DoNotOptimize(x);
        Lat = Lat > 48.9 ? 46.0 : Lat + 0.013;
        Long = Long > 17.9 ? 12.0 : Long + 0.017;
    }
}

void BM_ConicFit200(benchmark::State& State)
{
    // 200 points from a cone with its apex 2700 pixels north of the image.
    TGeoCalibration c;
    c.SetMapImageSize(1000, 800);
    c.StoreCalibModel(cmConicConformal);
    TCalibData& d = c.CalibData();
    for (int i = 0; i < gmMaxCalQuads; ++i) {
        const int x = (i % 20) * 50, y = (i / 20) * 80;
        const double dx = x - 430.0, dy = y + 2700.0;
        d.CalQuads[i + 1] = TCalQuad{std::hypot(dx, dy) * -0.004 + 60, std::atan(dx / dy) * 35 + 12, x, y};
    }
    d.NumCalQuads = gmMaxCalQuads;
    for (auto _ : State) {
        c.CalcConicCalibration();
        benchmark::DoNotOptimize(c.ConicPar(1));
    }
}

void BM_BiquadraticFit(benchmark::State& State)
{
    TGeoCalibration c = MakeCalibration(cmBiquadraticPn, 60);
    for (auto _ : State) {
        c.CalcBiquadraticCalibration();
        benchmark::DoNotOptimize(c.CalParsPLSP()(1, 1));
    }
    State.counters["points"] = c.CalibData().NumCalQuads;
}

void Models(benchmark::internal::Benchmark* b)
{
    for (TCalibModel m : {cmParabolicIp, cmBiquadraticPn, cmConicConformal, cmMillerCylindrical, cmEquiRect, cmUTM})
        b->Arg(m);
}

} // namespace

BENCHMARK(BM_PixelToPosition)->Apply(Models);
BENCHMARK(BM_PositionToPixel)->Apply(Models);
BENCHMARK(BM_ConicFit200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BiquadraticFit)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
