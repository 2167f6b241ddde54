// Image reading: every format and sample layout against the gray conversion rules, and
// broken or hostile files. Fixtures are written by the tests (libpng, libjpeg, libtiff, or
// raw bytes for BMP and PNM).
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>

#include "platform/ImageFile.h"
#include "support/TestSupport.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

std::vector<std::uint32_t> RandomSamples(std::size_t n, std::uint32_t limit, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> v(n);
    for (auto& s : v) s = rng() % limit;
    return v;
}

void ExpectPixels(const TGrayImage& image, int w, int h, const TBytes& expected, const std::string& what) {
    ASSERT_EQ(image.Width, w) << what;
    ASSERT_EQ(image.Height, h) << what;
    ASSERT_EQ(image.Pixels.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(int(image.Pixels[i]), int(expected[i])) << what << ": pixel (" << i % w << ", " << i / w << ")";
}

// The stretch of 16-bit gray to 8 bits: (v - lo)*255/(hi - lo), halves up; 0 when flat.
TBytes Stretch(const std::vector<std::uint32_t>& v) {
    std::uint32_t lo = 65535, hi = 0;
    for (auto x : v) lo = std::min(lo, x), hi = std::max(hi, x);
    TBytes out(v.size(), 0);
    if (hi == lo) return out;
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = static_cast<std::uint8_t>(((v[i] - lo) * 510 + (hi - lo)) / (2 * (hi - lo)));
    return out;
}

// What a pixel layout reads as, by the conversion rules: colour is the integer mean of the
// 8-bit channels (16-bit channels by their high byte), gray of b bits scales to 0..255,
// 16-bit gray is stretched, palettes are looked up, alpha and other extras ignored.
enum class TKind { Gray, Rgb, Palette };
struct TPal { std::uint8_t R, G, B; };

TBytes Expected(TKind kind, int bits, int spp, const std::vector<std::uint32_t>& s, std::size_t pixels,
                const std::vector<TPal>& palette = {}, bool minIsWhite = false) {
    TBytes out(pixels);
    if (kind == TKind::Gray && bits == 16) {
        std::vector<std::uint32_t> first(pixels);
        for (std::size_t i = 0; i < pixels; ++i) first[i] = minIsWhite ? 65535 - s[i * spp] : s[i * spp];
        return Stretch(first);
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t* p = &s[i * spp];
        if (kind == TKind::Rgb) {
            const int shift = bits == 16 ? 8 : 0;
            out[i] = static_cast<std::uint8_t>(((p[0] >> shift) + (p[1] >> shift) + (p[2] >> shift)) / 3);
        } else if (kind == TKind::Palette) {
            const TPal c = p[0] < palette.size() ? palette[p[0]] : TPal{0, 0, 0};
            out[i] = static_cast<std::uint8_t>((c.R + c.G + c.B) / 3);
        } else {
            const std::uint32_t level = p[0] * 255 / ((1u << bits) - 1);
            out[i] = static_cast<std::uint8_t>(minIsWhite ? 255 - level : level);
        }
    }
    return out;
}

// Packs rows of samples: sub-byte samples most significant first, each row byte-aligned;
// 16-bit samples big-endian (PNG) or in host order (TIFF).
TBytes PackRows(const std::vector<std::uint32_t>& s, int w, int h, int spp, int bits, bool bigEndian,
                std::size_t* rowBytesOut = nullptr) {
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * spp * bits + 7) / 8;
    TBytes out(rowBytes * h, 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = out.data() + y * rowBytes;
        for (int j = 0; j < w * spp; ++j) {
            const std::uint32_t v = s[static_cast<std::size_t>(y) * w * spp + j];
            if (bits < 8) {
                row[(j * bits) / 8] |= static_cast<std::uint8_t>(v << (8 - bits - (j * bits) % 8));
            } else if (bits == 8) {
                row[j] = static_cast<std::uint8_t>(v);
            } else if (bigEndian) {
                row[2 * j] = static_cast<std::uint8_t>(v >> 8);
                row[2 * j + 1] = static_cast<std::uint8_t>(v);
            } else {
                const auto v16 = static_cast<std::uint16_t>(v);
                std::memcpy(row + 2 * j, &v16, 2);
            }
        }
    }
    if (rowBytesOut) *rowBytesOut = rowBytes;
    return out;
}

// ---- PNG fixtures (libpng writer; setjmp in a frame without destructors) ----

