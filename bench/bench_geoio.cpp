// Speed of the import readers on rings that cross the antimeridian: a ring that winds round the
// globe many times must be cut in time linear in its points.
#include <benchmark/benchmark.h>

#include "geoio.h"

#include <cmath>
#include <string>

namespace {

using namespace tyx::geoio;

// A ring of N points stepping 179 degrees east for half its points, then back west: it winds
// round N / 4 times, so its pieces lie in N / 8 windows of 360 degrees.
std::string ZigZagRing(int N)
{
    std::string coords;
    double lon = 0;
    for (int i = 0; i < N; ++i) {
        const double wrapped = std::remainder(lon, 360.0);
        // Appended piece by piece: GCC 12 warns of a false overlap in a chain of +.
        coords += i ? ",[" : "[";
        coords += std::to_string(wrapped == -180 ? 180 : wrapped);
        coords += i % 2 ? ",1]" : ",-1]";
        lon += i < N / 2 ? 179 : -179;
    }
    return R"({"type":"Polygon","coordinates":[[)" + coords + "]]}";
}

void BM_CutZigZagRing(benchmark::State& State)
{
    const std::string text = ZigZagRing(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        TReadStats stats;
        benchmark::DoNotOptimize(ReadJsonText(text, "zig.json", {}, stats));
    }
    State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_CutZigZagRing)->Arg(4000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

BENCHMARK_MAIN();
