#pragma once
// Generated gray images for the detection benchmarks, the same on every run (fixed seeds,
// our own random generator). Features are dark (10..90) on a bright background (150..250);
// the band 0..120 selects them.
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace BenchImages {

inline constexpr std::int32_t BandMin = 0;
inline constexpr std::int32_t BandMax = 120;

struct TImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;
    std::int64_t PixelCount() const { return std::int64_t{Width} * Height; }
};

enum class TKind { Sparse, Dense, Huge };

// splitmix64: small, fast, and the same everywhere.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : State(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1p-53; }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>((Next() >> 32) * n >> 32); }

private:
    std::uint64_t State;
};

inline void Background(TImage& img, TRandom& rng) {
    for (std::size_t i = 0; i < img.Pixels.size(); i += 8) {
        std::uint64_t r = rng.Next();
        for (std::size_t k = i; k < i + 8 && k < img.Pixels.size(); ++k, r >>= 8)
            img.Pixels[k] = static_cast<std::uint8_t>(150 + (r & 0xFF) * 100 / 256);
    }
}

// Discs of the given radius range until the drawn area reaches the share of the image.
inline void Grains(TImage& img, TRandom& rng, double share, double rMin, double rMax) {
    const double target = share * static_cast<double>(img.PixelCount());
    double drawn = 0;
    while (drawn < target) {
        const double cx = rng.Uniform(0, img.Width), cy = rng.Uniform(0, img.Height);
        const double r = rng.Uniform(rMin, rMax);
        const std::uint8_t level = static_cast<std::uint8_t>(10 + rng.Below(60));
        const std::int32_t y0 = std::max(0, static_cast<std::int32_t>(cy - r)), y1 = std::min(img.Height - 1, static_cast<std::int32_t>(cy + r));
        const std::int32_t x0 = std::max(0, static_cast<std::int32_t>(cx - r)), x1 = std::min(img.Width - 1, static_cast<std::int32_t>(cx + r));
        for (std::int32_t y = y0; y <= y1; ++y) {
            std::uint8_t* row = img.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(img.Width);
            for (std::int32_t x = x0; x <= x1; ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * dx + dy * dy <= r * r) row[x] = static_cast<std::uint8_t>(level + ((x ^ y) & 15));
            }
        }
        drawn += M_PI * r * r;
    }
}

// Sparse: few large grains, about 2 % of the pixels. Dense: hundreds of thousands of small
// grains on the largest image, about 30 %. Huge: one band region over the whole image,
// pierced by single out-of-band pixels (1 %) so that the flood does not only run straight.
inline TImage Make(TKind kind, std::int32_t side) {
    TImage img;
    img.Width = img.Height = side;
    img.Pixels.resize(static_cast<std::size_t>(img.PixelCount()));
    TRandom rng(0x5EED0000u + static_cast<std::uint64_t>(kind) * 7919u + static_cast<std::uint64_t>(side));
    switch (kind) {
        case TKind::Sparse:
            Background(img, rng);
            Grains(img, rng, 0.02, 10.0, 40.0);
            break;
        case TKind::Dense:
            Background(img, rng);
            Grains(img, rng, 0.34, 1.5, 6.0);
            break;
        case TKind::Huge:
            for (auto& p : img.Pixels) p = static_cast<std::uint8_t>(40 + rng.Below(40));
            for (std::int64_t i = 0; i < img.PixelCount() / 100; ++i)
                img.Pixels[static_cast<std::size_t>(rng.Next() % static_cast<std::uint64_t>(img.PixelCount()))] = 200;
            break;
    }
    return img;
}

// Each image is made once per process.
inline const TImage& Get(TKind kind, std::int32_t side) {
    static std::map<std::pair<int, std::int32_t>, std::unique_ptr<TImage>> cache;
    auto& slot = cache[{static_cast<int>(kind), side}];
    if (!slot) slot = std::make_unique<TImage>(Make(kind, side));
    return *slot;
}

// Share of the pixels inside the band.
inline double BandShare(const TImage& img) {
    std::int64_t n = 0;
    for (const std::uint8_t p : img.Pixels) n += p >= BandMin && p <= BandMax;
    return static_cast<double>(n) / static_cast<double>(img.PixelCount());
}

}  // namespace BenchImages
