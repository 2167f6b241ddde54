#include "kernel/xDot.h"

#include "console/xConsole.h"

void TDot::AssignPoints(const TPoint* points, std::int32_t count) {
    Points.assign(points, points + (count > 0 ? count : 0));
    PixelCount = count;
    Compute();
}

void TDot::AppendPoints(const TPoint* points, std::int32_t count) {
    FatalCheck(!Points.empty(), "{952199A2-DE0C-11D7-8030-000102960A47}", "");
    Points.insert(Points.end(), points, points + (count > 0 ? count : 0));
    PixelCount += count;
    Compute();
}

void TDot::Compute() {
    FatalCheck(!Points.empty(), "{952199A1-DE0C-11D7-8030-000102960A47}", "");
    // Sums of half-integers stay exact in double, so the centre is the exact mean rounded
    // once by the division.
    double sx = 0.0;
    double sy = 0.0;
    for (const TPoint& p : Points) {
        sx += static_cast<double>(p.x) + 0.5;
        sy += static_cast<double>(p.y) + 0.5;
    }
    X = sx / static_cast<double>(PixelCount);
    Y = sy / static_cast<double>(PixelCount);
    double r2 = 0.0;
    for (const TPoint& p : Points) {
        const double q = PixelDistance2(p.x, p.y, X, Y);
        if (q > r2) r2 = q;
    }
    SetShape(r2);
}

void TDot::ReleasePoints() { std::vector<TPoint>().swap(Points); }
