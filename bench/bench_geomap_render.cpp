// The map control's paint for a 2000 x 1500 map image in a 1280 x 1024 control: magnification
// 1.0 (stretch from the full image), the first paint at 0.5 (the reduced cache is built), a paint
// after a pan at 0.5 (the cache is reused) and 3.0 (enlarging stretch), beside one plain memcpy
// of the control-sized picture as the yardstick. Under the mouse: one pan step of a drag (a mouse
// move through the widget's event handler) at 1.0 and 0.5, and the XOR feedback of one move while
// a zoom window is dragged.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <cstring>
#include <string>
#include <memory>
#include <vector>

#include "geomap/Tyx_geomap.h"

namespace {

using namespace tyx;

constexpr int MapW = 2000, MapH = 1500, CtlW = 1280, CtlH = 1024;

/// A map-like picture: smooth gradients under a grid of thin lines, 24 bits.
const TBitmap& MapImage()
{
    static TBitmap* Img = [] {
        auto* B = new TBitmap(MapW, MapH, pf24bit);
        QImage& Q = B->Image();
        for (int y = 0; y < MapH; ++y) {
            uchar* Row = Q.scanLine(y);
            for (int x = 0; x < MapW; ++x) {
                const bool Line = x % 50 == 0 || y % 50 == 0;
                Row[3 * x] = Line ? 0 : static_cast<uchar>(x * 255 / MapW);
                Row[3 * x + 1] = Line ? 0 : static_cast<uchar>(y * 255 / MapH);
                Row[3 * x + 2] = Line ? 0 : static_cast<uchar>((x + y) & 0xFF);
            }
        }
        return B;
    }();
    return *Img;
}

std::unique_ptr<TGeoMap> MakeMap(double Mag)
{
    auto M = std::make_unique<TGeoMap>();
    M->SetSuppressPaint(true);
    M->resize(CtlW, CtlH);
    M->SetMapBitMap(MapImage());
    M->SetMagnification(Mag);
    M->SetTopLeft({100, 80});
    M->SetSuppressPaint(false);
    return M;
}

void BM_MemcpyPicture(benchmark::State& State)
{
    auto M = MakeMap(1.0);
    const QImage& P = M->Picture();
    std::vector<uchar> Dest(static_cast<std::size_t>(P.sizeInBytes()));
    for (auto _ : State) {
        std::memcpy(Dest.data(), P.constBits(), Dest.size());
        benchmark::DoNotOptimize(Dest.data());
        benchmark::ClobberMemory();
    }
    State.SetLabel(std::to_string(Dest.size()) + " bytes");
}
BENCHMARK(BM_MemcpyPicture)->Unit(benchmark::kMillisecond);

void BM_PaintMag1(benchmark::State& State)
{
    auto M = MakeMap(1.0);
    for (auto _ : State) M->Paint();
}
BENCHMARK(BM_PaintMag1)->Unit(benchmark::kMillisecond);

void BM_FirstPaintMagHalf(benchmark::State& State)
{
    auto M = MakeMap(0.5);
    for (auto _ : State) {
        State.PauseTiming();
        // A new image invalidates the cache; nothing is painted while paints are suppressed.
        M->SetSuppressPaint(true);
        M->SetMapBitMap(MapImage());
        State.ResumeTiming();
        M->SetSuppressPaint(false); // one paint, with the cache build
    }
    State.counters["builds"] = M->CacheBuildCount();
}
BENCHMARK(BM_FirstPaintMagHalf)->Unit(benchmark::kMillisecond);

void BM_PanPaintMagHalf(benchmark::State& State)
{
    auto M = MakeMap(0.5);
    const int Builds = M->CacheBuildCount();
    int i = 0;
    for (auto _ : State) M->SetTopLeft({100 + (++i & 15), 80 + (i & 7)});
    if (M->CacheBuildCount() != Builds) State.SkipWithError("the cache was rebuilt while panning");
}
BENCHMARK(BM_PanPaintMagHalf)->Unit(benchmark::kMillisecond);

/// An equirectangular calibration of the bench image over 10 x 7.5 degrees, 9 points.
void Calibrate(TGeoMap& M)
{
    M.SetCalibModel(cmEquiRect);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int X = i * (MapW / 2), Y = j * (MapH / 2);
            M.AddCalibPoint(50.0 - 7.5 * Y / MapH, 5.0 + 10.0 * X / MapW, X, Y);
        }
}

void BM_PaintMag1Graticule(benchmark::State& State)
{
    auto M = MakeMap(1.0);
    M->SetSuppressPaint(true);
    Calibrate(*M);
    M->SetGratLineDist(0.5);
    M->SetShowGrat(sgPointsAndLines);
    M->SetSuppressPaint(false);
    for (auto _ : State) M->Paint();
}
BENCHMARK(BM_PaintMag1Graticule)->Unit(benchmark::kMillisecond);

