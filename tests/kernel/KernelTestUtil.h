#pragma once
// Small image builders and exact comparisons for the detection and results tests.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "kernel/Reference.h"
#include "kernel/xDetect.h"
#include "kernel/xDot.h"

using Reference::TGrayImage;

inline TGrayImage MakeImage(std::int32_t w, std::int32_t h, std::uint8_t fill) {
    TGrayImage img;
    img.Width = w;
    img.Height = h;
    img.Pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill);
    return img;
}

inline void SetPixel(TGrayImage& img, std::int32_t x, std::int32_t y, std::uint8_t v) {
    img.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(img.Width) + static_cast<std::size_t>(x)] = v;
}

inline void FillRect(TGrayImage& img, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::uint8_t v) {
    for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x) SetPixel(img, x, y, v);
}

// Pixels whose centre lies within [r0, r1] of (cx, cy).
inline void FillRing(TGrayImage& img, double cx, double cy, double r0, double r1, std::uint8_t v) {
    for (std::int32_t y = 0; y < img.Height; ++y) {
        for (std::int32_t x = 0; x < img.Width; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d >= r0 && d <= r1) SetPixel(img, x, y, v);
        }
    }
}

struct TZone {
    std::int32_t Left, Top, Right, Bottom;
};

inline TZone Whole(const TGrayImage& img) { return {0, 0, img.Width - 1, img.Height - 1}; }

inline std::vector<TDot> Detect(const TGrayImage& img, TZone z, std::int32_t lo, std::int32_t hi, bool containment) {
    std::vector<TDot> dots;
    DetectDots(img.Pixels.data(), img.Width, img.Height, z.Left, z.Top, z.Right, z.Bottom, lo, hi, containment, dots);
    return dots;
}

inline std::vector<TDot> DetectLiteral(const TGrayImage& img, TZone z, std::int32_t lo, std::int32_t hi, bool containment) {
    std::vector<TDot> dots;
    Reference::DetectDots(img, z.Left, z.Top, z.Right, z.Bottom, lo, hi, containment, dots);
    return dots;
}

inline std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Every field of every feature, bit for bit, in the same order.
inline ::testing::AssertionResult SameDots(const std::vector<TDot>& a, const std::vector<TDot>& b) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "feature counts " << a.size() << " and " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const TDot& p = a[i];
        const TDot& q = b[i];
        if (Bits(p.X) != Bits(q.X) || Bits(p.Y) != Bits(q.Y) || Bits(p.Radius) != Bits(q.Radius) ||
            p.PixelCount != q.PixelCount || Bits(p.Distance) != Bits(q.Distance) || Bits(p.Filling) != Bits(q.Filling) ||
            Bits(p.FillRadius) != Bits(q.FillRadius) || Bits(p.Area) != Bits(q.Area) || p.Points.size() != q.Points.size())
            return ::testing::AssertionFailure()
                   << "feature " << i << ": (" << p.X << ", " << p.Y << ") r " << p.Radius << " n " << p.PixelCount
                   << " vs (" << q.X << ", " << q.Y << ") r " << q.Radius << " n " << q.PixelCount;
    }
    return ::testing::AssertionSuccess();
}

// The measures Compute gives a pixel list.
inline TDot FromPoints(const std::vector<TPoint>& pts) {
    TDot d;
    d.AssignPoints(pts.data(), static_cast<std::int32_t>(pts.size()));
    d.ReleasePoints();
    return d;
}

inline std::vector<TPoint> RectPoints(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    std::vector<TPoint> pts;
    for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x) pts.push_back({x, y});
    return pts;
}
