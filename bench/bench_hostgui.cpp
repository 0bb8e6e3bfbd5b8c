// Speed of the host layer's scaled copies at the sizes the map control paints: a 2000 x 1500 map
// image into a 1280 x 1024 view, with and without smoothing, and the cache build and block copy.
#include <benchmark/benchmark.h>

#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_stretchblt.h"

using namespace tyx;

namespace {

TBitmap& MapImage()
{
    static TBitmap M(2000, 1500, pf24bit);
    static const bool Filled = [] {
        for (int y = 0; y < 1500; ++y) {
            auto* Line = M.Image().scanLine(y);
            for (int x = 0; x < 3 * 2000; ++x) Line[x] = static_cast<uchar>((x * 7 + y * 13) & 0xFF);
        }
        return true;
    }();
    (void)Filled;
    return M;
}

// Magnification in percent; the view shows W / mag x H / mag image pixels.
void StretchToView(benchmark::State& State, int Mode)
{
    const double Mag = State.range(0) / 100.0;
    TBitmap View(1280, 1024, pf15bit);
    SetStretchBltMode(View.Canvas(), Mode);
    const int SW = static_cast<int>(1280 / Mag), SH = static_cast<int>(1024 / Mag);
    for (auto _ : State) {
        StretchBlt(View.Canvas(), 0, 0, 1280, 1024, MapImage(), 100, 50, SW, SH);
        benchmark::DoNotOptimize(View.Image().constBits());
    }
}

void BM_StretchHalftone(benchmark::State& State) { StretchToView(State, HALFTONE); }
void BM_StretchColorOnColor(benchmark::State& State) { StretchToView(State, COLORONCOLOR); }
BENCHMARK(BM_StretchHalftone)->Arg(67)->Arg(80)->Arg(100)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchColorOnColor)->Arg(67)->Arg(80)->Arg(100)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);

// The reduced cache: the whole image at half size, smoothed.
void BM_BuildCacheHalftone(benchmark::State& State)
{
    TBitmap Cache(1000, 750, pf15bit);
    SetStretchBltMode(Cache.Canvas(), HALFTONE);
    for (auto _ : State) {
        StretchBlt(Cache.Canvas(), 0, 0, 1000, 750, MapImage(), 0, 0, 2000, 1500);
        benchmark::DoNotOptimize(Cache.Image().constBits());
    }
}
BENCHMARK(BM_BuildCacheHalftone)->Unit(benchmark::kMillisecond);

// Panning over the cache: a 1:1 block copy between two 15-bit bitmaps.
void BM_CopyFromCache(benchmark::State& State)
{
    TBitmap Cache(1600, 1200, pf15bit), View(1280, 1024, pf15bit);
    SetStretchBltMode(View.Canvas(), COLORONCOLOR);
    for (auto _ : State) {
        StretchBlt(View.Canvas(), 0, 0, 1280, 1024, Cache, 160, 90, 1280, 1024);
        benchmark::DoNotOptimize(View.Image().constBits());
    }
}
BENCHMARK(BM_CopyFromCache)->Unit(benchmark::kMillisecond);

// 1000 landmark-sized figures of 20 short thin lines each (a cross with its halo), the strokes a
// crowded landmark layer draws, on the 15-bit composition bitmap.
void BM_ShortLines(benchmark::State& State)
{
    TBitmap View(1280, 1024, pf15bit);
    TCanvas& C = View.Canvas();
    for (auto _ : State) {
        for (int k = 0; k < 1000; ++k) {
            const int X = 20 + (k * 37) % 1240, Y = 20 + (k * 53) % 984;
            for (int i = 0; i < 10; ++i) {
                C.Pen().SetColor(i < 9 ? clWhite : clBlack);
                const int dx = i < 9 ? i % 3 - 1 : 0, dy = i < 9 ? i / 3 - 1 : 0;
                C.MoveTo(X - 7 + dx, Y - 7 + dy);
                C.LineTo(X + 8 + dx, Y + 8 + dy);
                C.MoveTo(X - 7 + dx, Y + 7 + dy);
                C.LineTo(X + 8 + dx, Y - 8 + dy);
            }
        }
        benchmark::DoNotOptimize(View.Image().constBits());
    }
}
BENCHMARK(BM_ShortLines)->Unit(benchmark::kMillisecond);

} // namespace
