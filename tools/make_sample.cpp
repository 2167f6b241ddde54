// morvex-make-sample: draws the sample micrograph of samples/ (grains on a textured
// background with blur, noise and a printed scale bar) as an 8-bit gray PNG.
//
// The picture depends only on the seed: the generator is std::mt19937, whose output is fixed
// by the standard, and every distribution is computed here with +, -, *, / and sqrt, which
// IEEE arithmetic rounds the same way everywhere (the standard library's distributions and
// transcendental functions differ between libraries).
//
//   morvex-make-sample OUT.png [--seed N] [--report]
//
// --report prints, from the generator's own knowledge of where the grains are, how the gray
// levels of background and grain cores are distributed, to choose the brightness band.
#include <png.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1024;
constexpr int Height = 768;
constexpr int StripTop = 704;  // rows from here down are the dark caption strip
constexpr std::uint32_t DefaultSeed = 20031;

// The printed scale bar: 200 pixels long, 6 high, one uniform level.
constexpr int BarLeft = 800;
constexpr int BarRight = 999;
constexpr int BarTop = 728;
constexpr int BarBottom = 733;
constexpr int BarLevel = 245;
constexpr int StripLevel = 20;
constexpr int LabelLevel = 200;

class TRandom {
public:
    explicit TRandom(std::uint32_t seed) : Engine(seed) {}
    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Engine()) * (1.0 / 4294967296.0); }
    double Between(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    // Roughly normal with mean 0 and deviation 1: sum of twelve uniforms, minus 6.
    double Gauss() {
        double s = 0.0;
        for (int i = 0; i < 12; ++i) s += Uniform();
        return s - 6.0;
    }
private:
    std::mt19937 Engine;
};

struct TGrain {
    double X, Y;    // centre
    double R;       // mean radius
    double A, B;    // half axes
    double Ux, Uy;  // unit vector of the long axis
    double Level;   // gray level at the centre
};

double Smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise in [-1, 1]: random values on a grid of the given cell size, smoothly
// interpolated between them.
class TValueNoise {
public:
    TValueNoise(TRandom& rnd, int cell) : Cell(cell), Cols(Width / cell + 2), Rows(Height / cell + 2) {
        Grid.resize(static_cast<std::size_t>(Cols) * Rows);
        for (double& v : Grid) v = rnd.Between(-1.0, 1.0);
    }
    double At(int x, int y) const {
        const int cx = x / Cell, cy = y / Cell;
        const double fx = Smooth(static_cast<double>(x % Cell) / Cell);
        const double fy = Smooth(static_cast<double>(y % Cell) / Cell);
        const double top = G(cx, cy) + (G(cx + 1, cy) - G(cx, cy)) * fx;
        const double bottom = G(cx, cy + 1) + (G(cx + 1, cy + 1) - G(cx, cy + 1)) * fx;
        return top + (bottom - top) * fy;
    }
private:
    double G(int cx, int cy) const { return Grid[static_cast<std::size_t>(cy) * Cols + cx]; }
    int Cell, Cols, Rows;
    std::vector<double> Grid;
};

std::vector<TGrain> PlaceGrains(TRandom& rnd) {
    std::vector<TGrain> grains;
    const auto fits = [&](double x, double y, double r, double ratio) {
        if (x - r < 2.0 || x + r > Width - 3.0 || y - r < 2.0 || y + r > StripTop - 3.0) return false;
        for (const TGrain& g : grains) {
            const double dx = g.X - x, dy = g.Y - y, d = ratio * (g.R + r);
            if (dx * dx + dy * dy < d * d) return false;
        }
        return true;
    };
    for (int attempt = 0; attempt < 20000 && grains.size() < 330; ++attempt) {
        TGrain g{};
        const double u = rnd.Uniform();
        g.R = 2.0 + 13.0 * u * std::sqrt(u);  // many small grains, a few large ones
        const double e = std::sqrt(1.0 + 0.4 * rnd.Uniform());
        g.A = g.R * e;
        g.B = g.R / e;
        double dx, dy, n;
        do {
            dx = rnd.Between(-1.0, 1.0);
            dy = rnd.Between(-1.0, 1.0);
            n = dx * dx + dy * dy;
        } while (n < 0.01 || n > 1.0);
        n = std::sqrt(n);
        g.Ux = dx / n;
        g.Uy = dy / n;
        g.Level = rnd.Between(150.0, 235.0);
        // One grain in eight is set against an earlier one so that the two touch.
        if (!grains.empty() && rnd.Uniform() < 0.125) {
            const TGrain& other = grains[static_cast<std::size_t>(rnd.Uniform() * grains.size())];
            const double d = 0.92 * (other.R + g.R);
            g.X = other.X + g.Ux * d;
            g.Y = other.Y + g.Uy * d;
            if (!fits(g.X, g.Y, g.R, 0.85)) continue;
        } else {
            g.X = rnd.Between(0.0, Width);
            g.Y = rnd.Between(0.0, StripTop);
            if (!fits(g.X, g.Y, g.R, 1.15)) continue;
        }
        grains.push_back(g);
    }
    return grains;
}

