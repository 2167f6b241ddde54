// Netpbm reader: PBM (P1 plain, P4 raw), PGM (P2, P5) and PPM (P3, P6). Strict: the header
// must be well formed, samples may not exceed maxval, and the file must be long enough for
// the declared raster before anything is allocated for it.
//   PBM: 1 is black (0), 0 is white (255).
//   PGM/PPM with maxval <= 255: each sample scaled to 0..255, v*255/maxval with halves up.
//   PGM with maxval > 255 (16-bit gray): the min-max stretch of all 16-bit gray images.
//   PPM with maxval > 255: each channel scaled to 0..255 by maxval, then the mean.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ImageReaders.h"

namespace imagefile {
namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

class TPnmInput {
public:
    TPnmInput(const std::string& path, std::FILE* file) : Path(path), File(file) {}

    int Get() { return getc_unlocked(File); }

    // Skips blanks and comments; returns the first other character (consumed), or EOF.
    int SkipBlanks() {
        int c = Get();
        while (IsSpace(c) || c == '#') {
            if (c == '#') {
                do c = Get();
                while (c != '\n' && c != '\r' && c != EOF);
            }
            c = Get();
        }
        return c;
    }

    // A header number and the character after it (consumed) in Next.
    std::uint64_t HeaderNumber() {
        int c = SkipBlanks();
        if (c == EOF) Fail(Path, "truncated PNM header");
        if (!IsDigit(c)) Fail(Path, "invalid PNM header");
        std::uint64_t v = 0;
        while (IsDigit(c)) {
            if (v < 100000000000ull) v = v * 10 + static_cast<unsigned>(c - '0');
            c = Get();
        }
        Next = c;
        return v;
    }

    // One sample of a plain (ASCII) raster.
    std::uint32_t PlainSample(std::uint32_t maxval) {
        int c = SkipBlanks();
        if (c == EOF) Fail(Path, "truncated PNM data");
        if (!IsDigit(c)) Fail(Path, "invalid PNM data: not a number");
        std::uint64_t v = 0;
        while (IsDigit(c)) {
            if (v <= maxval) v = v * 10 + static_cast<unsigned>(c - '0');
            c = Get();
        }
        if (v > maxval) Fail(Path, "invalid PNM data: sample above maxval " + std::to_string(maxval));
        if (c != EOF && !IsSpace(c) && c != '#') Fail(Path, "invalid PNM data: not a number");
        if (c == '#') std::ungetc(c, File);
        return static_cast<std::uint32_t>(v);
    }

    // One bit of a plain PBM raster: '0' or '1', blanks between them optional.
    bool PlainBit() {
        const int c = SkipBlanks();
        if (c == EOF) Fail(Path, "truncated PNM data");
        if (c != '0' && c != '1') Fail(Path, "invalid PNM data: not a bit");
        return c == '1';
    }

    void ReadRaw(std::uint8_t* to, std::size_t n) {
        if (std::fread(to, 1, n, File) != n) Fail(Path, "truncated PNM data");
    }

    int Next = EOF;

private:
    const std::string& Path;
    std::FILE* File;
};

// Scales a sample of 0..maxval to 0..255, halves rounded up.
inline std::uint8_t Scale(std::uint32_t v, std::uint32_t maxval) {
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) * 255 + maxval / 2) / maxval);
}

}  // namespace

TGrayImage ReadPnm(const std::string& path, std::FILE* file) {
    TPnmInput in(path, file);
    in.Get();  // 'P', checked by the caller
    const int kind = in.Get() - '0';
    const bool bitmap = kind == 1 || kind == 4;
    const bool raw = kind >= 4;
    const int channels = kind == 3 || kind == 6 ? 3 : 1;

    const std::uint64_t width = in.HeaderNumber();
    const std::uint64_t height = in.HeaderNumber();
    std::uint32_t maxval = 1;
    if (!bitmap) {
        const std::uint64_t m = in.HeaderNumber();
        if (m == 0 || m > 65535) Fail(path, "invalid PNM header: maxval " + std::to_string(m));
        maxval = static_cast<std::uint32_t>(m);
    }
    // The header ends with exactly one blank; a raw raster starts right after it.
    if (!IsSpace(in.Next)) Fail(path, in.Next == EOF ? "truncated PNM data" : "invalid PNM header");
    CheckImageSize(path, static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));

    const auto w = static_cast<std::int32_t>(width);
    const auto h = static_cast<std::int32_t>(height);
    const std::uint64_t pixels = width * height;
    const bool wide = maxval > 255;
    const std::uint64_t sampleBytes = wide ? 2 : 1;
    const std::uint64_t rowBytes = bitmap ? (width + 7) / 8 : width * channels * sampleBytes;
    // Shortest raster that can hold the declared image: raw rows, or one character per plain
    // bit, or a digit and a blank per plain sample.
    const std::uint64_t needed = raw ? rowBytes * height : bitmap ? pixels : 2 * pixels * channels - 1;
    if (needed > static_cast<std::uint64_t>(BytesLeft(file))) Fail(path, "truncated PNM data");

    std::uint8_t lut[256] = {};
    if (!wide)
        for (std::uint32_t v = 0; v <= maxval; ++v) lut[v] = Scale(v, maxval);

    TGrayImage image;
    image.Width = w;
    image.Height = h;
    std::vector<std::uint16_t> wideGray;  // PGM beyond 8 bits, stretched at the end
    if (wide && channels == 1)
        wideGray.resize(pixels);
    else
        image.Pixels.resize(pixels);
    std::vector<std::uint8_t> row(raw ? rowBytes : 0);

    for (std::int32_t y = 0; y < h; ++y) {
        const std::size_t base = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        if (raw) in.ReadRaw(row.data(), row.size());
        const std::uint8_t* p = row.data();
        if (raw && !bitmap && !wide) {  // the common 8-bit raw forms
            std::uint8_t* out = image.Pixels.data() + base;
            for (std::int32_t x = 0; x < w; ++x, p += channels) {
                const unsigned top = channels == 1 ? p[0] : std::max({p[0], p[1], p[2]});
                if (top > maxval) Fail(path, "invalid PNM data: sample above maxval " + std::to_string(maxval));
                out[x] = channels == 1 ? lut[p[0]] : Gray3(lut[p[0]], lut[p[1]], lut[p[2]]);
            }
            continue;
        }
        for (std::int32_t x = 0; x < w; ++x) {
            if (bitmap) {
                const bool black = raw ? (p[x >> 3] >> (7 - (x & 7))) & 1 : in.PlainBit();
                image.Pixels[base + x] = black ? 0 : 255;
                continue;
            }
            std::uint32_t s[3] = {};
            for (int c = 0; c < channels; ++c) {
                if (!raw) {
                    s[c] = in.PlainSample(maxval);
                } else {
                    s[c] = wide ? (p[0] << 8) | p[1] : p[0];
                    p += sampleBytes;
                    if (s[c] > maxval)
                        Fail(path, "invalid PNM data: sample above maxval " + std::to_string(maxval));
                }
            }
            if (channels == 1) {
                if (wide)
                    wideGray[base + x] = static_cast<std::uint16_t>(s[0]);
                else
                    image.Pixels[base + x] = lut[s[0]];
            } else if (wide) {
                image.Pixels[base + x] = Gray3(Scale(s[0], maxval), Scale(s[1], maxval), Scale(s[2], maxval));
            } else {
                image.Pixels[base + x] = Gray3(lut[s[0]], lut[s[1]], lut[s[2]]);
            }
        }
    }
    if (wide && channels == 1) return StretchToGray(w, h, wideGray);
    return image;
}

}  // namespace imagefile
