// PNG reader (libpng). Rows are read raw, without libpng transformations, and converted to
// gray here: palettes expanded by hand (so tRNS never turns into alpha), alpha and tRNS
// ignored, 1/2/4-bit gray scaled to 0..255, 16-bit gray kept for the min-max stretch,
// 16-bit colour reduced to the high byte of each channel. Interlaced images are read pass
// by pass and each pass's pixels go straight to their places, so no full-size colour copy
// of the image is ever held.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/ImageReaders.h"

namespace imagefile {
namespace {

// Everything libpng's callbacks touch. Plain data: the frames that call setjmp below hold
// no objects with destructors, so a longjmp out of libpng skips nothing.
struct TPngJob {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::FILE* File = nullptr;
    bool Truncated = false;
    char Message[256] = {};
};

void PngError(png_structp png, png_const_charp message) {
    auto* job = static_cast<TPngJob*>(png_get_error_ptr(png));
    std::snprintf(job->Message, sizeof job->Message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngReadData(png_structp png, png_bytep data, size_t length) {
    auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, job->File) != length) {
        job->Truncated = true;
        png_error(png, "unexpected end of file");
    }
}

bool PngReadInfo(TPngJob* job) {
    if (setjmp(png_jmpbuf(job->Png))) return false;
    png_read_info(job->Png, job->Info);
    return true;
}

bool PngReadRow(TPngJob* job, png_bytep row) {
    if (setjmp(png_jmpbuf(job->Png))) return false;
    png_read_row(job->Png, row, nullptr);
    return true;
}

struct TPngGuard {
    TPngJob& Job;
    ~TPngGuard() { png_destroy_read_struct(&Job.Png, Job.Info ? &Job.Info : nullptr, nullptr); }
};

[[noreturn]] void FailPng(const std::string& path, const TPngJob& job) {
    if (job.Truncated) Fail(path, "truncated PNG data");
    Fail(path, std::string("invalid PNG data: ") + job.Message);
}

// Sample j of a row of 1, 2 or 4-bit samples, most significant bits first.
inline unsigned PackedSample(const png_byte* row, std::uint32_t j, int bits) {
    const std::uint32_t bit = j * static_cast<std::uint32_t>(bits);
    return (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1u << bits) - 1);
}

// Converts n pixels of a raw row. Eight-bit results go to gray, 16-bit gray ones to wide.
struct TPngConverter {
    int ColorType = 0;
    int Bits = 8;
    std::uint8_t Lut[256] = {};  // gray level of a palette index or of a <8-bit gray sample

    void ToGray(const png_byte* row, std::uint32_t n, std::uint8_t* gray) const {
        switch (ColorType) {
            case PNG_COLOR_TYPE_GRAY:
            case PNG_COLOR_TYPE_PALETTE:
                if (Bits == 8) {
                    for (std::uint32_t j = 0; j < n; ++j) gray[j] = Lut[row[j]];
                } else {
                    for (std::uint32_t j = 0; j < n; ++j) gray[j] = Lut[PackedSample(row, j, Bits)];
                }
                break;
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                for (std::uint32_t j = 0; j < n; ++j) gray[j] = row[2 * j];
                break;
            case PNG_COLOR_TYPE_RGB:
            case PNG_COLOR_TYPE_RGB_ALPHA: {
                // Channels per pixel and bytes per sample; the first byte of a 16-bit sample
                // is its high byte (PNG is big-endian).
                const std::uint32_t step = (ColorType == PNG_COLOR_TYPE_RGB ? 3u : 4u) * (Bits / 8u);
                const std::uint32_t sample = Bits / 8u;
                for (std::uint32_t j = 0; j < n; ++j) {
                    const png_byte* p = row + j * step;
                    gray[j] = Gray3(p[0], p[sample], p[2 * sample]);
                }
                break;
            }
        }
    }

    void ToWide(const png_byte* row, std::uint32_t n, std::uint16_t* wide) const {
        const std::uint32_t step = ColorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 4 : 2;
        for (std::uint32_t j = 0; j < n; ++j)
            wide[j] = static_cast<std::uint16_t>((row[j * step] << 8) | row[j * step + 1]);
    }
};

}  // namespace