// 5 x 7 glyphs for the caption, one row per byte, bit 4 the leftmost column.
const std::array<std::uint8_t, 7>* Glyph(char c) {
    static const std::array<std::uint8_t, 7> one = {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E};
    static const std::array<std::uint8_t, 7> zero = {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E};
    static const std::array<std::uint8_t, 7> u = {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D};
    static const std::array<std::uint8_t, 7> m = {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11};
    switch (c) {
    case '1': return &one;
    case '0': return &zero;
    case 'u': return &u;
    case 'm': return &m;
    default: return nullptr;
    }
}

// Draws text with its right edge at column right and its top at row top, each glyph
// pixel as a scale x scale block.
void DrawText(std::vector<std::uint8_t>& img, const std::string& text, int right, int top, int scale) {
    const int advance = 6 * scale;
    int x = right - static_cast<int>(text.size()) * advance + scale;
    for (char c : text) {
        if (const auto* g = Glyph(c)) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if ((*g)[row] & (0x10 >> col))
                        for (int dy = 0; dy < scale; ++dy)
                            for (int dx = 0; dx < scale; ++dx)
                                img[static_cast<std::size_t>(top + row * scale + dy) * Width +
                                    (x + col * scale + dx)] = LabelLevel;
        }
        x += advance;
    }
}

struct TImage {
    std::vector<std::uint8_t> Pixels;
    std::vector<std::uint8_t> Truth;  // 0 background, 1 grain edge zone, 2 grain core
};

TImage Draw(std::uint32_t seed) {
    TRandom rnd(seed);
    const TValueNoise coarse(rnd, 128), fine(rnd, 24);
    const std::vector<TGrain> grains = PlaceGrains(rnd);

    // Background: uneven illumination plus texture.
    std::vector<double> img(static_cast<std::size_t>(Width) * Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            img[static_cast<std::size_t>(y) * Width + x] =
                62.0 + 16.0 * x / Width + 12.0 * coarse.At(x, y) + 6.0 * fine.At(x, y);

    // Grains: soft-edged ellipses, a little darker towards their rims.
    std::vector<std::uint8_t> truth(img.size(), 0);
    for (const TGrain& g : grains) {
        const double reach = g.A + 3.0;
        const int x0 = std::max(0, static_cast<int>(g.X - reach));
        const int x1 = std::min(Width - 1, static_cast<int>(g.X + reach));
        const int y0 = std::max(0, static_cast<int>(g.Y - reach));
        const int y1 = std::min(StripTop - 1, static_cast<int>(g.Y + reach));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - g.X, py = y + 0.5 - g.Y;
                const double s = (px * g.Ux + py * g.Uy) / g.A;
                const double t = (py * g.Ux - px * g.Uy) / g.B;
                const double q = s * s + t * t;
                const double edge = (1.0 - std::sqrt(q)) * g.R;  // pixels inside the rim
                const std::size_t i = static_cast<std::size_t>(y) * Width + x;
                if (edge >= 2.0) truth[i] = 2;
                else if (edge > -3.0 && truth[i] == 0) truth[i] = 1;
                const double w = std::clamp(edge / 1.2 + 0.5, 0.0, 1.0);
                if (w <= 0.0) continue;
                const double level = g.Level * (1.0 - 0.15 * std::min(q, 1.0));
                img[i] = std::max(img[i], img[i] + (level - img[i]) * w);
            }
    }

    // Optics: binomial 3 x 3 blur (edges repeat their border pixel); sensor: noise.
    std::vector<double> blurred(img.size());
    const auto at = [&](int x, int y) {
        x = std::clamp(x, 0, Width - 1);
        y = std::clamp(y, 0, Height - 1);
        return img[static_cast<std::size_t>(y) * Width + x];
    };
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            blurred[static_cast<std::size_t>(y) * Width + x] =
                (at(x - 1, y - 1) + 2.0 * at(x, y - 1) + at(x + 1, y - 1) + 2.0 * at(x - 1, y) +
                 4.0 * at(x, y) + 2.0 * at(x + 1, y) + at(x - 1, y + 1) + 2.0 * at(x, y + 1) +
                 at(x + 1, y + 1)) / 16.0;

    TImage out;
    out.Pixels.resize(img.size());
    for (std::size_t i = 0; i < img.size(); ++i) {
        const double v = blurred[i] + 4.0 * rnd.Gauss();
        out.Pixels[i] = static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
    }

    // Caption strip: flat, with the scale bar and its label printed on it.
    std::fill(out.Pixels.begin() + static_cast<std::ptrdiff_t>(StripTop) * Width, out.Pixels.end(),
              static_cast<std::uint8_t>(StripLevel));
    for (int y = BarTop; y <= BarBottom; ++y)
        for (int x = BarLeft; x <= BarRight; ++x)
            out.Pixels[static_cast<std::size_t>(y) * Width + x] = BarLevel;
    DrawText(out.Pixels, "100 um", BarLeft - 16, (BarTop + BarBottom + 1) / 2 - 7, 2);

    out.Truth = std::move(truth);
    std::fprintf(stderr, "%zu grains\n", grains.size());
    return out;
}