bool WritePngRaw(const char* path, int w, int h, int colorType, int bits, bool interlaced,
                 const png_color* palette, int paletteCount, const png_byte* trns, int trnsCount,
                 const std::uint8_t* data, std::size_t rowBytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, bits, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletteCount > 0) png_set_PLTE(png, info, palette, paletteCount);
    if (trnsCount > 0) png_set_tRNS(png, info, trns, trnsCount, nullptr);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h; ++y) png_write_row(png, data + y * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

void WritePng(const std::string& path, int w, int h, int colorType, int bits, const std::vector<std::uint32_t>& s,
              bool interlaced = false, const std::vector<TPal>& palette = {}) {
    const int spp = colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : colorType == PNG_COLOR_TYPE_RGB ? 3
                  : colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
    std::size_t rowBytes = 0;
    const TBytes data = PackRows(s, w, h, spp, bits, true, &rowBytes);
    std::vector<png_color> pal;
    for (const TPal& c : palette) pal.push_back({c.R, c.G, c.B});
    // A transparency table on palette images, which the reader must ignore.
    std::vector<png_byte> trns(pal.size(), 0);
    ASSERT_TRUE(WritePngRaw(path.c_str(), w, h, colorType, bits, interlaced, pal.data(), int(pal.size()),
                            trns.data(), int(trns.size()), data.data(), rowBytes));
}

std::vector<TPal> RandomPalette(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<TPal> p(n);
    for (auto& c : p) c = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng())};
    return p;
}

// ---- TIFF fixtures (libtiff writer) ----

struct TTiffSpec {
    int W = 0, H = 0, Bits = 8, Spp = 1;
    std::uint16_t Photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t Planar = PLANARCONFIG_CONTIG;
    std::uint16_t Compression = COMPRESSION_NONE;
    std::uint16_t SampleFormat = SAMPLEFORMAT_UINT;
    int TileW = 0, TileH = 0;   // tiled when non-zero
    int RowsPerStrip = 3;
    std::vector<TPal> Palette;  // for PHOTOMETRIC_PALETTE, 1 << Bits entries
};

void WriteTiffPage(TIFF* tif, const TTiffSpec& t, const std::vector<std::uint32_t>& s) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, t.W);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, t.H);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, t.Bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, t.Spp);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, t.Photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, t.Planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, t.Compression);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, t.SampleFormat);
    const int colours = t.Photometric == PHOTOMETRIC_RGB ? 3 : 1;
    if (t.Spp > colours) {
        std::vector<std::uint16_t> extra(t.Spp - colours, EXTRASAMPLE_UNASSALPHA);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<std::uint16_t>(extra.size()), extra.data());
    }
    if (t.Photometric == PHOTOMETRIC_PALETTE) {
        std::vector<std::uint16_t> r, g, b;
        for (const TPal& c : t.Palette) r.push_back(c.R * 257), g.push_back(c.G * 257), b.push_back(c.B * 257);
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    const bool separate = t.Planar == PLANARCONFIG_SEPARATE;
    const int planes = separate ? t.Spp : 1;
    const int pspp = separate ? 1 : t.Spp;
    // Samples of one plane (or all, interleaved), as rows of w samples per pixel.
    auto planeSamples = [&](int plane, int x0, int y0, int w, int h) {
        std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * h * pspp, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < pspp; ++k) {
                    const int sx = x0 + x, sy = y0 + y;
                    if (sx >= t.W || sy >= t.H) continue;  // tile padding
                    out[(static_cast<std::size_t>(y) * w + x) * pspp + k] =
                        s[(static_cast<std::size_t>(sy) * t.W + sx) * t.Spp + (separate ? plane : k)];
                }
        return out;
    };
    if (t.TileW > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, t.TileW);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, t.TileH);
        for (int plane = 0; plane < planes; ++plane)
            for (int y0 = 0; y0 < t.H; y0 += t.TileH)
                for (int x0 = 0; x0 < t.W; x0 += t.TileW) {
                    TBytes tile = PackRows(planeSamples(plane, x0, y0, t.TileW, t.TileH), t.TileW, t.TileH, pspp, t.Bits, false);
                    ASSERT_GE(TIFFWriteTile(tif, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(plane)), 0);
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, t.RowsPerStrip);
        for (int plane = 0; plane < planes; ++plane) {
            TBytes rows = PackRows(planeSamples(plane, 0, 0, t.W, t.H), t.W, t.H, pspp, t.Bits, false);
            const std::size_t rowBytes = rows.size() / t.H;
            for (int y = 0; y < t.H; ++y)
                ASSERT_EQ(TIFFWriteScanline(tif, rows.data() + y * rowBytes, y, static_cast<std::uint16_t>(plane)), 1);
        }
    }
}

void WriteTiff(const std::string& path, const std::vector<std::pair<TTiffSpec, std::vector<std::uint32_t>>>& pages) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const auto& [spec, samples] : pages) {
        WriteTiffPage(tif, spec, samples);
        ASSERT_EQ(TIFFWriteDirectory(tif), 1);
    }
    TIFFClose(tif);
}

// ---- JPEG fixtures (libjpeg writer and its own decoder as the reference) ----

void WriteJpeg(const std::string& path, int w, int h, int components, const TBytes& data, bool progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < h; ++y) {
        JSAMPROW row = const_cast<JSAMPLE*>(data.data() + static_cast<std::size_t>(y) * w * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

// libjpeg's default decode of the file, averaged to gray.
TBytes ReferenceJpegGray(const std::string& path) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.out_color_space = d.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&d);
    const int n = d.output_components;
    TBytes row(static_cast<std::size_t>(d.output_width) * n), out;
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (std::size_t x = 0; x < d.output_width; ++x)
            out.push_back(n == 1 ? row[x] : static_cast<std::uint8_t>((row[3 * x] + row[3 * x + 1] + row[3 * x + 2]) / 3));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return out;
}

