// Calibration files: writing and reading a full block (200 calibration points, 25 graticule lines
// of 10 points) in file and stream form, and the decimal scanner's throughput.
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace tyx;

namespace {

TCalibData FullRecord()
{
    TCalibData d;
    d.MapFName = "bench_map.jpg";
    d.Caption = "Benchmark map";
    d.Resolution = 25.5;
    d.UTMZone = 33;
    d.NumCalLines = gmMaxCalLines;
    for (int i = 1; i <= gmMaxCalLines; ++i) {
        TCalibLine& l = d.CalLines[i];
        l.LineType = i % 2 ? gtlParallel : gtlMeridian;
        l.LineValue = 40.0 + i * 0.125;
        l.NumPoints = gmMaxLinePoints;
        for (int k = 1; k <= gmMaxLinePoints; ++k) l.CalPoints[k] = {k * 37, i * 41};
    }
    d.NumCalQuads = gmMaxCalQuads;
    for (int i = 1; i <= gmMaxCalQuads; ++i) d.CalQuads[i] = {47.0 + i * 0.00125, 9.0 + i * 0.0025, i * 7, i * 5};
    return d;
}

std::string BenchFile()
{
    return (std::filesystem::temp_directory_path() / "tyx_bench_calib.xml").string();
}

void BM_WriteCalibFile(benchmark::State& State)
{
    const TCalibData d = FullRecord();
    const std::string name = BenchFile();
    for (auto _ : State) {
        TTextFile f;
        f.Rewrite(name);
        WriteRawCalDataToOpenXMLFile(f, true, "bench", d, cmBiquadraticPn);
        f.Close();
    }
    std::remove(name.c_str());
}
BENCHMARK(BM_WriteCalibFile);

void BM_ReadCalibFile(benchmark::State& State)
{
    const std::string name = BenchFile();
    {
        TTextFile f;
        f.Rewrite(name);
        WriteRawCalDataToOpenXMLFile(f, true, "bench", FullRecord(), cmBiquadraticPn);
        f.Close();
    }
    for (auto _ : State) {
        TCalibData d;
        TCalibModel m = cmUndefined;
        const bool found = ParseCalibData(name, "BENCH", d, m);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(d.NumCalQuads);
    }
    std::remove(name.c_str());
}
BENCHMARK(BM_ReadCalibFile);

void BM_WriteCalibStream(benchmark::State& State)
{
    const TCalibData d = FullRecord();
    for (auto _ : State) {
        TMemoryStream s;
        WriteRawCalDataToStream(s, "bench", d, cmBiquadraticPn);
        benchmark::DoNotOptimize(s.Size());
    }
}
BENCHMARK(BM_WriteCalibStream);

void BM_ReadCalibStream(benchmark::State& State)
{
    TMemoryStream s;
    WriteRawCalDataToStream(s, "bench", FullRecord(), cmBiquadraticPn);
    for (auto _ : State) {
        s.SetPosition(0);
        TCalibData d;
        TCalibModel m = cmUndefined;
        benchmark::DoNotOptimize(ParseCalibData(s, "bench", d, m));
    }
}
BENCHMARK(BM_ReadCalibStream);

void BM_ParseFloatAt(benchmark::State& State)
{
    // Numbers in the forms the files hold, separated as in a point list.
    const std::string text = "47.25000,9.50000,-3.10000,1.5E+2,48,5,12345.678,0.00001,";
    int64_t numbers = 0;
    for (auto _ : State) {
        int pos = 1;
        while (pos <= static_cast<int>(text.size())) {
            benchmark::DoNotOptimize(ParseFloatAt(text, true, 1, pos));
            ++pos;
            ++numbers;
        }
    }
    State.SetItemsProcessed(numbers);
}
BENCHMARK(BM_ParseFloatAt);

} // namespace

BENCHMARK_MAIN();
