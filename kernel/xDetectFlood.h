#pragma once
// The flood of the detection, run literally where it matters: in a connected region of more
// than FloodLimit band pixels the depth-first visiting order decides which pixels each seed
// gathers, so such regions are flooded exactly as the recursive flood does it (neighbours
// left, right, below, above; each pixel examined when its call runs; at most FloodLimit
// pixels per seed; seeds in row-major order of the pixels still unexamined).
#include <cstdint>
#include <vector>

#include "kernel/xDetect.h"
#include "kernel/xDetectAlloc.h"
#include "kernel/xDetectMath.h"

// One group gathered from one seed, with the sums of its pixels.
struct TFloodGroup {
    std::int64_t Key = 0;  // row-major position of its seed (y * image width + x)
    std::int64_t N = 0;
    std::int64_t S2X = 0;  // twice the sums of the pixel centres
    std::int64_t S2Y = 0;
    std::int32_t SegBegin = 0;  // its pixels: Segments[SegBegin, SegEnd)
    std::int32_t SegEnd = 0;
    double X = 0.0;   // centre and largest squared distance, as Compute gives them
    double Y = 0.0;
    double R2 = 0.0;
};

class TLiteralFlood {
public:
    explicit TLiteralFlood(std::int32_t imageWidth) : Width(imageWidth) {}

    // Floods the regions whose runs, in row-major order, are runs[offsets[l], offsets[l + 1]).
    // Regions never touch each other.
    void FloodRegions(const TBigVector<Detect::TSegment>& runs, const std::vector<std::int64_t>& offsets);

    // The groups of 4 pixels or more, in row-major order of their seeds; smaller groups are
    // dropped (their pixels stay examined).
    std::vector<TFloodGroup> Groups;
    TBigVector<Detect::TSegment> Segments;

private:
    // A row piece accepted in one go, with the calls its pixels still have to make.
    struct TChain {
        std::size_t Lo, Hi;  // the pixels of the chain, in map positions
        std::size_t Next;    // the pixel whose calls run next
        std::uint8_t Stage;  // which of its calls
        bool Left;
    };

    void PrepareMap(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                    const Detect::TSegment* runBegin, const Detect::TSegment* runEnd);
    std::size_t MapIndex(std::int32_t x, std::int32_t y) const;
    void FloodRuns(const Detect::TSegment* runBegin, const Detect::TSegment* runEnd);
    void Flood(std::size_t seed, std::int64_t key);
    static std::uint64_t FreeUpDown(const std::uint8_t* map, std::size_t j, std::size_t w);
    std::size_t NextFreeUpDown(std::size_t j, std::size_t end) const;
    std::size_t PrevFreeUpDown(std::size_t lo, std::size_t j) const;
    void EnterLeft(TFloodGroup& g, std::size_t c);
    void EnterRight(TFloodGroup& g, std::size_t c);
    void AddSegment(TFloodGroup& g, std::size_t lo, std::size_t hi);

    std::int32_t Width;
    TBigVector<std::uint8_t> Map;  // 0: unexamined band pixel; 1: anything else
    std::int32_t MapX0 = 0, MapY0 = 0;
    std::size_t MapWidth = 0;
    std::vector<TChain> Chains;    // at most one per accepted pixel
    std::size_t ChainCount = 0;
    std::int32_t FloodCount = 0;
    bool FloodDone = false;
};
