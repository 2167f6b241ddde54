// The results pass (filters, nearest neighbours, areas, totals, three distributions) over
// 1e3, 1e4 and 1e5 features spread over an 8192 x 8192 zone, listed in row-major order as
// the detection lists them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "BenchImages.h"
#include "kernel/xResults.h"

namespace {

std::vector<TDot> MakeFeatures(std::int32_t n) {
    BenchImages::TRandom rng(0xFEA7u + static_cast<std::uint64_t>(n));
    std::vector<TDot> dots(static_cast<std::size_t>(n));
    for (TDot& d : dots) {
        // Centres on the half-pixel lattice; radius 1..30 pixels, filling 0.3..1.
        d.X = static_cast<double>(rng.Below(16384)) * 0.5 + 0.5;
        d.Y = static_cast<double>(rng.Below(16384)) * 0.5 + 0.5;
        const double r = rng.Uniform(1.0, 30.0);
        d.PixelCount = std::max<std::int32_t>(4, static_cast<std::int32_t>(M_PI * r * r * rng.Uniform(0.3, 1.0)));
        d.SetShape(r * r);
    }
    // The detection lists features in row-major order of their first pixels.
    std::sort(dots.begin(), dots.end(), [](const TDot& a, const TDot& b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; });
    return dots;
}

void BM_ComputeResults(benchmark::State& state) {
    std::vector<TDot> dots = MakeFeatures(static_cast<std::int32_t>(state.range(0)));
    TResultsInput in;  // the default filters: fill 50 %, radial 25 %, fill radius
    in.Factor = 1.0 / 101;
    in.Right = 8191;
    in.Bottom = 8191;
    in.GraphsColor = 12639424;
    double smallest = 1.0, largest = 0.0;
    TAnalysisResults r;
    TSeriesData radius, distance, area;
    for (auto _ : state) {
        ComputeResults(dots, in, smallest, largest, r, radius, distance, area);
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
    state.counters["passing"] = r.Number;
    state.counters["bins"] = static_cast<double>(radius.Points.size() + distance.Points.size() + area.Points.size());
}

}  // namespace

BENCHMARK(BM_ComputeResults)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
