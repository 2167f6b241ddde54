#pragma once
// Plain row-major pixel buffers of the picture: a gray one (one byte per pixel, the three
// colour channels of a gray pixel being equal by definition) and a 32-bit one for display.
#include <cstddef>
#include <cstdint>
#include <vector>

// 8-bit gray, one byte per pixel, rows top to bottom without padding.
struct TGrayBitmap {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;  // Width * Height bytes

    TGrayBitmap() = default;
    TGrayBitmap(std::int32_t width, std::int32_t height)
        : Width(width), Height(height),
          Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    std::uint8_t* Row(std::int32_t y) { return Pixels.data() + static_cast<std::size_t>(y) * Width; }
    const std::uint8_t* Row(std::int32_t y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * Width;
    }
    std::size_t StrideBytes() const { return static_cast<std::size_t>(Width); }
};

// 32-bit pixels 0xFFRRGGBB (the layout of QImage::Format_RGB32 on a little-endian machine,
// so a front end can wrap the buffer without copying), rows top to bottom without padding.
struct TRgbBitmap {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint32_t> Pixels;  // Width * Height pixels

    TRgbBitmap() = default;
    TRgbBitmap(std::int32_t width, std::int32_t height)
        : Width(width), Height(height),
          Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    std::uint32_t* Row(std::int32_t y) { return Pixels.data() + static_cast<std::size_t>(y) * Width; }
    const std::uint32_t* Row(std::int32_t y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * Width;
    }
    const std::uint8_t* Bits() const { return reinterpret_cast<const std::uint8_t*>(Pixels.data()); }
    std::size_t StrideBytes() const { return static_cast<std::size_t>(Width) * 4; }
};

// An opaque 0xFFRRGGBB pixel from its channels.
constexpr std::uint32_t PackRgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}