bool WritePng(const std::string& path, const std::vector<std::uint8_t>& pixels) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < Height; ++y)
        png_write_row(png, pixels.data() + static_cast<std::size_t>(y) * Width);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// Gray levels of background and grain cores inside the analysis zone (above the strip).
void Report(const TImage& image) {
    std::array<std::int64_t, 256> bg{}, core{};
    std::int64_t nbg = 0, ncore = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(StripTop) * Width; ++i) {
        if (image.Truth[i] == 0) ++bg[image.Pixels[i]], ++nbg;
        if (image.Truth[i] == 2) ++core[image.Pixels[i]], ++ncore;
    }
    const auto quantile = [](const std::array<std::int64_t, 256>& h, std::int64_t n, double q) {
        std::int64_t sum = 0;
        for (int v = 0; v < 256; ++v)
            if ((sum += h[v]) >= q * n && sum > 0) return v;
        return 255;
    };
    std::printf("background pixels %lld: min %d, 0.1%% %d, 50%% %d, 99.9%% %d, max %d\n",
                static_cast<long long>(nbg), quantile(bg, nbg, 0.0), quantile(bg, nbg, 0.001),
                quantile(bg, nbg, 0.5), quantile(bg, nbg, 0.999), quantile(bg, nbg, 1.0));
    std::printf("grain core pixels %lld: min %d, 0.1%% %d, 50%% %d, 99.9%% %d, max %d\n",
                static_cast<long long>(ncore), quantile(core, ncore, 0.0), quantile(core, ncore, 0.001),
                quantile(core, ncore, 0.5), quantile(core, ncore, 0.999), quantile(core, ncore, 1.0));
    std::printf("threshold  background>=  core<\n");
    for (int t = 100; t <= 160; t += 5) {
        std::int64_t above = 0, below = 0;
        for (int v = t; v < 256; ++v) above += bg[v];
        for (int v = 0; v < t; ++v) below += core[v];
        std::printf("%9d  %11lld  %5lld\n", t, static_cast<long long>(above), static_cast<long long>(below));
    }
}

int Usage() {
    std::fprintf(stderr, "usage: morvex-make-sample OUT.png [--seed N] [--report]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::uint32_t seed = DefaultSeed;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seed" && i + 1 < argc) {
            const char* s = argv[++i];
            const char* end = s + std::strlen(s);
            const auto r = std::from_chars(s, end, seed);
            if (r.ec != std::errc() || r.ptr != end) return Usage();
        } else if (a == "--report") {
            report = true;
        } else if (out.empty() && !a.empty() && a[0] != '-') {
            out = a;
        } else {
            return Usage();
        }
    }
    if (out.empty()) return Usage();

    const TImage image = Draw(seed);
    if (report) Report(image);
    if (!WritePng(out, image.Pixels)) {
        std::fprintf(stderr, "morvex-make-sample: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
