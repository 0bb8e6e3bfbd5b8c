// A 200-megapixel JPEG map: a plain QImage decode of the file beside opening it in the map control
// (raised MaxMapPixels), the resident memory the control holds for it, and paints of a 1920 x 1080
// control at magnifications from fit-page to 8: after a view change, of an unchanged view, and
// after a pan. The JPEG is written once into the
// build tree (bench/big-map-200mp.jpg) and kept for later runs.
//
// Times are wall-clock; the CPU column is the process's, all threads.
// Memory: resident set size (RSS, /proc/self/statm) after the open less RSS before it, divided
// by the image's 24-bit pixel bytes (counter RssPerPixelByte); PeakPerPixelByte is the peak RSS
// during the open (VmHWM, reset through /proc/self/clear_refs) less RSS before, the same way.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "geomap/Tyx_geomap.h"

namespace {

using namespace tyx;

constexpr int ImgW = 16384, ImgH = 12208; // 200 015 872 pixels
constexpr int CtlW = 1920, CtlH = 1080;

std::string MapFile() { return std::string(TYX_BENCH_BINARY_DIR) + "/big-map-200mp.jpg"; }

/// A scan-like picture: paper tones with noise, a grid of dark lines and rivers of colour, so that
/// the JPEG has the detail (and decoding cost) of a real map.
void WriteMapOnce()
{
    if (std::filesystem::exists(MapFile())) return;
    QImage Img(ImgW, ImgH, QImage::Format_RGB888);
    uint32_t Seed = 12345;
    for (int y = 0; y < ImgH; ++y) {
        uchar* Row = Img.scanLine(y);
        for (int x = 0; x < ImgW; ++x) {
            Seed = Seed * 1664525u + 1013904223u;
            const int Noise = static_cast<int>(Seed >> 28) - 8;
            const bool Line = x % 200 < 2 || y % 200 < 2 || (x + 3 * y) % 977 < 3;
            const int Base = Line ? 40 : 225 + Noise;
            Row[3 * x] = static_cast<uchar>(std::clamp(Base - (y * 60 / ImgH), 0, 255));
            Row[3 * x + 1] = static_cast<uchar>(std::clamp(Base - ((x / 500) % 2) * 25, 0, 255));
            Row[3 * x + 2] = static_cast<uchar>(std::clamp(Base - (x * 80 / ImgW), 0, 255));
        }
    }
    QImageWriter W(QString::fromStdString(MapFile()), "jpeg");
    W.setQuality(85);
    if (!W.write(Img)) std::fprintf(stderr, "cannot write %s\n", MapFile().c_str());
}

double RssBytes()
{
    long Pages = 0, Resident = 0;
    std::ifstream("/proc/self/statm") >> Pages >> Resident;
    return static_cast<double>(Resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double PeakRssBytes()
{
    std::ifstream Status("/proc/self/status");
    std::string Key;
    double Kb = 0;
    while (Status >> Key)
        if (Key == "VmHWM:") {
            Status >> Kb;
            break;
        }
    return Kb * 1024;
}

void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::unique_ptr<TGeoMap>& OpenMap()
{
    static std::unique_ptr<TGeoMap> M;
    return M;
}

void BM_PlainQImageDecode(benchmark::State& State)
{
    WriteMapOnce();
    QImageReader::setAllocationLimit(0);
    for (auto _ : State) {
        QImage Img(QString::fromStdString(MapFile()));
        benchmark::DoNotOptimize(Img.bits());
        if (Img.isNull()) State.SkipWithError("plain decode failed");
    }
}
BENCHMARK(BM_PlainQImageDecode)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

void BM_MapOpen(benchmark::State& State)
{
    WriteMapOnce();
    const double PixelBytes = 3.0 * ImgW * ImgH;
    double Growth = 0, Peak = 0;
    for (auto _ : State) {
        State.PauseTiming();
        OpenMap().reset();
        const double Before = RssBytes();
        ResetPeakRss();
        State.ResumeTiming();
        auto M = std::make_unique<TGeoMap>();
        M->resize(CtlW, CtlH);
        M->SetMaxMapPixels(1000000000);
        M->SetMapImgName(MapFile());
        State.PauseTiming();
        Growth = RssBytes() - Before;
        Peak = PeakRssBytes() - Before;
        OpenMap() = std::move(M);
        State.ResumeTiming();
    }
    State.counters["RssPerPixelByte"] = Growth / PixelBytes;
    State.counters["PeakPerPixelByte"] = Peak / PixelBytes;
    State.counters["RssMB"] = Growth / (1 << 20);
}
BENCHMARK(BM_MapOpen)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

/// Opens the view of Arg (magnification in 1/1000; 0 is fit-page); false without a map.
bool SetView(benchmark::State& State, TGeoMap*& M)
{
    M = OpenMap().get();
    if (!M) {
        State.SkipWithError("BM_MapOpen did not run");
        return false;
    }
    if (State.range(0) == 0) {
        M->ZoomFitPage();
    } else {
        M->SetMagnification(State.range(0) / 1000.0);
        M->SetTopLeft({ImgW / 3, ImgH / 3});
    }
    return true;
}

/// A paint after the view changed, as a zoom brings: the magnification alternates between the
/// view's and the next smaller double, which samples the same pixels but nothing kept serves.
void BM_Paint(benchmark::State& State)
{
    TGeoMap* M = nullptr;
    if (!SetView(State, M)) return;
    const double Mag = M->Magnification(), Other = std::nextafter(Mag, 0.0);
    int Step = 0;
    for (auto _ : State) M->SetMagnification(++Step % 2 ? Other : Mag);
    State.counters["Mag"] = Mag;
}
BENCHMARK(BM_Paint)->Arg(0)->Arg(150)->Arg(250)->Arg(350)->Arg(500)->Arg(700)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

/// A repaint of an unchanged view (what the overlays' changes bring).
void BM_RepaintUnchanged(benchmark::State& State)
{
    TGeoMap* M = nullptr;
    if (!SetView(State, M)) return;
    for (auto _ : State) M->Paint();
}
BENCHMARK(BM_RepaintUnchanged)->Arg(0)->Arg(350)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

/// A pan step of 7 control pixels (at least one map-image pixel) at the magnification (1/1000).
void BM_PanRepaint(benchmark::State& State)
{
    TGeoMap* M = OpenMap().get();
    if (!M) {
        State.SkipWithError("BM_MapOpen did not run");
        return;
    }
    const double Mag = State.range(0) / 1000.0;
    M->SetMagnification(Mag);
    TPoint P{ImgW / 3, ImgH / 3};
    int Step = 0;
    for (auto _ : State) {
        // At least one map-image pixel, so that every step moves the view.
        const int D = std::max(1, static_cast<int>(7 / Mag));
        P.X += ++Step % 2 ? D : -D;
        M->SetTopLeft(P);
    }
}
BENCHMARK(BM_PanRepaint)->Arg(88)->Arg(150)->Arg(350)->Arg(700)->Arg(1000)->Arg(8000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
