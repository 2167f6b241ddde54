// Separable cubic B-spline resampling of 8-bit gray images.
//
// Destination pixel d (per axis) has its centre at source position c = (d + 0.5)/s - 0.5, s the
// scale. It takes the source pixels i within the filter's support, weighted B((i - c)·f) with
// f = min(s, 1): the kernel keeps its radius of 2 source pixels when enlarging and is widened
// by 1/s when shrinking, so every source pixel contributes. Pixels beyond the edges repeat the
// edge pixel, and each destination pixel's weights are normalised to sum 1. The result is
// rounded to the nearest level (halves to even) and clamped to 0..255.
//
// Weight tables are built once per axis. Rows are filtered horizontally into a float row, and
// each filtered row is added at once into the few destination rows that use it, so the
// memory needed is a handful of rows whatever the scale.
#include "platform/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

double BSpline(double t) {
    t = std::fabs(t);
    if (t < 1.0) return 2.0 / 3.0 - t * t + t * t * t / 2.0;
    if (t < 2.0) {
        const double u = 2.0 - t;
        return u * u * u / 6.0;
    }
    return 0.0;
}

// The source indices and weights of every destination index along one axis. Destination
// index d reads Count[d] consecutive source indices from First[d], with weights from
// Weights[Offset[d]] on. Taps beyond the edges are folded onto the edge pixels.
struct TTaps {
    std::vector<std::int32_t> First, Count;
    std::vector<std::size_t> Offset;
    std::vector<float> Weights;

    std::int32_t Last(std::int32_t d) const { return First[d] + Count[d] - 1; }
};

TTaps MakeTaps(std::int32_t srcN, std::int32_t dstN) {
    TTaps taps;
    taps.First.resize(dstN);
    taps.Count.resize(dstN);
    taps.Offset.resize(dstN);
    const double scale = static_cast<double>(dstN) / srcN;
    const double squeeze = std::min(scale, 1.0);
    const double radius = 2.0 / squeeze;
    std::vector<double> w;
    // The second half mirrors the first exactly, so a mirrored image gives a mirrored result.
    const std::int32_t half = (dstN + 1) / 2;
    std::vector<std::vector<float>> firstHalf(half);
    for (std::int32_t d = 0; d < half; ++d) {
        // (d + 0.5)·srcN/dstN - 0.5 from an exact integer numerator: one rounding only, so
        // the middle pixel of an odd size is centred exactly.
        const double centre = static_cast<double>((2 * static_cast<std::int64_t>(d) + 1) * srcN - dstN) /
                              (2.0 * dstN);
        const auto lo = static_cast<std::int64_t>(std::ceil(centre - radius));
        const auto hi = static_cast<std::int64_t>(std::floor(centre + radius));
        const std::int64_t first = std::clamp<std::int64_t>(lo, 0, srcN - 1);
        const std::int64_t last = std::clamp<std::int64_t>(hi, 0, srcN - 1);
        w.assign(static_cast<std::size_t>(last - first + 1), 0.0);
        double sum = 0.0;
        for (std::int64_t i = lo; i <= hi; ++i) {
            const double b = BSpline((static_cast<double>(i) - centre) * squeeze);
            w[static_cast<std::size_t>(std::clamp<std::int64_t>(i, 0, srcN - 1) - first)] += b;
            sum += b;
        }
        taps.First[d] = static_cast<std::int32_t>(first);
        taps.Count[d] = static_cast<std::int32_t>(w.size());
        firstHalf[d].resize(w.size());
        for (std::size_t k = 0; k < w.size(); ++k) firstHalf[d][k] = static_cast<float>(w[k] / sum);
    }
    for (std::int32_t d = half; d < dstN; ++d) {
        const std::int32_t m = dstN - 1 - d;
        taps.First[d] = srcN - 1 - taps.Last(m);
        taps.Count[d] = taps.Count[m];
    }
    std::size_t total = 0;
    for (std::int32_t d = 0; d < dstN; ++d) {
        taps.Offset[d] = total;
        total += static_cast<std::size_t>(taps.Count[d]);
    }
    taps.Weights.resize(total);
    for (std::int32_t d = 0; d < dstN; ++d) {
        const std::vector<float>& src = firstHalf[d < half ? d : dstN - 1 - d];
        float* to = taps.Weights.data() + taps.Offset[d];
        if (d < half)
            std::copy(src.begin(), src.end(), to);
        else
            std::reverse_copy(src.begin(), src.end(), to);
    }
    return taps;
}

