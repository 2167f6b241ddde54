// Image file reading: picks the reader by the file's first bytes (never by its extension)
// and holds what the format readers share.
#include "platform/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "platform/ImageReaders.h"

namespace imagefile {

void Fail(const std::string& path, const std::string& reason) {
    throw TImageError(path + ": " + reason);
}

void CheckImageSize(const std::string& path, std::int64_t width, std::int64_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0) Fail(path, "invalid image size: " + size);
    if (width > MaxImageSide || height > MaxImageSide || width * height > MaxImagePixels)
        Fail(path, "image too large: " + size);
}

std::int64_t BytesLeft(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end > here ? end - here : 0;
}

TGrayImage StretchToGray(std::int32_t width, std::int32_t height, const std::vector<std::uint16_t>& values) {
    TGrayImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.assign(values.size(), 0);
    if (values.empty()) return image;
    const auto [minIt, maxIt] = std::minmax_element(values.begin(), values.end());
    const std::uint32_t lo = *minIt;
    const std::uint32_t range = *maxIt - lo;
    if (range == 0) return image;
    // One division per possible level rather than per pixel.
    std::vector<std::uint8_t> table(range + 1);
    for (std::uint32_t d = 0; d <= range; ++d)
        table[d] = static_cast<std::uint8_t>((d * 510 + range) / (2 * range));
    std::uint8_t* out = image.Pixels.data();
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = table[values[i] - lo];
    return image;
}

}  // namespace imagefile

namespace {

using imagefile::Fail;

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

enum class TFormat { Unknown, Png, Jpeg, Tiff, Bmp, Pnm };

TFormat DetectFormat(const unsigned char* m, std::size_t n) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && std::memcmp(m, png, 8) == 0) return TFormat::Png;
    if (n >= 3 && m[0] == 0xFF && m[1] == 0xD8 && m[2] == 0xFF) return TFormat::Jpeg;
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    if (n >= 4 && ((m[0] == 'I' && m[1] == 'I' && (m[2] == 42 || m[2] == 43) && m[3] == 0) ||
                   (m[0] == 'M' && m[1] == 'M' && m[2] == 0 && (m[3] == 42 || m[3] == 43))))
        return TFormat::Tiff;
    if (n >= 2 && m[0] == 'B' && m[1] == 'M') return TFormat::Bmp;
    if (n >= 3 && m[0] == 'P' && m[1] >= '1' && m[1] <= '6' &&
        (m[2] == ' ' || m[2] == '\t' || m[2] == '\n' || m[2] == '\r' || m[2] == '#'))
        return TFormat::Pnm;
    return TFormat::Unknown;
}

// For a file whose content matches no reader: name the format its extension promises.
std::string UnknownFormatReason(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (!ext.empty()) ext.erase(0, 1);
    struct TName { const char* Ext; const char* Format; };
    static const TName names[] = {
        {"png", "PNG"}, {"jpg", "JPEG"}, {"jpeg", "JPEG"}, {"jpe", "JPEG"}, {"jfif", "JPEG"},
        {"tif", "TIFF"}, {"tiff", "TIFF"}, {"bmp", "BMP"}, {"dib", "BMP"},
        {"pbm", "PBM"}, {"pgm", "PGM"}, {"ppm", "PPM"}, {"pnm", "PNM"}};
    for (const TName& name : names)
        if (ext == name.Ext) return std::string("not a ") + name.Format + " file";
    return "unknown image format";
}

TGrayImage ReadByContent(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) Fail(path, "file not found");
    if (std::filesystem::is_directory(status)) Fail(path, "is a folder, not an image file");

    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) Fail(path, "cannot open file: " + std::generic_category().message(errno));
    unsigned char magic[8] = {};
    const std::size_t n = std::fread(magic, 1, sizeof magic, file.get());
    if (n == 0) Fail(path, "empty file");
    std::rewind(file.get());

    switch (DetectFormat(magic, n)) {
        case TFormat::Png: return imagefile::ReadPng(path, file.get());
        case TFormat::Jpeg: return imagefile::ReadJpeg(path, file.get());
        case TFormat::Bmp: return imagefile::ReadBmp(path, file.get());
        case TFormat::Pnm: return imagefile::ReadPnm(path, file.get());
        case TFormat::Tiff:
            file.reset();  // libtiff opens the file itself
            return imagefile::ReadTiff(path);
        case TFormat::Unknown: break;
    }
    Fail(path, UnknownFormatReason(path));
}

}  // namespace

TGrayImage ReadGrayImage(const std::string& path) {
    try {
        return ReadByContent(path);
    } catch (const std::bad_alloc&) {
        Fail(path, "not enough memory to read the image");
    } catch (const std::length_error&) {
        Fail(path, "not enough memory to read the image");
    }
}

const std::vector<std::string>& SupportedImageExtensions() {
    static const std::vector<std::string> extensions = {
        "png", "jpg", "jpeg", "jpe", "jfif", "tif", "tiff", "bmp", "dib", "pbm", "pgm", "ppm", "pnm"};
    return extensions;
}
