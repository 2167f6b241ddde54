// Feature detection over generated images of 1, 16 and 64 megapixels, and the same band
// mask through OpenCV's connected components (plus a radius pass) as a baseline.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "BenchImages.h"
#include "kernel/xDetect.h"

#if defined(MORVEX_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using BenchImages::TKind;

namespace {

void SetPixelCounters(benchmark::State& state, const BenchImages::TImage& img, std::size_t features) {
    // Time per pixel (shown in seconds with an SI prefix, e.g. 1.2n).
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(img.PixelCount()),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
    state.counters["features"] = static_cast<double>(features);
    state.counters["band_share"] = BenchImages::BandShare(img);
}

void Detect(benchmark::State& state, TKind kind, bool containment) {
    const BenchImages::TImage& img = BenchImages::Get(kind, static_cast<std::int32_t>(state.range(0)));
    std::vector<TDot> dots;
    for (auto _ : state) {
        DetectDots(img.Pixels.data(), img.Width, img.Height, 0, 0, img.Width - 1, img.Height - 1,
                   BenchImages::BandMin, BenchImages::BandMax, containment, dots);
        benchmark::DoNotOptimize(dots.data());
        benchmark::ClobberMemory();
    }
    SetPixelCounters(state, img, dots.size());
}

void BM_DetectSparse(benchmark::State& state) { Detect(state, TKind::Sparse, true); }
void BM_DetectDense(benchmark::State& state) { Detect(state, TKind::Dense, true); }
void BM_DetectDenseNoContainment(benchmark::State& state) { Detect(state, TKind::Dense, false); }
void BM_DetectHuge(benchmark::State& state) { Detect(state, TKind::Huge, true); }

}  // namespace

BENCHMARK(BM_DetectSparse)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectDense)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectDenseNoContainment)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectHuge)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);

#if defined(MORVEX_HAVE_OPENCV)

namespace {

// The band mask, 4-connected components with their statistics, then the largest distance of
// a pixel centre from each component's centroid: what the detection measures, without the
// flood limit and the containment merge.
void OpenCv(benchmark::State& state, TKind kind) {
    cv::setNumThreads(1);
    const BenchImages::TImage& img = BenchImages::Get(kind, static_cast<std::int32_t>(state.range(0)));
    const cv::Mat gray(img.Height, img.Width, CV_8UC1, const_cast<std::uint8_t*>(img.Pixels.data()));
    cv::Mat mask, labels, stats, centroids;
    std::vector<double> r2;
    int count = 0;
    for (auto _ : state) {
        cv::inRange(gray, cv::Scalar(BenchImages::BandMin), cv::Scalar(BenchImages::BandMax), mask);
        count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 4, CV_32S);
        r2.assign(static_cast<std::size_t>(count), 0.0);
        const double* centre = centroids.ptr<double>(0);  // x, y per label
        double* far = r2.data();
        for (int y = 0; y < labels.rows; ++y) {
            const std::int32_t* row = labels.ptr<std::int32_t>(y);
            for (int x = 0; x < labels.cols; ++x) {
                const std::int32_t l = row[x];
                if (l == 0) continue;
                // centroids holds pixel-index means; pixel centres are half a pixel further.
                const double dx = x - centre[2 * l], dy = y - centre[2 * l + 1];
                const double q = dx * dx + dy * dy;
                if (q > far[l]) far[l] = q;
            }
        }
        benchmark::DoNotOptimize(r2.data());
        benchmark::ClobberMemory();
    }
    SetPixelCounters(state, img, static_cast<std::size_t>(std::max(count - 1, 0)));
}

void BM_OpenCvSparse(benchmark::State& state) { OpenCv(state, TKind::Sparse); }
void BM_OpenCvDense(benchmark::State& state) { OpenCv(state, TKind::Dense); }
void BM_OpenCvHuge(benchmark::State& state) { OpenCv(state, TKind::Huge); }

}  // namespace

BENCHMARK(BM_OpenCvSparse)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvDense)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvHuge)->Arg(1024)->Arg(4096)->Arg(8192)->Unit(benchmark::kMillisecond);

#endif
