// Reading image files to gray: a 4-megapixel PNG and TIFF (gray and colour), written once
// with fixed-seed content into the temporary folder.
#include <benchmark/benchmark.h>
#include <png.h>
#include <tiffio.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/ImageFile.h"

namespace {

constexpr int Width = 2048, Height = 2048;

// Micrograph-like content (blobs, gradient, noise) so that compression does real work.
std::vector<std::uint8_t> Content(int channels) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(Width) * Height * channels);
    std::mt19937 rng(2024);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < channels; ++c) {
                const int blob = ((x / 41 + y / 31) % 3 == 0) ? 80 : 0;
                data[(static_cast<std::size_t>(y) * Width + x) * channels + c] =
                    static_cast<std::uint8_t>(std::min(255, 30 + c * 20 + (x + y) % 50 + blob + static_cast<int>(rng() % 24)));
            }
    return data;
}

class TBenchFiles {
public:
    TBenchFiles() : Dir(std::filesystem::temp_directory_path() / ("morvex-decode-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(Dir);
        WritePng(File("gray.png"), 1);
        WritePng(File("rgb.png"), 3);
        WriteTiff(File("gray.tif"), 1, COMPRESSION_NONE);
        WriteTiff(File("rgb-lzw.tif"), 3, COMPRESSION_LZW);
    }
    ~TBenchFiles() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    std::string File(const std::string& name) const { return (Dir / name).string(); }

private:
    static void WritePng(const std::string& path, int channels) {
        const std::vector<std::uint8_t> data = Content(channels);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = Width;
        image.height = Height;
        image.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
        png_image_write_to_file(&image, path.c_str(), 0, data.data(), 0, nullptr);
        png_image_free(&image);
    }
    static void WriteTiff(const std::string& path, int channels, std::uint16_t compression) {
        const std::vector<std::uint8_t> data = Content(channels);
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, Width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, Height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        for (int y = 0; y < Height; ++y)
            TIFFWriteScanline(tif, const_cast<std::uint8_t*>(data.data()) + static_cast<std::size_t>(y) * Width * channels, y, 0);
        TIFFClose(tif);
    }
    std::filesystem::path Dir;
};

const TBenchFiles& Files() {
    static const TBenchFiles files;
    return files;
}

void Decode(benchmark::State& state, const char* name) {
    const std::string path = Files().File(name);
    for (auto _ : state) {
        TGrayImage image = ReadGrayImage(path);
        benchmark::DoNotOptimize(image.Pixels.data());
    }
    state.counters["MPix/s"] = benchmark::Counter(Width * double(Height) * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(Decode, PngGray8, "gray.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, PngRgb8, "rgb.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, TiffGray8, "gray.tif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Decode, TiffRgb8Lzw, "rgb-lzw.tif")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
