#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// An image file read and converted to 8-bit gray, one byte per pixel, row-major.
// 8-bit images: gray = (r + g + b) div 3 of the stored colour channels (palette expanded,
// alpha ignored); one-channel images give r = g = b; 16-bit gray is min-max stretched,
// v8 = ((v - lo)*510 + (hi - lo)) div (2*(hi - lo)), all 0 when hi = lo. 16-bit colour takes
// the high byte of each channel (PPM: each channel scaled by its maxval), then the mean.
// Gray of 1, 2 or 4 bits and PGM/PPM with maxval < 255 are scaled to 0..255; bilevel images
// give 0 and 255 with the format's polarity (PBM: 1 is black).
struct TGrayImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;  // Width * Height bytes, row 0 first
};

// Raised when a file cannot be read; what() names the file and the reason,
// e.g. "/x/a.png: not a PNG file".
class TImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads PNG, JPEG, TIFF, BMP, PBM/PGM/PPM, chosen by the file's content.
TGrayImage ReadGrayImage(const std::string& path);

// Extensions (lower case, without the dot) the reader accepts, for open dialogs.
const std::vector<std::string>& SupportedImageExtensions();

// Largest image the reader accepts, in pixels per side and in total.
inline constexpr std::int64_t MaxImageSide = 65535;
inline constexpr std::int64_t MaxImagePixels = std::int64_t(1) << 30;
