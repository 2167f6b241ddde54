#pragma once
// One feature found by the detection: its pixels while the scan runs, and its measures.
#include <cmath>
#include <cstdint>
#include <vector>

#include "settings/xScale.h"  // TPoint

// Pixel positions gathered from one seed.
using TGroup = std::vector<TPoint>;

class TDot {
public:
    TDot() = default;

    // Points := a copy of the first count positions; PixelCount := count; Compute.
    void AssignPoints(const TPoint* points, std::int32_t count);
    // Adds count positions after the present ones (which must exist); Compute.
    void AppendPoints(const TPoint* points, std::int32_t count);
    // Centre, radius, filling and fill radius from Points (which must not be empty).
    void Compute();
    // Drops the pixel list; the measures stay.
    void ReleasePoints();

    // The arithmetic of Compute, shared with the run-based detection so that both give
    // the same bits. Squared distance of pixel (x, y) from the centre (cx, cy).
    static double PixelDistance2(std::int32_t x, std::int32_t y, double cx, double cy) {
        const double dx = (static_cast<double>(x) + 0.5) - cx;
        const double dy = (static_cast<double>(y) + 0.5) - cy;
        return dx * dx + dy * dy;
    }
    // Radius, Filling and FillRadius from PixelCount and the largest squared distance.
    void SetShape(double largestDistance2) {
        Radius = std::sqrt(largestDistance2);
        const double n = static_cast<double>(PixelCount);
        Filling = std::fabs(Radius) <= 1e-12 ? 0.0 : n / (M_PI * (Radius * Radius));
        FillRadius = std::sqrt(n / M_PI);
    }

    double X = 0.0;
    double Y = 0.0;
    double Radius = 0.0;
    std::int32_t PixelCount = 0;
    std::vector<TPoint> Points;
    double Distance = -1.0;
    double Filling = 0.0;
    double FillRadius = 0.0;
    double Area = 0.0;
};
