#include "kernel/Reference.h"

#include <cmath>

namespace Reference {

namespace {

constexpr std::int32_t Limit = 10000;

class TLiteralDetector {
public:
    TLiteralDetector(const TGrayImage& image, std::int32_t left, std::int32_t top, std::int32_t right,
                     std::int32_t bottom, std::int32_t filterMin, std::int32_t filterMax, bool containment,
                     std::vector<TDot>& dots)
        : Image(image), Left(left), Top(top), Right(right), Bottom(bottom), FilterMin(filterMin),
          FilterMax(filterMax), Containment(containment), Dots(dots) {}

    void Analyse() {
        // Visited[x][y]: one row per image column.
        Visited.assign(static_cast<std::size_t>(Image.Width), std::vector<std::uint8_t>(static_cast<std::size_t>(Image.Height), 0));
        Group.assign(static_cast<std::size_t>(Right - Left + 1) * static_cast<std::size_t>(Bottom - Top + 1), TPoint{});
        GroupCount = 0;
        Dots.clear();
        for (std::int32_t y = Top; y <= Bottom; ++y) {
            for (std::int32_t x = Left; x <= Right; ++x) {
                FloodCount = 0;
                FloodGroup(x, y);
                if (GroupCount > 0) {
                    FinishGroup();
                    GroupCount = 0;
                }
            }
        }
        for (TDot& d : Dots) d.ReleasePoints();
    }

private:
    bool OutOfBand(std::int32_t x, std::int32_t y) const {
        const std::int32_t g = Image.At(x, y);
        return g < FilterMin || g > FilterMax;
    }

    // The recursive flood: each frame is one call; stage -1 is its entry, stages 0..3 the
    // four calls it makes in turn (left, right, below, above).
    void FloodGroup(std::int32_t x0, std::int32_t y0) {
        struct TFrame {
            std::int32_t X, Y, Stage;
        };
        std::vector<TFrame> frames;
        frames.push_back({x0, y0, -1});
        while (!frames.empty()) {
            TFrame f = frames.back();
            if (f.Stage == -1) {
                frames.pop_back();
                if (FloodCount >= Limit) continue;
                if (f.X < Left || f.X > Right || f.Y < Top || f.Y > Bottom) continue;
                std::uint8_t& seen = Visited[static_cast<std::size_t>(f.X)][static_cast<std::size_t>(f.Y)];
                if (seen) continue;
                seen = 1;
                if (OutOfBand(f.X, f.Y)) continue;
                Group[static_cast<std::size_t>(GroupCount)] = {f.X, f.Y};
                GroupCount += 1;
                FloodCount += 1;
                frames.push_back({f.X, f.Y, 0});
                continue;
            }
            if (f.Stage == 4) {
                frames.pop_back();
                continue;
            }
            frames.back().Stage = f.Stage + 1;
            static constexpr std::int32_t dx[4] = {-1, 1, 0, 0};
            static constexpr std::int32_t dy[4] = {0, 0, 1, -1};
            frames.push_back({f.X + dx[f.Stage], f.Y + dy[f.Stage], -1});
        }
    }

    void FinishGroup() {
        if (GroupCount < 4) return;
        TDot n;
        n.AssignPoints(Group.data(), GroupCount);
        if (Containment) {
            for (TDot& e : Dots) {
                double big, small;
                if (e.Radius > n.Radius) {
                    big = e.Radius;
                    small = n.Radius;
                } else {
                    big = n.Radius;
                    small = e.Radius;
                }
                const double d = std::sqrt((n.X - e.X) * (n.X - e.X) + (n.Y - e.Y) * (n.Y - e.Y));
                if (d + small <= big) {
                    e.AppendPoints(Group.data(), GroupCount);
                    return;
                }
            }
        }
        Dots.push_back(std::move(n));
    }

