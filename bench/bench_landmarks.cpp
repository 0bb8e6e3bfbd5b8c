// Landmarks: a landmark file of 100 000 landmarks read and written, FindLandMark and a radius
// removal over 100 000 landmarks, and 10 000 symbols of each kind drawn on a 1280 x 1024 canvas.
#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_landmarks.h"
#include "host/tyx_streams.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

using namespace tyx;

namespace {

constexpr int Count = 100000;

// Landmarks spread over central Europe with every field in use.
void FillList(TLandMarkList& List)
{
    std::mt19937 Gen(12);
    std::uniform_real_distribution<double> Lat(45, 55), Long(5, 25), Alt(0, 3000);
    TLandMark L = List.LandMarkDefault();
    for (int i = 0; i < Count; ++i) {
        L.Latitude = Lat(Gen);
        L.Longitude = Long(Gen);
        L.Altitude = Alt(Gen);
        L.ClassFlag = static_cast<uint8_t>(i % 7);
        L.Tag = i;
        L.SymbolProps.Kind = static_cast<TLandMarkElement>(i % 9);
        L.Identifier = "LM" + std::to_string(i);
        L.Caption.Text = "Landmark number " + std::to_string(i);
        L.Time = 46000 + i / 1440.0;
        List.AppendLandMark(L);
    }
}

std::string BenchFile()
{
    return (std::filesystem::temp_directory_path() / "tyx_bench_landmarks.xml").string();
}

void WriteFile(const TLandMarkList& List)
{
    TTextFile F;
    F.Rewrite(BenchFile());
    WriteLandMarksToOpenXMLFile(F, true, "bench", List);
    F.Close();
}

void BM_WriteLandMarkFile(benchmark::State& State)
{
    TLandMarkList List;
    FillList(List);
    for (auto _ : State) WriteFile(List);
    State.counters["bytes/landmark"] =
        static_cast<double>(std::filesystem::file_size(BenchFile())) / Count;
}
BENCHMARK(BM_WriteLandMarkFile)->Unit(benchmark::kMillisecond);

void BM_ReadLandMarkFile(benchmark::State& State)
{
    {
        TLandMarkList List;
        FillList(List);
        WriteFile(List);
    }
    TLandMarkList Back;
    for (auto _ : State) {
        TTextFile F;
        F.Reset(BenchFile());
        benchmark::DoNotOptimize(ReadLandMarksFromOpenXMLFile(F, "bench", Back));
        F.Close();
    }
    if (Back.NumLandMarks() != Count) State.SkipWithError("landmarks missing");
    State.counters["bytes/landmark"] =
        static_cast<double>(std::filesystem::file_size(BenchFile())) / Count;
    std::remove(BenchFile().c_str());
}
BENCHMARK(BM_ReadLandMarkFile)->Unit(benchmark::kMillisecond);

void BM_FindLandMark(benchmark::State& State)
{
    TLandMarkList List;
    FillList(List);
    for (auto _ : State) benchmark::DoNotOptimize(List.FindLandMark(50.1, 15.2, -1));
}
BENCHMARK(BM_FindLandMark)->Unit(benchmark::kMicrosecond);

// Removes a circle of about a tenth of the landmarks, asking a check for each.
void BM_RemoveWithinRadius(benchmark::State& State)
{
    TLandMarkList Full;
    FillList(Full);
    TLandMarkList List;
    List.SetActionCheck([](TLandMarkAction, const TLandMark&) { return true; });
    int Removed = 0;
    for (auto _ : State) {
        State.PauseTiming();
        List.Assign(Full);
        State.ResumeTiming();
        Removed = List.RemoveLandMark(50, 15, -1, 2.5);
    }
    State.counters["removed"] = Removed;
}
BENCHMARK(BM_RemoveWithinRadius)->Unit(benchmark::kMillisecond);

// 10 000 symbols of one kind, size 6, opaque, spread over the canvas.
void BM_DrawSymbols(benchmark::State& State)
{
    const auto Kind = static_cast<TLandMarkElement>(State.range(0));
    QImage Img(1280, 1024, QImage::Format_RGB32);
    TCanvas Canvas(&Img);
    for (auto _ : State) {
        for (int i = 0; i < 10000; ++i)
            DrawLandMarkSymbolOnCanvas(Canvas, (i * 97) % 1280, (i * 61) % 1024, Kind, clBlue, clYellow, 6, i % 360,
                                       20, false);
        Canvas.EndPaint();
    }
    State.SetLabel(std::string(LMTypeNames[Kind]));
}
BENCHMARK(BM_DrawSymbols)->DenseRange(lmPlus, lmCross)->Unit(benchmark::kMillisecond);

} // namespace
