#pragma once
// What the analysis reports: the filter test, the nearest-neighbour distances, areas,
// totals, and the three distributions of the passing features.
#include <cstdint>
#include <vector>

#include "kernel/xDot.h"
#include "kernel/xSeries.h"

struct TAnalysisResults {
    std::int32_t Number = 0;     // features that pass the filters
    double MeanRadius = 0.0;     // physical units
    double Filling = 0.0;        // fraction of the zone's pixels in passing features
    double MeanDistance = 0.0;   // physical units
    double ZoneArea = 0.0;       // physical units squared
};

// The kernel's filter fields.
struct TFilterSettings {
    bool FFilter = true;
    std::int32_t FBarrier = 50;  // per cent of filling
    bool RFilter = true;
    std::int32_t RBarrier = 25;  // per cent of the largest radius
    bool FillRad = true;         // radius measure: fill radius instead of maximum radius
};

// The radius measure of a feature under the FillRad switch.
inline double DotRadius(const TDot& f, bool fillRad) { return fillRad ? f.FillRadius : f.Radius; }

// The fill and radial filter test; largestRadius is the one of the last results pass.
bool DotPasses(const TDot& f, const TFilterSettings& filter, double largestRadius);

// The bin rule of the distributions: lo and hi in and out, step out.
void ChooseBins(double& lo, double& hi, double& step);

// Everything the results pass needs of its owner.
struct TResultsInput {
    TFilterSettings Filter;
    double Factor = 1.0;                  // units per pixel (Convert(x) = Factor * x)
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // zone, inclusive
    std::int32_t GraphsColor = 0;         // area colour of the three series
};

// Fills r and the three series from dots; rewrites smallestRadius, largestRadius and the
// Distance and Area of every passing feature. r.ZoneArea is left alone when dots is empty.
void ComputeResults(std::vector<TDot>& dots, const TResultsInput& in, double& smallestRadius,
                    double& largestRadius, TAnalysisResults& r, ISeries& radiusSeries,
                    ISeries& distanceSeries, ISeries& areaSeries);