TGrayImage ReadPng(const std::string& path, std::FILE* file) {
    TPngJob job;
    job.File = file;
    job.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, PngError, PngWarning);
    if (!job.Png) Fail(path, "cannot start the PNG decoder");
    TPngGuard guard{job};
    job.Info = png_create_info_struct(job.Png);
    if (!job.Info) Fail(path, "cannot start the PNG decoder");
    png_set_read_fn(job.Png, &job, PngReadData);
    // Let the header through to our own size check (which names the size), and bound the
    // memory libpng may spend on ancillary chunks.
    png_set_user_limits(job.Png, 0x7fffffff, 0x7fffffff);
    png_set_chunk_cache_max(job.Png, 1000);
    png_set_chunk_malloc_max(job.Png, 8u << 20);

    if (!PngReadInfo(&job)) FailPng(path, job);
    png_uint_32 width = 0, height = 0;
    int bits = 0, colorType = 0, interlace = 0;
    png_get_IHDR(job.Png, job.Info, &width, &height, &bits, &colorType, &interlace, nullptr, nullptr);
    CheckImageSize(path, width, height);

    TPngConverter conv;
    conv.ColorType = colorType;
    conv.Bits = bits;
    if (colorType == PNG_COLOR_TYPE_GRAY && bits <= 8) {
        const unsigned maxLevel = (1u << bits) - 1;
        for (unsigned v = 0; v <= maxLevel; ++v) conv.Lut[v] = static_cast<std::uint8_t>(v * 255 / maxLevel);
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(job.Png, job.Info, &palette, &count) == 0 || !palette)
            Fail(path, "invalid PNG data: no palette");
        // Indices beyond the palette read as black.
        for (int i = 0; i < count && i < 256; ++i)
            conv.Lut[i] = Gray3(palette[i].red, palette[i].green, palette[i].blue);
    }
    const bool wide = bits == 16 && (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA);

    const std::int32_t w = static_cast<std::int32_t>(width);
    const std::int32_t h = static_cast<std::int32_t>(height);
    std::vector<png_byte> raw(png_get_rowbytes(job.Png, job.Info));
    std::vector<std::uint8_t> grayRow(width);
    std::vector<std::uint16_t> wideRow(wide ? width : 0);
    TRowStore<std::uint8_t> gray(wide ? 0 : w, h);
    TRowStore<std::uint16_t> wides(wide ? w : 0, h);

    const int passes = interlace == PNG_INTERLACE_ADAM7 ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass) {
        std::uint32_t cols = width, rows = height, x0 = 0, y0 = 0, dx = 1, dy = 1;
        if (passes > 1) {
            cols = PNG_PASS_COLS(width, pass);
            rows = PNG_PASS_ROWS(height, pass);
            x0 = PNG_PASS_START_COL(pass);
            y0 = PNG_PASS_START_ROW(pass);
            dx = 1u << PNG_PASS_COL_SHIFT(pass);
            dy = 1u << PNG_PASS_ROW_SHIFT(pass);
            if (cols == 0 || rows == 0) continue;  // libpng skips empty passes too
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
            if (!PngReadRow(&job, raw.data())) FailPng(path, job);
            const auto y = static_cast<std::int32_t>(y0 + r * dy);
            if (wide) {
                std::uint16_t* out = wides.Row(y);
                conv.ToWide(raw.data(), cols, wideRow.data());
                for (std::uint32_t j = 0; j < cols; ++j) out[x0 + j * dx] = wideRow[j];
            } else {
                std::uint8_t* out = gray.Row(y);
                if (dx == 1) {
                    conv.ToGray(raw.data(), cols, out + x0);
                } else {
                    conv.ToGray(raw.data(), cols, grayRow.data());
                    for (std::uint32_t j = 0; j < cols; ++j) out[x0 + j * dx] = grayRow[j];
                }
            }
        }
    }

    if (wide) return StretchToGray(w, h, wides.Take());
    TGrayImage image;
    image.Width = w;
    image.Height = h;
    image.Pixels = gray.Take();
    return image;
}

}  // namespace imagefile
