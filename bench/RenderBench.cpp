// Picture rendering: band changes on an 8-megapixel display (the filter-range bar drag,
// target under 10 ms each) and zoom changes that rescale.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "console/xConsole.h"
#include "picture/xPicture.h"

namespace {

constexpr int BenchWidth = 4000;
constexpr int BenchHeight = 2000;  // 8 megapixels

std::string WrittenImage;  // removed at exit

// A binary PGM of blocky blobs plus noise (fixed seed), written once per process.
const std::string& BenchImage() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() /
                          ("morvex-renderbench-" + std::to_string(::getpid()) + ".pgm");
        std::mt19937 rng(12345);
        std::uniform_int_distribution<int> noise(-20, 20);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(BenchWidth) * BenchHeight);
        for (int y = 0; y < BenchHeight; ++y)
            for (int x = 0; x < BenchWidth; ++x) {
                const int blob = ((x / 37) % 3 == 0 && (y / 29) % 3 == 0) ? 180 : 60;
                pixels[static_cast<std::size_t>(y) * BenchWidth + x] =
                    static_cast<unsigned char>(std::clamp(blob + noise(rng), 0, 255));
            }
        std::ofstream out(file, std::ios::binary);
        out << "P5\n" << BenchWidth << " " << BenchHeight << "\n255\n";
        out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
        WrittenImage = file.string();
        return WrittenImage;
    }();
    return path;
}

// A console that never touches a settings file, and a picture on the bench image.
struct TBenchPicture {
    std::unique_ptr<TPic> Pic;
    explicit TBenchPicture(std::uint8_t zoom, bool filter) {
        Console = new TConsole(nullptr, (std::filesystem::temp_directory_path() / "morvex-bench.ini").string());
        Console->IniFile = false;
        Console->Echo = false;
        Pic = std::make_unique<TPic>(nullptr);
        Pic->SetZoom(zoom);
        Pic->SetFilter(filter);
        Pic->LoadImage(BenchImage());
    }
    ~TBenchPicture() {
        Pic.reset();
        delete Console;
        Console = nullptr;
    }
};

// Band drag at 100 %: the zone is the whole 8-megapixel display.
void BM_BandChangeWholeZone8MP(benchmark::State& state) {
    TBenchPicture b(3, true);
    int i = 0;
    for (auto _ : state) {
        b.Pic->SetFilterMin(100 + (i++ & 1));
        benchmark::DoNotOptimize(b.Pic->Display()->Pixels.data());
    }
    state.counters["pixels"] = b.Pic->Display()->Width * b.Pic->Display()->Height;
}
BENCHMARK(BM_BandChangeWholeZone8MP)->Unit(benchmark::kMillisecond);

// Zone moved by an edge drag, then re-coloured: the old frame is undone, the new one drawn.
void BM_ZoneMoveRefilter8MP(benchmark::State& state) {
    TBenchPicture b(3, true);
    int i = 0;
    for (auto _ : state) {
        b.Pic->MoveZoneEdge((i++ & 1) ? 500 : -500, 0, 1);
        b.Pic->RefilterIfOn(false);
        benchmark::DoNotOptimize(b.Pic->Display()->Pixels.data());
    }
}
BENCHMARK(BM_ZoneMoveRefilter8MP)->Unit(benchmark::kMillisecond);

// Band change with the overlay off: nothing to repaint.
void BM_BandChangeFilterOff8MP(benchmark::State& state) {
    TBenchPicture b(3, false);
    int i = 0;
    for (auto _ : state) {
        b.Pic->SetFilterMin(100 + (i++ & 1));
        benchmark::DoNotOptimize(b.Pic->Display()->Pixels.data());
    }
}
BENCHMARK(BM_BandChangeFilterOff8MP)->Unit(benchmark::kMillisecond);

// Zoom change from 100 % to the argument's index on the 8-megapixel source (overlay on).
void BM_ZoomChange8MP(benchmark::State& state) {
    const auto target = static_cast<std::uint8_t>(state.range(0));
    TBenchPicture b(3, true);
    for (auto _ : state) {
        state.PauseTiming();
        b.Pic->SetZoom(target == 3 ? 2 : 3);
        state.ResumeTiming();
        b.Pic->SetZoom(target);
        benchmark::DoNotOptimize(b.Pic->Display()->Pixels.data());
    }
    state.counters["display_pixels"] = b.Pic->Display()->Width * b.Pic->Display()->Height;
}
BENCHMARK(BM_ZoomChange8MP)->Arg(3)->Arg(2)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);

struct TCleanup {
    ~TCleanup() {
        std::error_code ec;
        if (!WrittenImage.empty()) std::filesystem::remove(WrittenImage, ec);
    }
} Cleanup;

}  // namespace