// Rounds to the nearest integer, halves to even, for 0 <= v <= 255: adding 1.5·2^23 leaves no
// fraction bits, and the addition rounds in the default (nearest-even) mode.
inline std::uint8_t ToLevel(float v) {
    v = v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v;
    const float magic = 12582912.0f;
    return static_cast<std::uint8_t>(static_cast<int>((v + magic) - magic));
}

}  // namespace

void ResampleBSpline(const std::uint8_t* src, std::int32_t srcWidth, std::int32_t srcHeight,
                     std::uint8_t* dst, std::int32_t dstWidth, std::int32_t dstHeight) {
    if (dstWidth <= 0 || dstHeight <= 0) return;
    const std::size_t dstW = static_cast<std::size_t>(dstWidth);
    if (srcWidth <= 0 || srcHeight <= 0) {
        std::memset(dst, 0, dstW * static_cast<std::size_t>(dstHeight));
        return;
    }
    const TTaps across = MakeTaps(srcWidth, dstWidth);
    const TTaps down = MakeTaps(srcHeight, dstHeight);

    // The most destination rows that use one source row: that many accumulators suffice.
    std::int32_t open = 1;
    for (std::int32_t i = 0, a = 0, b = 0; i < srcHeight; ++i) {
        while (b < dstHeight && down.First[b] <= i) ++b;
        while (a < b && down.Last(a) < i) ++a;
        open = std::max(open, b - a);
    }
    std::vector<float> sums(static_cast<std::size_t>(open) * dstW);
    std::vector<float> line(static_cast<std::size_t>(srcWidth));
    std::vector<float> filtered(dstW);

    std::int32_t nextOpen = 0, nextClose = 0;  // destination rows [nextClose, nextOpen) are open
    for (std::int32_t i = 0; i < srcHeight; ++i) {
        while (nextOpen < dstHeight && down.First[nextOpen] <= i) {
            std::fill_n(sums.data() + static_cast<std::size_t>(nextOpen % open) * dstW, dstW, 0.0f);
            ++nextOpen;
        }
        if (nextClose == nextOpen) continue;  // no destination row reads this source row

        const std::uint8_t* in = src + static_cast<std::size_t>(i) * static_cast<std::size_t>(srcWidth);
        for (std::int32_t x = 0; x < srcWidth; ++x) line[x] = in[x];
        for (std::size_t x = 0; x < dstW; ++x) {
            const float* s = line.data() + across.First[x];
            const float* wt = across.Weights.data() + across.Offset[x];
            const std::int32_t n = across.Count[x];
            float acc = 0.0f;
            for (std::int32_t k = 0; k < n; ++k) acc += wt[k] * s[k];
            filtered[x] = acc;
        }

        for (std::int32_t y = nextClose; y < nextOpen; ++y) {
            float* sum = sums.data() + static_cast<std::size_t>(y % open) * dstW;
            const std::int32_t k = i - down.First[y];
            if (k >= down.Count[y]) continue;
            const float wt = down.Weights[down.Offset[y] + static_cast<std::size_t>(k)];
            const float* f = filtered.data();
            for (std::size_t x = 0; x < dstW; ++x) sum[x] += wt * f[x];
        }

        while (nextClose < nextOpen && down.Last(nextClose) <= i) {
            const float* sum = sums.data() + static_cast<std::size_t>(nextClose % open) * dstW;
            std::uint8_t* out = dst + static_cast<std::size_t>(nextClose) * dstW;
            for (std::size_t x = 0; x < dstW; ++x) out[x] = ToLevel(sum[x]);
            ++nextClose;
        }
    }
}
