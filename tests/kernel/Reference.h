#pragma once
// The detection and results computed step by step as the algorithms read: a recursive
// flood (an explicit stack of call frames, each call examined when it runs), the containment
// test against every earlier feature, the quadratic nearest-neighbour loop, and bin counts
// by scanning all values per bin. The fast code must agree with it in every bit.
#include <cstdint>
#include <vector>

#include "kernel/xDot.h"
#include "kernel/xResults.h"
#include "kernel/xSeries.h"

namespace Reference {

struct TGrayImage {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;  // row-major
    std::uint8_t At(std::int32_t x, std::int32_t y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
    }
};

void DetectDots(const TGrayImage& image, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, std::int32_t filterMin, std::int32_t filterMax, bool containment,
                std::vector<TDot>& dots);

// The bin rule counting from 0 as written. Returns false (and leaves the arguments) when
// that count would pass 100000 steps, the case the production rule mends.
bool ChooseBinsLiteral(double& lo, double& hi, double& step);

void ComputeResults(std::vector<TDot>& dots, const TResultsInput& in, double& smallestRadius,
                    double& largestRadius, TAnalysisResults& r, ISeries& radiusSeries,
                    ISeries& distanceSeries, ISeries& areaSeries);

}  // namespace Reference
