#pragma once
// Feature detection over the zone of a gray image: every 4-connected group of pixels whose
// gray level lies in the band becomes a feature (at most 10000 pixels from one seed, groups
// under 4 pixels dropped, optionally merged when one radius circle lies inside another).
#include <cstdint>
#include <vector>

#include "kernel/xDot.h"

// gray: width x height bytes, row-major. The zone (left..right, top..bottom, inclusive) must
// lie inside the image. Pixels with filterMin <= gray <= filterMax belong to the band.
// dots is cleared and receives the features in the order of their seeds in the row-major
// scan, with their measures and without pixel lists.
void DetectDots(const std::uint8_t* gray, std::int32_t width, std::int32_t height,
                std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                std::int32_t filterMin, std::int32_t filterMax, bool containment,
                std::vector<TDot>& dots);

// The largest number of pixels one seed gathers.
inline constexpr std::int32_t FloodLimit = 10000;
