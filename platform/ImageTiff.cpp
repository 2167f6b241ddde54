// TIFF reader (libtiff), first page only. Reads scan lines or tiles itself (never the RGBA
// helpers, which would round the values) and converts them row by row:
//   gray (min-is-black or min-is-white) of 1, 2, 4, 8 bits: scaled to 0..255, white inverted;
//   16-bit gray: the min-max stretch of all 16-bit gray images (min-is-white inverted first);
//   palette of 1 to 8 bits: colour map expanded, then the channel mean;
//   RGB of 8 bits: the channel mean; RGB of 16 bits: the mean of the channels' high bytes;
//   YCbCr only inside JPEG compression, where libjpeg turns it into RGB.
// Extra samples (alpha) are ignored. Contiguous and separate planes, strips and tiles.
#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <memory>

#include "platform/ImageReaders.h"

namespace imagefile {
namespace {

// Our own buffers for one tile; libtiff's own allocations are bounded by its open option.
constexpr std::uint64_t MaxTileBytes = std::uint64_t(256) << 20;

struct TTiffMessages {
    char First[256] = {};
};

int TiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* messages = static_cast<TTiffMessages*>(user);
    if (messages->First[0] == 0) std::vsnprintf(messages->First, sizeof messages->First, format, args);
    return 1;  // handled: libtiff's global handler (stderr) is not called
}

int TiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct TOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

inline std::uint16_t Sample16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);  // libtiff delivers native byte order
    return v;
}

// Turns the samples of a row segment into gray, 16-bit gray, or a channel sum.
class TTiffSink {
public:
    enum class TMode { Gray, Wide, PlaneSum };

    TTiffSink(TMode mode, std::int32_t width, std::int32_t height)
        : Mode(mode), W(width), H(height), Gray(mode == TMode::Gray ? width : 0, height),
          Wide(mode == TMode::Gray ? 0 : width, height) {}

    TMode Mode;
    int Bits = 8;
    int Step = 1;           // samples from one pixel to the next in the buffer
    bool Rgb = false;       // three colour samples per pixel (contiguous planes)
    bool InvertWide = false;
    std::uint8_t Lut[256] = {};  // gray level of a gray or palette sample of up to 8 bits

    // n pixels whose samples start at p (pixel 0 at the start of a strip or tile row),
    // going to row y from column x0; plane counts for separate planes only.
    void Put(std::int32_t y, std::uint32_t x0, std::uint32_t n, const std::uint8_t* p, int plane) {
        if (Mode == TMode::PlaneSum) {
            std::uint16_t* out = Wide.Row(y) + x0;
            for (std::uint32_t j = 0; j < n; ++j) {
                const unsigned v = Bits == 8 ? p[j] : Sample16(p + 2 * j) >> 8;
                out[j] = static_cast<std::uint16_t>(plane == 0 ? v : out[j] + v);
            }
        } else if (Mode == TMode::Wide) {
            std::uint16_t* out = Wide.Row(y) + x0;
            for (std::uint32_t j = 0; j < n; ++j) {
                const std::uint16_t v = Sample16(p + 2 * Step * j);
                out[j] = InvertWide ? static_cast<std::uint16_t>(65535 - v) : v;
            }
        } else {
            std::uint8_t* out = Gray.Row(y) + x0;
            if (Bits < 8) {
                const unsigned mask = (1u << Bits) - 1;
                for (std::uint32_t j = 0; j < n; ++j) {
                    const std::uint32_t bit = j * static_cast<std::uint32_t>(Bits);
                    out[j] = Lut[(p[bit >> 3] >> (8 - Bits - (bit & 7))) & mask];
                }
            } else if (!Rgb) {
                for (std::uint32_t j = 0; j < n; ++j) out[j] = Lut[p[Step * j]];
            } else if (Bits == 8) {
                for (std::uint32_t j = 0; j < n; ++j, p += Step) out[j] = Gray3(p[0], p[1], p[2]);
            } else {
                for (std::uint32_t j = 0; j < n; ++j, p += 2 * Step)
                    out[j] = Gray3(Sample16(p) >> 8, Sample16(p + 2) >> 8, Sample16(p + 4) >> 8);
            }
        }
    }

    TGrayImage Finish() {
        if (Mode == TMode::Wide) return StretchToGray(W, H, Wide.Take());
        TGrayImage image;
        image.Width = W;
        image.Height = H;
        if (Mode == TMode::Gray) {
            image.Pixels = Gray.Take();
        } else {
            const std::vector<std::uint16_t> sums = Wide.Take();
            image.Pixels.resize(sums.size());
            for (std::size_t i = 0; i < sums.size(); ++i) image.Pixels[i] = static_cast<std::uint8_t>(sums[i] / 3);
        }
        return image;
    }

private:
    std::int32_t W, H;
    TRowStore<std::uint8_t> Gray;
    TRowStore<std::uint16_t> Wide;
};

std::string PhotometricName(std::uint16_t photometric) {
    switch (photometric) {
        case PHOTOMETRIC_SEPARATED: return "CMYK colour";
        case PHOTOMETRIC_YCBCR: return "YCbCr colour without JPEG compression";
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB: return "Lab colour";
        case PHOTOMETRIC_MASK: return "transparency mask";
        default: return "photometric interpretation " + std::to_string(photometric);
    }
}

}  // namespace