/// N landmarks spread evenly over the calibrated map (the default symbol, a cross with its halo),
/// with or without a caption of a few words; the control shows about 40 % of them, or all of
/// them when InView.
std::unique_ptr<TGeoMap> MakeLandMarkMap(int N, bool Captions, bool InView = false)
{
    auto M = MakeMap(1.0);
    M->SetSuppressPaint(true);
    Calibrate(*M);
    TLandMark L = M->LandMarkDefault();
    L.Caption.Size = 8;
    L.Caption.FontName = "Sans Serif";
    L.Caption.Transparent = true;
    L.Caption.dy = 6;
    L.Caption.HAlignment = taCenter;
    M->SetLandMarkDefault(L);
    for (int i = 0; i < N; ++i) {
        const double u = (i * 0.6180339887) - static_cast<int>(i * 0.6180339887);
        const double v = static_cast<double>(i) / N;
        // The control shows latitudes 44.5 to 49.6 and longitudes 5.5 to 11.9.
        const double Lat = InView ? 44.6 + 4.9 * v : 42.5 + 7.5 * v;
        const double Long = InView ? 5.6 + 6.2 * u : 5.0 + 10.0 * u;
        if (Captions) M->AddLandMark(Lat, Long, 0, "Town " + std::to_string(i % 500), 8, clBlack);
        else M->AddLandMark(Lat, Long, 0);
    }
    M->SetSuppressPaint(false);
    return M;
}

void BM_PaintLandMarks(benchmark::State& State)
{
    auto M = MakeLandMarkMap(static_cast<int>(State.range(0)), State.range(1) != 0, State.range(2) != 0);
    for (auto _ : State) M->Paint();
}
// Arguments: landmarks, captions, all in view.
BENCHMARK(BM_PaintLandMarks)
    ->Args({1000, 0, 0})
    ->Args({20000, 0, 0})
    ->Args({20000, 0, 1})
    ->Args({200000, 0, 0})
    ->Args({20000, 1, 0})
    ->Args({20000, 1, 1})
    ->Unit(benchmark::kMillisecond);

/// The same with captions placed by declutter; the second row at the density of the sample
/// towns at world scale (135 000, all in view).
void BM_PaintLandMarksDecluttered(benchmark::State& State)
{
    auto M = MakeLandMarkMap(static_cast<int>(State.range(0)), true, true);
    M->SetCaptionPlacement(cpDeclutter);
    for (auto _ : State) M->Paint();
}
BENCHMARK(BM_PaintLandMarksDecluttered)->Arg(20000)->Arg(135000)->Unit(benchmark::kMillisecond);

/// The first paint of captions never written before (every text new, so nothing laid out or
/// drawn earlier can be reused): 20 000 landmarks, about 40 % in view.
void BM_PaintFreshCaptions(benchmark::State& State)
{
    auto M = MakeLandMarkMap(20000, true);
    int Round = 0;
    for (auto _ : State) {
        State.PauseTiming();
        M->SetSuppressPaint(true);
        ++Round;
        for (int i = 1; i <= M->NumLandMarks(); ++i) {
            TLandMark L = M->GetLandMarkData(i);
            L.Caption.Text = "Town " + std::to_string(i) + "/" + std::to_string(Round);
            M->SetLandMarkData(i, L);
        }
        State.ResumeTiming();
        M->SetSuppressPaint(false); // paints
    }
}
BENCHMARK(BM_PaintFreshCaptions)->Unit(benchmark::kMillisecond);

/// The paint after one of 200 000 landmarks moved: the packed positions and the counting grid
/// are built again before the layer is drawn.
void BM_PaintLandMarksAfterChange(benchmark::State& State)
{
    auto M = MakeLandMarkMap(200000, false);
    TLandMark L = M->GetLandMarkData(1);
    for (auto _ : State) {
        State.PauseTiming();
        M->SetSuppressPaint(true);
        L.Latitude = L.Latitude > 46 ? 45.5 : 46.5;
        M->SetLandMarkData(1, L);
        State.ResumeTiming();
        M->SetSuppressPaint(false); // paints
    }
}
BENCHMARK(BM_PaintLandMarksAfterChange)->Unit(benchmark::kMillisecond);

void BM_PaintMag3(benchmark::State& State)
{
    auto M = MakeMap(3.0);
    for (auto _ : State) M->Paint();
}
BENCHMARK(BM_PaintMag3)->Unit(benchmark::kMillisecond);

/// One mouse move through Qt's event delivery, as the user's drag sends it.
void SendMove(TGeoMap& M, int X, int Y, Qt::MouseButtons Buttons)
{
    QMouseEvent E(QEvent::MouseMove, QPointF(X, Y), M.mapToGlobal(QPointF(X, Y)), Qt::NoButton, Buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&M, &E);
}

void SendPress(TGeoMap& M, int X, int Y)
{
    QMouseEvent E(QEvent::MouseButtonPress, QPointF(X, Y), M.mapToGlobal(QPointF(X, Y)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&M, &E);
}

void BM_PanStep(benchmark::State& State)
{
    const double Mag = State.range(0) / 100.0;
    auto M = MakeMap(Mag);
    M->SetConfinePan(false);
    SendPress(*M, 600, 500);
    SendMove(*M, 600, 500, Qt::LeftButton); // takes the anchors
    const int Builds = M->CacheBuildCount();
    int i = 0;
    for (auto _ : State) {
        ++i;
        SendMove(*M, 600 + (i & 31), 500 + (i & 15), Qt::LeftButton);
    }
    if (M->CacheBuildCount() != Builds) State.SkipWithError("the cache was rebuilt while panning");
}
BENCHMARK(BM_PanStep)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_XorFeedbackMove(benchmark::State& State)
{
    auto M = MakeMap(1.0);
    M->SetMouseAction(maZoomWindow);
    SendPress(*M, 100, 100);
    int i = 0;
    for (auto _ : State) {
        ++i;
        SendMove(*M, 900 + (i & 63), 700 + (i & 31), Qt::LeftButton);
    }
}
BENCHMARK(BM_XorFeedbackMove)->Unit(benchmark::kMicrosecond);

} // namespace