// ---- raw-byte fixtures ----

void Put16(std::string& b, std::uint32_t v) { b += char(v & 0xFF); b += char((v >> 8) & 0xFF); }
void Put32(std::string& b, std::uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

// A BMP with a 40-byte (or given) info header. value(x, y) gives the stored pixel: palette
// index, 16/32-bit word, or 0xRRGGBB for 24 bits.
// With a 124-byte (version 5) header the masks sit inside the header.
template <class F>
std::string MakeBmp(int w, int h, int bits, bool topDown, const std::vector<TPal>& palette, F value,
                    std::uint32_t compression = 0, std::vector<std::uint32_t> masks = {}, std::uint32_t infoSize = 40) {
    const std::size_t stride = (static_cast<std::size_t>(w) * bits + 31) / 32 * 4;
    const std::size_t masksAfter = infoSize == 40 ? masks.size() * 4 : 0;
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + infoSize + masksAfter + palette.size() * 4);
    std::string b = "BM";
    Put32(b, static_cast<std::uint32_t>(offset + stride * h));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, infoSize);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(topDown ? -h : h));
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(bits));
    Put32(b, compression);
    Put32(b, static_cast<std::uint32_t>(stride * h));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<std::uint32_t>(palette.size()));
    Put32(b, 0);
    for (auto m : masks) Put32(b, m);
    if (infoSize > 40) b.resize(14 + infoSize, '\0');
    for (const TPal& c : palette) b += {char(c.B), char(c.G), char(c.R), 0};
    for (int k = 0; k < h; ++k) {
        const int y = topDown ? k : h - 1 - k;
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits < 8)
                row[(x * bits) / 8] = char(std::uint8_t(row[(x * bits) / 8]) | (v << (8 - bits - (x * bits) % 8)));
            else
                for (int i = 0; i < bits / 8; ++i) row[x * bits / 8 + i] = char((v >> (8 * i)) & 0xFF);
        }
        b += row;
    }
    return b;
}

