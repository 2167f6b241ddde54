#pragma once
// Program-wide display parameters: drawing colours and option flags (sections COLORS, FLAGS).
#include <array>
#include <cstdint>

class TParams {
public:
    TParams();   // defaults, then reads COLORS and FLAGS
    ~TParams();  // writes COLORS and FLAGS back
    TParams(const TParams&) = delete;
    TParams& operator=(const TParams&) = delete;

    static constexpr std::int32_t DefaultColors[9] = {0, 65535, 65280, 32896, 32768,
                                                      12639424, 12639424, 16776960, 255};
    // Indexed 1..8 and 1..7 as in the settings keys; element 0 is unused.
    std::array<std::int32_t, 9> Colors{};
    std::array<bool, 8> Flags{};
};

// The one display-parameters object; valid between program start-up and shut-down.
extern TParams* Params;