TGrayImage ReadTiff(const std::string& path) {
    TTiffMessages messages;
    std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) Fail(path, "cannot start the TIFF decoder");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TiffError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), TiffWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(1) << 30);
    // "m": plain reads, no memory mapping. A mapped file that shrinks while it is read would
    // end the process with SIGBUS, and mapped pages count against the reader's memory.
    std::unique_ptr<TIFF, TTiffCloser> tiff(TIFFOpenExt(path.c_str(), "rm", options.get()));
    auto failTiff = [&](const char* what) {
        const std::string detail = messages.First[0] ? messages.First : "read error";
        const bool shortFile = detail.find("Read error") != std::string::npos ||
                               detail.find("Seek error") != std::string::npos ||
                               detail.find("end of file") != std::string::npos;
        Fail(path, std::string(shortFile ? "truncated TIFF data" : what) + ": " + detail);
    };
    if (!tiff) failTiff("invalid TIFF");
    TIFF* tif = tiff.get();

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        Fail(path, "invalid TIFF: no image size");
    CheckImageSize(path, width, height);

    std::uint16_t bits = 1, spp = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    std::uint16_t compression = COMPRESSION_NONE, photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;

    if (!TIFFIsCODECConfigured(compression))
        Fail(path, "unsupported TIFF: compression " + std::to_string(compression));
    if (format == SAMPLEFORMAT_IEEEFP) Fail(path, "unsupported TIFF: " + std::to_string(bits) + "-bit float samples");
    if (format == SAMPLEFORMAT_INT) Fail(path, "unsupported TIFF: " + std::to_string(bits) + "-bit signed samples");
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID)
        Fail(path, "unsupported TIFF: sample format " + std::to_string(format));
    if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);  // libjpeg converts to RGB
        photometric = PHOTOMETRIC_RGB;
    }

    const bool gray = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    const bool rgb = photometric == PHOTOMETRIC_RGB;
    if (!gray && !palette && !rgb) Fail(path, "unsupported TIFF: " + PhotometricName(photometric));
    const int colours = rgb ? 3 : 1;
    const bool bitsOk = bits == 8 || (bits == 16 && !palette) || ((bits == 1 || bits == 2 || bits == 4) && !rgb);
    if (!bitsOk) Fail(path, "unsupported TIFF: " + std::to_string(bits) + "-bit " + (rgb ? "RGB" : palette ? "palette" : "gray") + " samples");
    if (spp < colours || (bits < 8 && spp != 1))
        Fail(path, "unsupported TIFF: " + std::to_string(spp) + " samples per pixel");
    const bool separate = planar == PLANARCONFIG_SEPARATE && spp > 1;

    using TMode = TTiffSink::TMode;
    const TMode mode = bits == 16 && !rgb ? TMode::Wide : separate && rgb ? TMode::PlaneSum : TMode::Gray;
    const auto w = static_cast<std::int32_t>(width);
    const auto h = static_cast<std::int32_t>(height);
    TTiffSink sink(mode, w, h);
    sink.Bits = bits;
    sink.Step = separate ? 1 : spp;
    sink.Rgb = rgb && !separate;
    sink.InvertWide = photometric == PHOTOMETRIC_MINISWHITE;
    if (palette) {
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
            Fail(path, "invalid TIFF: palette image without colour map");
        const unsigned count = 1u << bits;
        // Some writers store 8-bit values in the 16-bit map; take them as they are then.
        bool eightBit = true;
        for (unsigned i = 0; i < count; ++i)
            if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
        const int shift = eightBit ? 0 : 8;
        for (unsigned i = 0; i < count; ++i) sink.Lut[i] = Gray3(r[i] >> shift, g[i] >> shift, b[i] >> shift);
    } else if (gray && bits <= 8) {
        const unsigned maxLevel = (1u << bits) - 1;
        for (unsigned v = 0; v <= maxLevel; ++v) {
            const unsigned level = v * 255 / maxLevel;
            sink.Lut[v] = static_cast<std::uint8_t>(photometric == PHOTOMETRIC_MINISWHITE ? 255 - level : level);
        }
    }
    // The planes that carry colour: one for gray and palette (alpha planes are skipped).
    const int planes = separate ? colours : 1;

    if (TIFFIsTiled(tif)) {
        std::uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const std::uint64_t tileBytes = TIFFTileSize64(tif);
        const std::uint64_t tileRowBytes = TIFFTileRowSize64(tif);
        if (tileWidth == 0 || tileHeight == 0 || tileBytes == 0 || tileRowBytes == 0)
            Fail(path, "invalid TIFF: bad tile size");
        if (tileBytes > MaxTileBytes)
            Fail(path, "unsupported TIFF: tiles of " + std::to_string(tileWidth) + " x " + std::to_string(tileHeight));
        std::vector<std::uint8_t> tile(tileBytes);
        for (std::uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
            const std::uint32_t rows = std::min(tileHeight, height - y0);
            for (std::uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
                const std::uint32_t cols = std::min(tileWidth, width - x0);
                for (int plane = 0; plane < planes; ++plane) {
                    if (TIFFReadTile(tif, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(plane)) < 0)
                        failTiff("invalid TIFF data");
                    for (std::uint32_t r = 0; r < rows; ++r)
                        sink.Put(static_cast<std::int32_t>(y0 + r), x0, cols, tile.data() + r * tileRowBytes, plane);
                }
            }
        }
    } else {
        const std::uint64_t lineBytes = TIFFScanlineSize64(tif);
        if (lineBytes == 0) failTiff("invalid TIFF");
        std::vector<std::uint8_t> line(lineBytes);
        // Plane after plane, each from the top: the order in which libtiff decodes strips.
        for (int plane = 0; plane < planes; ++plane)
            for (std::uint32_t y = 0; y < height; ++y) {
                if (TIFFReadScanline(tif, line.data(), y, static_cast<std::uint16_t>(plane)) < 0)
                    failTiff("invalid TIFF data");
                sink.Put(static_cast<std::int32_t>(y), 0, width, line.data(), plane);
            }
    }
    return sink.Finish();
}

}  // namespace imagefile
