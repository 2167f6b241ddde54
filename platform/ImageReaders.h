#pragma once
// Internal to the image reader: the per-format readers and the helpers they share.
// Every reader returns a TGrayImage or throws TImageError("<path>: <reason>").
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ImageFile.h"

namespace imagefile {

[[noreturn]] void Fail(const std::string& path, const std::string& reason);

// Rejects empty images ("invalid image size: W x H") and images beyond MaxImageSide or
// MaxImagePixels ("image too large: W x H") before anything is allocated for them.
void CheckImageSize(const std::string& path, std::int64_t width, std::int64_t height);

// Bytes left in the file from its current position (0 when the size cannot be told).
std::int64_t BytesLeft(std::FILE* file);

// The gray level of an 8-bit colour pixel: the plain integer mean of its channels.
inline std::uint8_t Gray3(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint8_t>((r + g + b) / 3);
}

// Rows of an image collected while it is decoded. The storage grows with the rows actually
// written, so a file that declares a huge size but carries little data fails long before
// much memory is taken. Rows may be written in any order; all must be written before Take.
template <class T>
class TRowStore {
public:
    TRowStore(std::int32_t width, std::int32_t height)
        : Width(width), Total(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    T* Row(std::int32_t y) {
        const std::size_t needed = (static_cast<std::size_t>(y) + 1) * static_cast<std::size_t>(Width);
        if (needed > Data.size()) {
            if (needed > Data.capacity()) {
                std::size_t grown = Data.capacity() * 2;
                if (grown < (std::size_t(1) << 20)) grown = std::size_t(1) << 20;
                if (grown < needed) grown = needed;
                if (grown > Total) grown = Total;
                Data.reserve(grown);
            }
            Data.resize(needed);
        }
        return Data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width);
    }

    std::vector<T> Take() {
        Data.resize(Total);
        return std::move(Data);
    }

private:
    std::int32_t Width;
    std::size_t Total;
    std::vector<T> Data;
};

// 16-bit gray to 8 bits by the linear min-max stretch
// v8 = ((v - lo)*510 + (hi - lo)) div (2*(hi - lo)), i.e. (v - lo)*255/(hi - lo) with halves
// rounded up; every pixel becomes 0 when hi = lo.
TGrayImage StretchToGray(std::int32_t width, std::int32_t height, const std::vector<std::uint16_t>& values);

// The readers. The FILE-based ones get the file positioned at its first byte; the dispatcher
// owns and closes it.
TGrayImage ReadPng(const std::string& path, std::FILE* file);
TGrayImage ReadJpeg(const std::string& path, std::FILE* file);
TGrayImage ReadBmp(const std::string& path, std::FILE* file);
TGrayImage ReadPnm(const std::string& path, std::FILE* file);
TGrayImage ReadTiff(const std::string& path);

}  // namespace imagefile