    const TGrayImage& Image;
    std::int32_t Left, Top, Right, Bottom, FilterMin, FilterMax;
    bool Containment;
    std::vector<TDot>& Dots;
    std::vector<std::vector<std::uint8_t>> Visited;
    std::vector<TPoint> Group;
    std::int32_t GroupCount = 0;
    std::int32_t FloodCount = 0;
};

}  // namespace

void DetectDots(const TGrayImage& image, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, std::int32_t filterMin, std::int32_t filterMax, bool containment,
                std::vector<TDot>& dots) {
    TLiteralDetector(image, left, top, right, bottom, filterMin, filterMax, containment, dots).Analyse();
}

bool ChooseBinsLiteral(double& lo, double& hi, double& step) {
    const double r = hi - lo;
    if (r < 0) {
        step = 0;
        return true;
    }
    if (r == 0) {
        lo = std::ceil(hi) - 1;
        hi = lo + 1;
        step = 1;
        return true;
    }
    double unit = std::pow(10.0, std::ceil(std::log10(r / 10))) * 0.1;
    double e = 0;
    std::int32_t n = 0;
    do {
        n += 1;
        if (n > 100000) return false;
        e = e + unit;
        if (std::fabs(e - hi) < 1e-7) e = hi;
    } while (!(e >= hi));
    if (n > 30) {
        if (n > 60) {
            unit = unit * 4;
        } else {
            unit = unit * 2;
        }
        if (e - unit >= hi) e = e - unit;
    } else if (n < 15) {
        unit = unit * 0.5;
        if (e - unit >= hi) e = e - unit;
    }
    lo = 0;
    hi = e;
    step = unit;
    return true;
}

namespace {

double Radius(const TDot& f, bool fillRad) { return fillRad ? f.FillRadius : f.Radius; }

bool Passes(const TDot& f, const TFilterSettings& s, double largestRadius) {
    bool fill = true, radial = true;
    if (s.FFilter && s.FBarrier / 100.0 > f.Filling) fill = false;
    if (s.RFilter && s.RBarrier / 100.0 * largestRadius >= Radius(f, s.FillRad)) radial = false;
    return fill && radial;
}

template <typename TValue>
void Distribution(ISeries& series, double lo, double hi, const std::vector<TDot>& dots, const std::vector<bool>& passes,
                  std::int32_t number, TValue value) {
    double step = 0;
    if (!ChooseBinsLiteral(lo, hi, step)) ChooseBins(lo, hi, step);
    double e = lo;
    while (e < hi) {
        std::int32_t n = 0;
        for (std::size_t i = 0; i < dots.size(); ++i) {
            if (!passes[i]) continue;
            const double v = value(dots[i]);
            if (e < v && v <= e + step) n += 1;
        }
        series.AddPoint(e, std::nearbyint(static_cast<double>(n) * 1000 / number) / 10);
        e = e + step;
    }
    series.AddPoint(e, 0);
}

}  // namespace

void ComputeResults(std::vector<TDot>& dots, const TResultsInput& in, double& smallestRadius, double& largestRadius,
                    TAnalysisResults& r, ISeries& radiusSeries, ISeries& distanceSeries, ISeries& areaSeries) {
    auto convert = [&](double x) { return in.Factor * x; };
    const bool fillRad = in.Filter.FillRad;
    r.Number = 0;
    r.MeanRadius = 0;
    r.Filling = 0;
    r.MeanDistance = 0;
    radiusSeries.Clear();
    radiusSeries.SetAreaColor(in.GraphsColor);
    distanceSeries.Clear();
    distanceSeries.SetAreaColor(in.GraphsColor);
    areaSeries.Clear();
    areaSeries.SetAreaColor(in.GraphsColor);
    if (dots.empty()) return;
    smallestRadius = 1.0;
    largestRadius = 0.0;
    for (const TDot& f : dots) {
        const double rf = Radius(f, fillRad);
        if (smallestRadius > largestRadius) {
            smallestRadius = rf;
            largestRadius = rf;
        } else {
            if (rf < smallestRadius) smallestRadius = rf;
            if (rf > largestRadius) largestRadius = rf;
        }
    }
    double distMin = 1.0, distMax = 0.0, areaMin = 1.0, areaMax = 0.0;
    std::vector<bool> passes(dots.size());
    for (std::size_t i = 0; i < dots.size(); ++i) passes[i] = Passes(dots[i], in.Filter, largestRadius);
    for (std::size_t i = 0; i < dots.size(); ++i) {
        TDot& f = dots[i];
        if (!passes[i]) continue;
        r.Number += 1;
        r.MeanRadius += Radius(f, fillRad);
        r.Filling += M_PI * f.Filling * f.Radius * f.Radius;
        const double s = convert(f.Radius);
        f.Area = M_PI * f.Filling * s * s;
        if (areaMin > areaMax) {
            areaMin = areaMax = f.Area;
        } else {
            if (f.Area < areaMin) areaMin = f.Area;
            if (f.Area > areaMax) areaMax = f.Area;
        }
        double g = 0;
        for (std::size_t h = 0; h < dots.size(); ++h) {
            if (h == i || !passes[h]) continue;
            const double dx = f.X - dots[h].X, dy = f.Y - dots[h].Y;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (g > 0) {
                if (g > d) g = d;
            } else {
                g = d;
            }
        }
        f.Distance = convert(g);
        if (distMin > distMax) {
            distMin = distMax = f.Distance;
        } else {
            if (f.Distance < distMin) distMin = f.Distance;
            if (f.Distance > distMax) distMax = f.Distance;
        }
        r.MeanDistance += f.Distance;
    }
    if (r.Number >= 1) {
        r.MeanDistance = r.MeanDistance / r.Number;
        r.MeanRadius = convert(r.MeanRadius / r.Number);
    } else {
        r.MeanDistance = 0;
        r.MeanRadius = 0;
    }
    const std::int32_t w = in.Right - in.Left + 1, h = in.Bottom - in.Top + 1;
    r.ZoneArea = convert(w) * convert(h);
    const double p = static_cast<double>(w * h);
    if (std::fabs(p) <= 1e-12) {
        r.Filling = 0;
    } else {
        r.Filling = r.Filling / p;
    }
    if (r.Number < 1) return;
    Distribution(radiusSeries, 0, convert(largestRadius), dots, passes, r.Number,
                 [&](const TDot& f) { return convert(Radius(f, fillRad)); });
    Distribution(distanceSeries, 0, distMax, dots, passes, r.Number, [](const TDot& f) { return f.Distance; });
    Distribution(areaSeries, areaMin, areaMax, dots, passes, r.Number, [](const TDot& f) { return f.Area; });
}

}  // namespace Reference