// A PNG file from hand-made chunks (for headers libpng's writer refuses to produce).
std::string PngChunk(const char* type, const std::string& data) {
    std::string c;
    const auto n = static_cast<std::uint32_t>(data.size());
    c += {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    const std::string body = std::string(type, 4) + data;
    c += body;
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    c += {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    return c;
}

std::string PngHeaderOnly(std::uint32_t w, std::uint32_t h, const std::string& idat) {
    std::string ihdr = {char(w >> 24), char(w >> 16), char(w >> 8), char(w), char(h >> 24), char(h >> 16), char(h >> 8), char(h),
                        8, 0, 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) + PngChunk("IEND", "");
}

// A little-endian TIFF with one strip of uncompressed 8-bit gray and the given size.
std::string TinyTiff(std::uint32_t w, std::uint32_t h, std::uint32_t stripBytes, std::uint16_t bits = 8,
                     std::uint16_t sampleFormat = 1) {
    std::string b = "II*";
    b += '\0';
    Put32(b, 8);
    const std::uint16_t count = 10;
    Put16(b, count);
    const std::uint32_t dataOffset = 8 + 2 + count * 12 + 4;
    auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        Put16(b, tag);
        Put16(b, type);
        Put32(b, 1);
        if (type == 3) { Put16(b, value); Put16(b, 0); } else Put32(b, value);
    };
    entry(256, 4, w);
    entry(257, 4, h);
    entry(258, 3, bits);
    entry(259, 3, 1);
    entry(262, 3, 1);
    entry(273, 4, dataOffset);
    entry(277, 3, 1);
    entry(278, 4, h);
    entry(279, 4, stripBytes);
    entry(339, 3, sampleFormat);
    Put32(b, 0);
    b += std::string(16, '\x40');
    return b;
}

class ImageFileTest : public ::testing::Test {
protected:
    TTempDir Temp;
    std::string Path(const std::string& name) const { return Temp.File(name); }
};

// ---- PNG ----

TEST_F(ImageFileTest, PngLayoutsReadByTheConversionRules) {
    struct TCase { const char* Name; int ColorType; int Bits; bool Interlaced; };
    const TCase cases[] = {
        {"gray1", PNG_COLOR_TYPE_GRAY, 1, false},       {"gray2", PNG_COLOR_TYPE_GRAY, 2, false},
        {"gray4", PNG_COLOR_TYPE_GRAY, 4, false},       {"gray8", PNG_COLOR_TYPE_GRAY, 8, false},
        {"gray16", PNG_COLOR_TYPE_GRAY, 16, false},     {"ga8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
        {"ga16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false}, {"rgb8", PNG_COLOR_TYPE_RGB, 8, false},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16, false},       {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false}, {"pal1", PNG_COLOR_TYPE_PALETTE, 1, false},
        {"pal4", PNG_COLOR_TYPE_PALETTE, 4, false},     {"pal8", PNG_COLOR_TYPE_PALETTE, 8, false},
        {"gray8-adam7", PNG_COLOR_TYPE_GRAY, 8, true},  {"gray2-adam7", PNG_COLOR_TYPE_GRAY, 2, true},
        {"gray16-adam7", PNG_COLOR_TYPE_GRAY, 16, true}, {"rgba8-adam7", PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
        {"pal8-adam7", PNG_COLOR_TYPE_PALETTE, 8, true},
    };
    const int w = 37, h = 23;  // odd sizes: partial bytes and uneven interlace passes
    unsigned seed = 1;
    for (const TCase& c : cases) {
        const int spp = c.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : c.ColorType == PNG_COLOR_TYPE_RGB ? 3
                      : c.ColorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 1;
        const bool pal = c.ColorType == PNG_COLOR_TYPE_PALETTE;
        // An 8-bit palette shorter than 256 entries, with indices only into it.
        const std::vector<TPal> palette = pal ? RandomPalette(c.Bits == 8 ? 200 : 1u << c.Bits, seed) : std::vector<TPal>{};
        const auto s = RandomSamples(std::size_t(w) * h * spp, pal ? std::uint32_t(palette.size()) : 1u << c.Bits, seed++);
        const std::string file = Path(std::string(c.Name) + ".png");
        WritePng(file, w, h, c.ColorType, c.Bits, s, c.Interlaced, palette);
        const TKind kind = pal ? TKind::Palette : spp >= 3 ? TKind::Rgb : TKind::Gray;
        ExpectPixels(ReadGrayImage(file), w, h, Expected(kind, c.Bits, spp, s, std::size_t(w) * h, palette), c.Name);
    }
}

// The stretch rounds halves up: with lo 100 and hi 610, 101 is exactly 0.5 and reads 1, and
// 355 is exactly 127.5 and reads 128 (halves-to-even would give 0 and 128, 102 and 103
// tell the two apart too). A flat image reads all 0. The same for every 16-bit gray reader.
TEST_F(ImageFileTest, SixteenBitGrayIsStretchedWithHalvesUp) {
    struct TCase { std::vector<std::uint32_t> In; TBytes Out; };
    const TCase cases[] = {
        {{100, 101, 102, 103, 355, 610}, {0, 1, 1, 2, 128, 255}},
        {{0, 65535, 32767, 32768, 1, 65534}, {0, 255, 127, 128, 0, 255}},
        {{4242, 4242, 4242, 4242, 4242, 4242}, {0, 0, 0, 0, 0, 0}},
    };
    int n = 0;
    for (const TCase& c : cases) {
        const std::string tag = std::to_string(n++);
        const std::string png = Path("s" + tag + ".png");
        WritePng(png, 3, 2, PNG_COLOR_TYPE_GRAY, 16, c.In);
        ExpectPixels(ReadGrayImage(png), 3, 2, c.Out, "png " + tag);

        const std::string tif = Path("s" + tag + ".tif");
        TTiffSpec t;
        t.W = 3, t.H = 2, t.Bits = 16;
        WriteTiff(tif, {{t, c.In}});
        ExpectPixels(ReadGrayImage(tif), 3, 2, c.Out, "tiff " + tag);

        std::string pgm = "P5\n3 2\n65535\n";
        for (auto v : c.In) pgm += {char(v >> 8), char(v & 0xFF)};
        WriteFile(Path("s" + tag + ".pgm"), pgm);
        ExpectPixels(ReadGrayImage(Path("s" + tag + ".pgm")), 3, 2, c.Out, "pgm " + tag);
    }
}

TEST_F(ImageFileTest, FormatComesFromContentNotExtension) {
    const auto s = RandomSamples(5 * 4, 256, 7);
    WritePng(Path("really-png.bmp"), 5, 4, PNG_COLOR_TYPE_GRAY, 8, s);
    WriteFile(Path("really-pgm.jpg"), "P2 2 1 255 7 9\n");
    ExpectPixels(ReadGrayImage(Path("really-png.bmp")), 5, 4, Expected(TKind::Gray, 8, 1, s, 20), "png");
    ExpectPixels(ReadGrayImage(Path("really-pgm.jpg")), 2, 1, {7, 9}, "pgm");
}

// ---- TIFF ----

TEST_F(ImageFileTest, TiffLayoutsReadByTheConversionRules) {
    struct TCase {
        const char* Name;
        int Bits, Spp;
        std::uint16_t Photometric, Planar, Compression;
        int TileW, TileH;
    };
    const std::uint16_t C = PLANARCONFIG_CONTIG, S = PLANARCONFIG_SEPARATE;
    const TCase cases[] = {
        {"gray8 strips", 8, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_NONE, 0, 0},
        {"gray8 deflate", 8, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_ADOBE_DEFLATE, 0, 0},
        {"gray8 tiles", 8, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_LZW, 16, 16},
        {"gray1 white", 1, 1, PHOTOMETRIC_MINISWHITE, C, COMPRESSION_NONE, 0, 0},
        {"gray4", 4, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_PACKBITS, 0, 0},
        {"gray2 tiles", 2, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_NONE, 16, 32},
        {"gray8 white", 8, 1, PHOTOMETRIC_MINISWHITE, C, COMPRESSION_NONE, 0, 0},
        {"gray16", 16, 1, PHOTOMETRIC_MINISBLACK, C, COMPRESSION_LZW, 0, 0},
        {"gray16 white tiles", 16, 1, PHOTOMETRIC_MINISWHITE, C, COMPRESSION_NONE, 32, 16},
        {"gray+alpha separate", 8, 2, PHOTOMETRIC_MINISBLACK, S, COMPRESSION_NONE, 0, 0},
        {"rgb8", 8, 3, PHOTOMETRIC_RGB, C, COMPRESSION_ADOBE_DEFLATE, 0, 0},
        {"rgba8", 8, 4, PHOTOMETRIC_RGB, C, COMPRESSION_NONE, 0, 0},
        {"rgb8 separate", 8, 3, PHOTOMETRIC_RGB, S, COMPRESSION_LZW, 0, 0},
        {"rgb8 separate tiles", 8, 3, PHOTOMETRIC_RGB, S, COMPRESSION_NONE, 16, 16},
        {"rgb16", 16, 3, PHOTOMETRIC_RGB, C, COMPRESSION_NONE, 0, 0},
        {"rgba16 tiles", 16, 4, PHOTOMETRIC_RGB, C, COMPRESSION_ADOBE_DEFLATE, 16, 16},
        {"rgb16 separate", 16, 3, PHOTOMETRIC_RGB, S, COMPRESSION_NONE, 0, 0},
        {"palette8", 8, 1, PHOTOMETRIC_PALETTE, C, COMPRESSION_NONE, 0, 0},
        {"palette4 tiles", 4, 1, PHOTOMETRIC_PALETTE, C, COMPRESSION_NONE, 16, 16},
    };
    const int w = 41, h = 37;  // not a multiple of strips, tiles or bytes
    unsigned seed = 100;
    for (const TCase& c : cases) {
        TTiffSpec t;
        t.W = w, t.H = h, t.Bits = c.Bits, t.Spp = c.Spp;
        t.Photometric = c.Photometric, t.Planar = c.Planar, t.Compression = c.Compression;
        t.TileW = c.TileW, t.TileH = c.TileH;
        const bool pal = c.Photometric == PHOTOMETRIC_PALETTE;
        if (pal) t.Palette = RandomPalette(1u << c.Bits, seed);
        const auto s = RandomSamples(std::size_t(w) * h * c.Spp, 1u << c.Bits, seed++);
        const std::string file = Path("t" + std::to_string(seed) + ".tif");
        WriteTiff(file, {{t, s}});
        const TKind kind = pal ? TKind::Palette : c.Photometric == PHOTOMETRIC_RGB ? TKind::Rgb : TKind::Gray;
        ExpectPixels(ReadGrayImage(file), w, h,
                     Expected(kind, c.Bits, c.Spp, s, std::size_t(w) * h, t.Palette, c.Photometric == PHOTOMETRIC_MINISWHITE),
                     c.Name);
    }
}

// YCbCr inside JPEG compression comes out as RGB from libjpeg; lossy, so only near the source.
TEST_F(ImageFileTest, TiffWithJpegCompressedYCbCr) {
    const int w = 48, h = 32;
    std::vector<std::uint32_t> s(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k) s[(std::size_t(y) * w + x) * 3 + k] = std::uint32_t(40 + x * 2 + y + k * 30);
    TIFF* tif = TIFFOpen(Path("ycc.tif").c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    const TBytes rows = PackRows(s, w, h, 3, 8, false);
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(TIFFWriteScanline(tif, const_cast<std::uint8_t*>(rows.data()) + std::size_t(y) * w * 3, y, 0), 1);
    TIFFClose(tif);
    const TGrayImage image = ReadGrayImage(Path("ycc.tif"));
    const TBytes expected = Expected(TKind::Rgb, 8, 3, s, std::size_t(w) * h);
    ASSERT_EQ(image.Pixels.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(image.Pixels[i], expected[i], 4) << "pixel " << i;
}

TEST_F(ImageFileTest, TiffReadsTheFirstPageOfMany) {
    TTiffSpec first;
    first.W = 6, first.H = 5;
    TTiffSpec second = first;
    second.W = 9, second.Bits = 16;
    const auto a = RandomSamples(30, 256, 11);
    WriteTiff(Path("pages.tif"), {{first, a}, {second, RandomSamples(45, 65536, 12)}});
    ExpectPixels(ReadGrayImage(Path("pages.tif")), 6, 5, Expected(TKind::Gray, 8, 1, a, 30), "first page");
}

// ---- JPEG ----

TEST_F(ImageFileTest, JpegMatchesLibjpegDefaultDecode) {
    struct TCase { const char* Name; int Components; bool Progressive; };
    const TCase cases[] = {{"gray", 1, false}, {"colour", 3, false}, {"colour progressive", 3, true}};
    const int w = 53, h = 29;
    for (const TCase& c : cases) {
        // Smooth content with some noise, so the decoded values are far from trivial.
        TBytes data(std::size_t(w) * h * c.Components);
        std::mt19937 rng(5);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < c.Components; ++k)
                    data[(std::size_t(y) * w + x) * c.Components + k] = std::uint8_t((x * 4 + y * 3 + k * 60 + rng() % 20) & 0xFF);
        const std::string file = Path(std::string(c.Name) + ".jpg");
        WriteJpeg(file, w, h, c.Components, data, c.Progressive);
        const TBytes reference = ReferenceJpegGray(file);
        ASSERT_EQ(reference.size(), std::size_t(w) * h);
        ExpectPixels(ReadGrayImage(file), w, h, reference, c.Name);
    }
}

// ---- BMP ----

TEST_F(ImageFileTest, BmpLayoutsReadByTheConversionRules) {
    const int w = 13, h = 7;  // rows need padding for every depth
    const auto rgb = RandomSamples(std::size_t(w) * h, 1u << 24, 21);
    const auto idx = RandomSamples(std::size_t(w) * h, 256, 22);
    const auto pal = RandomPalette(256, 23);
    auto at = [&](const std::vector<std::uint32_t>& v, int x, int y) { return v[std::size_t(y) * w + x]; };
    auto meanOf = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) { return std::uint8_t((r + g + b) / 3); };
    auto meanRgb = [&](std::uint32_t c) { return meanOf(c >> 16, (c >> 8) & 0xFF, c & 0xFF); };
    auto scale = [](std::uint32_t v, std::uint32_t max) { return (v * 255 + max / 2) / max; };

    struct TCase { std::string Name; std::string Bytes; std::function<std::uint8_t(int, int)> Gray; };
    std::vector<TCase> cases;
    for (bool topDown : {false, true}) {
        const std::string dir = topDown ? " top-down" : " bottom-up";
        cases.push_back({"24-bit" + dir, MakeBmp(w, h, 24, topDown, {}, [&](int x, int y) { return at(rgb, x, y); }),
                         [&](int x, int y) { return meanRgb(at(rgb, x, y)); }});
        cases.push_back({"8-bit palette" + dir, MakeBmp(w, h, 8, topDown, pal, [&](int x, int y) { return at(idx, x, y); }),
                         [&](int x, int y) { const TPal c = pal[at(idx, x, y)]; return meanOf(c.R, c.G, c.B); }});
    }
    const std::vector<TPal> pal16(pal.begin(), pal.begin() + 16), pal2(pal.begin(), pal.begin() + 2);
    cases.push_back({"4-bit palette", MakeBmp(w, h, 4, false, pal16, [&](int x, int y) { return at(idx, x, y) & 15; }),
                     [&](int x, int y) { const TPal c = pal16[at(idx, x, y) & 15]; return meanOf(c.R, c.G, c.B); }});
    cases.push_back({"1-bit palette", MakeBmp(w, h, 1, false, pal2, [&](int x, int y) { return at(idx, x, y) & 1; }),
                     [&](int x, int y) { const TPal c = pal2[at(idx, x, y) & 1]; return meanOf(c.R, c.G, c.B); }});
    // 32 bits: the fourth byte (alpha or padding) is ignored.
    cases.push_back({"32-bit", MakeBmp(w, h, 32, false, {}, [&](int x, int y) { return at(rgb, x, y) | (at(idx, x, y) << 24); }),
                     [&](int x, int y) { return meanRgb(at(rgb, x, y)); }});
    cases.push_back({"16-bit 555", MakeBmp(w, h, 16, false, {}, [&](int x, int y) { return at(rgb, x, y) & 0x7FFF; }),
                     [&](int x, int y) {
                         const std::uint32_t v = at(rgb, x, y) & 0x7FFF;
                         return meanOf(scale(v >> 10, 31), scale((v >> 5) & 31, 31), scale(v & 31, 31));
                     }});
    cases.push_back({"16-bit 565 bit fields",
                     MakeBmp(w, h, 16, false, {}, [&](int x, int y) { return at(rgb, x, y) & 0xFFFF; }, 3, {0xF800, 0x07E0, 0x001F}),
                     [&](int x, int y) {
                         const std::uint32_t v = at(rgb, x, y) & 0xFFFF;
                         return meanOf(scale(v >> 11, 31), scale((v >> 5) & 63, 63), scale(v & 31, 31));
                     }});
    // Version 5 header: masks in the header, the alpha channel ignored.
    cases.push_back({"32-bit version 5 bit fields",
                     MakeBmp(w, h, 32, true, {}, [&](int x, int y) { return (at(rgb, x, y) << 8) | at(idx, x, y); }, 3,
                             {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}, 124),
                     [&](int x, int y) { return meanRgb(at(rgb, x, y)); }});
    for (const TCase& c : cases) {
        const std::string file = Path("b.bmp");
        WriteFile(file, c.Bytes);
        TBytes expected(std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) expected[std::size_t(y) * w + x] = c.Gray(x, y);
        ExpectPixels(ReadGrayImage(file), w, h, expected, c.Name);
    }
}

// ---- PNM ----

TEST_F(ImageFileTest, PnmAllSixForms) {
    struct TCase { const char* Name; std::string Bytes; int W, H; TBytes Gray; };
    const TCase cases[] = {
        // PBM: 1 is black. Plain bits may run together; raw rows are byte-padded.
        {"P1", "P1\n# comment\n3 2\n1 0 1\n011\n", 3, 2, {0, 255, 0, 255, 0, 0}},
        {"P4", std::string("P4 10 2\n") + "\xA5\xC0\x0F\x40", 10, 2,
         {0, 255, 0, 255, 255, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255, 0}},
        // PGM: scaled by maxval, halves up (maxval 10: 5 -> 127.5 -> 128).
        {"P2", "P2 3 1 10\n0 5 10\n", 3, 1, {0, 128, 255}},
        {"P5", std::string("P5 3 1 255\n") + std::string("\x00\x7F\xFF", 3), 3, 1, {0, 127, 255}},
        // PPM: the integer mean of the channels.
        {"P3", "P3 2 1 255\n10 20 31  255 255 254\n", 2, 1, {20, 254}},
        {"P6", std::string("P6\n2 1\n255\n") + "\x0A\x14\x1F\x01\x01\x02", 2, 1, {20, 1}},
        // 16-bit PPM: each channel scaled by maxval first (65535 * 255 / 65535 etc.).
        {"P6 16-bit", std::string("P6 1 1 65535\n") + std::string("\xFF\xFF\x00\x00\x80\x00", 6), 1, 1, {(255 + 0 + 128) / 3}},
        {"P2 16-bit", "P2 2 1 1000\n300 800\n", 2, 1, {0, 255}},
    };
    for (const TCase& c : cases) {
        WriteFile(Path("p.pnm"), c.Bytes);
        ExpectPixels(ReadGrayImage(Path("p.pnm")), c.W, c.H, c.Gray, c.Name);
    }
}

// ---- broken and hostile files ----

TEST_F(ImageFileTest, BrokenFilesGiveAClearError) {
    // A valid PNG, JPEG and TIFF to cut short.
    WritePng(Path("ok.png"), 64, 64, PNG_COLOR_TYPE_RGB, 8, RandomSamples(64 * 64 * 3, 256, 3));
    TBytes jpegData(64 * 64 * 3);
    for (std::size_t i = 0; i < jpegData.size(); ++i) jpegData[i] = std::uint8_t(i * 7);
    WriteJpeg(Path("ok.jpg"), 64, 64, 3, jpegData, false);
    WriteJpeg(Path("okp.jpg"), 64, 64, 3, jpegData, true);
    TTiffSpec t;
    t.W = 64, t.H = 64, t.RowsPerStrip = 64;
    WriteTiff(Path("ok.tif"), {{t, RandomSamples(64 * 64, 256, 4)}});
    const std::string png = ReadFile(Path("ok.png")), jpg = ReadFile(Path("ok.jpg"));
    const std::string jpgp = ReadFile(Path("okp.jpg")), tif = ReadFile(Path("ok.tif"));
    const std::string bmp = MakeBmp(8, 8, 24, false, {}, [](int, int) { return 0x102030u; });

    std::string rle = bmp;
    rle[30] = 1;  // compression: RLE8
    std::string bmpZero = bmp;
    bmpZero[18] = 0;  // width 0

    struct TCase { const char* Name; std::string Bytes; std::string Reason; };
    const TCase cases[] = {
        {"a.png", png.substr(0, png.size() / 2), "truncated PNG data"},
        {"b.png", png.substr(0, 20), "truncated PNG data"},
        {"c.jpg", jpg.substr(0, jpg.size() / 2), "truncated JPEG data"},
        {"d.jpg", jpgp.substr(0, jpgp.size() / 2), "truncated JPEG data"},
        {"e.jpg", jpg.substr(0, 40), "truncated JPEG data"},
        {"f.bmp", bmp.substr(0, bmp.size() - 10), "truncated BMP data"},
        {"g.bmp", bmp.substr(0, 30), "truncated BMP data"},
        {"h.pgm", "P5 4 4 255\nabc", "truncated PNM data"},
        {"i.pgm", "P2 2 2 255\n1 2 3", "truncated PNM data"},
        {"j.png", "hello, world", "not a PNG file"},
        {"k.jpeg", "\xFF\xD9", "not a JPEG file"},
        {"l.dat", "hello, world", "unknown image format"},
        {"m.tif", "", "empty file"},
        {"n.bmp", rle, "unsupported BMP: RLE compression"},
        {"o.bmp", bmpZero, "invalid image size: 0 x 8"},
        {"p.pgm", "P5 0 5 255\n", "invalid image size: 0 x 5"},
        {"q.pgm", "P2 2 1 100\n50 101\n", "invalid PNM data: sample above maxval 100"},
        {"r.pgm", "P5 2 1 0\n\x01\x01", "invalid PNM header: maxval 0"},
        {"s.pgm", "P5 2 x 255\n\x01\x01", "invalid PNM header"},
        {"t.pbm", "P1 2 2 0 1 0 2", "invalid PNM data: not a bit"},
        {"u.tif", TinyTiff(8, 2, 16, 32, 3), "unsupported TIFF: 32-bit float samples"},
        // A declared strip far beyond the end of the file.
        {"v.tif", TinyTiff(4000, 4000, 4000u * 4000u), "truncated TIFF data"},
        {"w.tif", tif.substr(0, tif.size() / 2), "invalid TIFF"},
    };
    for (const TCase& c : cases) {
        const std::string file = Path(c.Name);
        WriteFile(file, c.Bytes);
        try {
            ReadGrayImage(file);
            ADD_FAILURE() << c.Name << ": no error";
        } catch (const TImageError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind(file + ": " + c.Reason, 0), 0u) << c.Name << ": " << text;
        }
    }
}

TEST_F(ImageFileTest, MissingFileAndFolder) {
    const std::string missing = Path("nothing.png");
    EXPECT_THROW({
        try { ReadGrayImage(missing); } catch (const TImageError& e) { EXPECT_EQ(std::string(e.what()), missing + ": file not found"); throw; }
    }, TImageError);
    EXPECT_THROW(ReadGrayImage(Temp.Path().string()), TImageError);
}

// Each format's own check of the declared size, before any data is read.
TEST_F(ImageFileTest, AbsurdSizesAreRefusedByName) {
    std::string pgm = "P5 70000 70000 255\n";
    const std::string bmp = MakeBmp(2, 2, 24, false, {}, [](int, int) { return 0u; });
    std::string bmpHuge = bmp;
    for (int i : {18, 22}) {  // width and height: 70000 = 0x11170
        bmpHuge[i] = '\x70', bmpHuge[i + 1] = '\x11', bmpHuge[i + 2] = '\x01', bmpHuge[i + 3] = 0;
    }
    // JPEG: a 60000 x 60000 frame header (the format cannot say 70000).
    std::string jpeg = "\xFF\xD8";
    jpeg += std::string("\xFF\xC0\x00\x0B\x08\xEA\x60\xEA\x60\x01\x01\x11\x00", 13);
    jpeg += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    struct TCase { const char* Name; std::string Bytes; const char* Size; };
    const TCase cases[] = {
        {"a.png", PngHeaderOnly(70000, 70000, ""), "70000 x 70000"},
        {"b.pgm", pgm, "70000 x 70000"},
        {"c.bmp", bmpHuge, "70000 x 70000"},
        {"d.tif", TinyTiff(70000, 70000, 16), "70000 x 70000"},
        {"e.jpg", jpeg, "60000 x 60000"},
        // Within the side limit, beyond the pixel limit.
        {"f.png", PngHeaderOnly(40000, 40000, ""), "40000 x 40000"},
    };
    for (const TCase& c : cases) {
        WriteFile(Path(c.Name), c.Bytes);
        try {
            ReadGrayImage(Path(c.Name));
            ADD_FAILURE() << c.Name << ": no error";
        } catch (const TImageError& e) {
            EXPECT_EQ(std::string(e.what()), Path(c.Name) + ": image too large: " + c.Size) << c.Name;
        }
    }
}

// Files that declare a large image (allowed: under the limits) but carry only a few bytes
// must fail before memory for the whole image is taken. The check runs in a child process
// whose address space is capped well below the declared size.
TEST_F(ImageFileTest, LargeDeclaredSizeWithLittleDataFailsWithoutTheMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits do not mix with AddressSanitizer";
#else
    const std::string z = [] {
        std::string out(64, '\0');
        uLongf n = out.size();
        const std::string row(100, '\0');  // a few filtered rows of zeros
        compress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(row.data()), row.size());
        out.resize(n);
        return out;
    }();
    std::string jpeg = "\xFF\xD8";
    jpeg += std::string("\xFF\xC2\x00\x0B\x08\x7D\x00\x7D\x00\x01\x01\x11\x00", 13);  // progressive 32000 x 32000
    jpeg += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x00\x00", 10);  // first DC scan
    jpeg += std::string("\xFF\xD9", 2);
    struct TCase { const char* Name; std::string Bytes; };
    const TCase cases[] = {
        {"a.png", PngHeaderOnly(32000, 32000, z)},
        {"b.tif", TinyTiff(32000, 32000, 32000u * 32000u)},
        {"c.jpg", jpeg},
    };
    for (const TCase& c : cases) {
        WriteFile(Path(c.Name), c.Bytes);
        const std::string file = Path(c.Name);
        EXPECT_EXIT(
            {
                rlimit limit{};
                getrlimit(RLIMIT_AS, &limit);
                // Current use plus 300 MB; the declared image alone would need about 1 GB.
                std::ifstream statm("/proc/self/statm");
                std::size_t pages = 0;
                statm >> pages;
                limit.rlim_cur = pages * 4096 + (300u << 20);
                setrlimit(RLIMIT_AS, &limit);
                try {
                    ReadGrayImage(file);
                } catch (const TImageError& e) {
                    const std::string text = e.what();
                    std::_Exit(text.find("memory") == std::string::npos ? 0 : 2);
                } catch (...) {
                    std::_Exit(3);
                }
                std::_Exit(4);
            },
            ::testing::ExitedWithCode(0), "")
            << c.Name;
    }
#endif
}

}  // namespace
