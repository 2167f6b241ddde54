// Zooming the gray source: cubic B-spline resampling of an 8 and a 64-megapixel image to
// 50 % and 10 % (the picture's common zoom-out steps), one core.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/Resample.h"

namespace {

// Blobs on a gradient with noise, fixed seed: content like a micrograph, not a flat field.
std::vector<std::uint8_t> SourceImage(int w, int h) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(w) * h);
    std::mt19937 rng(12345);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int blob = ((x / 37 + y / 29) % 3 == 0) ? 90 : 0;
            image[static_cast<std::size_t>(y) * w + x] =
                static_cast<std::uint8_t>(std::min(255, 40 + (x + y) % 64 + blob + static_cast<int>(rng() % 32)));
        }
    return image;
}

void BM_ResampleBSpline(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int percent = static_cast<int>(state.range(2));
    static std::vector<std::uint8_t> source;
    static int sourceW = 0, sourceH = 0;
    if (sourceW != w || sourceH != h) {
        source = SourceImage(w, h);
        sourceW = w, sourceH = h;
    }
    const int dw = w * percent / 100, dh = h * percent / 100;
    std::vector<std::uint8_t> zoomed(static_cast<std::size_t>(dw) * dh);
    for (auto _ : state) {
        ResampleBSpline(source.data(), w, h, zoomed.data(), dw, dh);
        benchmark::DoNotOptimize(zoomed.data());
        benchmark::ClobberMemory();
    }
    state.counters["MPix/s"] = benchmark::Counter(static_cast<double>(w) * h * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_ResampleBSpline)
    ->ArgNames({"w", "h", "percent"})
    ->Args({4000, 2000, 50})
    ->Args({4000, 2000, 10})
    ->Args({4000, 2000, 200})
    ->Args({8000, 8000, 50})
    ->Args({8000, 8000, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
