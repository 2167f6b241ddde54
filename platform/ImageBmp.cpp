// BMP/DIB reader: uncompressed 1, 4, 8 (palette), 16, 24 and 32-bit images and bit-field
// masks, bottom-up or top-down, Windows and OS/2 headers. Strict: the declared pixel data
// must be in the file before anything is allocated for it. RLE and embedded JPEG/PNG are
// refused with a clear reason.
#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/ImageReaders.h"

namespace imagefile {
namespace {

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One channel of a bit-field pixel, scaled to 0..255 with halves rounded up.
struct TField {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint64_t Max = 0;

    explicit TField(std::uint32_t mask = 0) : Mask(mask) {
        if (mask == 0) return;
        Shift = std::countr_zero(mask);
        Max = mask >> Shift;
    }
    unsigned Value(std::uint32_t pixel) const {
        if (Max == 0) return 0;
        const std::uint64_t v = (pixel & Mask) >> Shift;
        return static_cast<unsigned>((v * 255 + Max / 2) / Max);
    }
};

enum : std::uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiJpeg = 4, BiPng = 5, BiAlphaBitfields = 6 };

}  // namespace

TGrayImage ReadBmp(const std::string& path, std::FILE* file) {
    const std::int64_t fileSize = BytesLeft(file);
    auto readExact = [&](std::uint8_t* to, std::size_t n) {
        if (std::fread(to, 1, n, file) != n) Fail(path, "truncated BMP data");
    };

    std::uint8_t fileHeader[14];
    readExact(fileHeader, sizeof fileHeader);
    const std::uint32_t dataOffset = Le32(fileHeader + 10);

    std::uint8_t info[124] = {};
    readExact(info, 4);
    const std::uint32_t infoSize = Le32(info);
    if (infoSize != 12 && (infoSize < 40 || infoSize > 124))
        Fail(path, "unsupported BMP: header of " + std::to_string(infoSize) + " bytes");
    readExact(info + 4, infoSize - 4);

    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = BiRgb, colorsUsed = 0;
    bool topDown = false;
    if (infoSize == 12) {  // OS/2 1.x core header
        width = Le16(info + 4);
        height = Le16(info + 6);
        bits = Le16(info + 10);
    } else {
        width = static_cast<std::int32_t>(Le32(info + 4));
        height = static_cast<std::int32_t>(Le32(info + 8));
        bits = Le16(info + 14);
        compression = Le32(info + 16);
        colorsUsed = Le32(info + 32);
        if (height < 0) {
            topDown = true;
            height = -height;
        }
    }
    CheckImageSize(path, width, height);

    switch (compression) {
        case BiRgb: break;
        case BiBitfields:
        case BiAlphaBitfields:
            if (bits == 16 || bits == 32) break;
            Fail(path, "invalid BMP header: bit fields with " + std::to_string(bits) + " bits per pixel");
        case BiRle8:
        case BiRle4: Fail(path, "unsupported BMP: RLE compression");
        case BiJpeg: Fail(path, "unsupported BMP: embedded JPEG");
        case BiPng: Fail(path, "unsupported BMP: embedded PNG");
        default: Fail(path, "unsupported BMP: compression " + std::to_string(compression));
    }
    if (infoSize == 64 && compression != BiRgb)  // OS/2 2.x gives these codes other meanings
        Fail(path, "unsupported BMP: OS/2 compression " + std::to_string(compression));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        Fail(path, "unsupported BMP: " + std::to_string(bits) + " bits per pixel");

    // Channel masks: in the header from version 2 on, else right after a 40-byte header.
    TField red, green, blue;
    if (bits == 16 || bits == 32) {
        if (compression == BiRgb) {
            red = bits == 16 ? TField(0x7C00) : TField(0xFF0000);
            green = bits == 16 ? TField(0x03E0) : TField(0x00FF00);
            blue = bits == 16 ? TField(0x001F) : TField(0x0000FF);
        } else {
            std::uint8_t masks[12];
            if (infoSize >= 52) {
                std::memcpy(masks, info + 40, 12);
            } else {
                readExact(masks, 12);
                if (compression == BiAlphaBitfields) readExact(info + 52, 4);  // alpha mask: ignored
            }
            red = TField(Le32(masks));
            green = TField(Le32(masks + 4));
            blue = TField(Le32(masks + 8));
        }
    }

    // Palette: gray level per index; indices beyond the stored entries read as black.
    std::uint8_t lut[256] = {};
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        std::uint32_t count = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        const std::uint32_t entrySize = infoSize == 12 ? 3 : 4;
        const long here = std::ftell(file);
        // Writers that declare a full palette but store fewer entries: read what fits.
        if (here >= 0 && dataOffset > static_cast<std::uint32_t>(here))
            count = std::min<std::uint32_t>(count, (dataOffset - static_cast<std::uint32_t>(here)) / entrySize);
        else
            count = 0;
        std::uint8_t entry[4];
        for (std::uint32_t i = 0; i < count; ++i) {
            readExact(entry, entrySize);
            lut[i] = Gray3(entry[2], entry[1], entry[0]);  // stored blue, green, red
        }
    }

    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 7) / 8;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t dataEnd = dataOffset + stride * static_cast<std::uint64_t>(height - 1) + rowBytes;
    if (dataOffset < 14 + infoSize) Fail(path, "invalid BMP header: pixel data inside the header");
    if (dataEnd > static_cast<std::uint64_t>(fileSize)) Fail(path, "truncated BMP data");
    if (std::fseek(file, static_cast<long>(dataOffset), SEEK_SET) != 0) Fail(path, "truncated BMP data");

    const auto w = static_cast<std::int32_t>(width);
    const auto h = static_cast<std::int32_t>(height);
    TGrayImage image;
    image.Width = w;
    image.Height = h;
    image.Pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::vector<std::uint8_t> row(stride);
    for (std::int32_t k = 0; k < h; ++k) {
        readExact(row.data(), k + 1 < h ? stride : rowBytes);
        const std::int32_t y = topDown ? k : h - 1 - k;
        std::uint8_t* out = image.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        const std::uint8_t* p = row.data();
        switch (bits) {
            case 1:
            case 4:
                for (std::int32_t x = 0; x < w; ++x) {
                    const std::uint32_t bit = static_cast<std::uint32_t>(x) * bits;
                    out[x] = lut[(p[bit >> 3] >> (8 - bits - (bit & 7))) & ((1u << bits) - 1)];
                }
                break;
            case 8:
                for (std::int32_t x = 0; x < w; ++x) out[x] = lut[p[x]];
                break;
            case 24:
                for (std::int32_t x = 0; x < w; ++x, p += 3) out[x] = Gray3(p[2], p[1], p[0]);
                break;
            case 16:
                for (std::int32_t x = 0; x < w; ++x, p += 2) {
                    const std::uint32_t v = Le16(p);
                    out[x] = Gray3(red.Value(v), green.Value(v), blue.Value(v));
                }
                break;
            case 32:
                if (compression == BiRgb) {
                    for (std::int32_t x = 0; x < w; ++x, p += 4) out[x] = Gray3(p[2], p[1], p[0]);
                } else {
                    for (std::int32_t x = 0; x < w; ++x, p += 4) {
                        const std::uint32_t v = Le32(p);
                        out[x] = Gray3(red.Value(v), green.Value(v), blue.Value(v));
                    }
                }
                break;
        }
    }
    return image;
}

}  // namespace imagefile
