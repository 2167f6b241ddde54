#pragma once
// Measurement scale: pixels to physical lengths (section SCALE).
#include <cstdint>
#include <string>

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class TScale {
public:
    TScale();   // reads SCALE, then Recalc
    ~TScale();  // writes SCALE back
    TScale(const TScale&) = delete;
    TScale& operator=(const TScale&) = delete;

    void SetMark(TPoint p1, TPoint p2);
    void SetValue(std::int32_t v);
    void Recalc();
    double Convert(double x) const { return Factor * x; }
    bool IsPlaced() const;
    std::int32_t MarkLength() const;
    std::int64_t MarkValue() const;
    const char* DimsName(bool shortName) const;
    double DimsFactor() const;

    std::uint8_t Dims = 1;
    std::int32_t Value = 0;
    std::int32_t LMX = 0, LMY = 0, RMX = 100, RMY = 0;
    double Factor = 0.0;
    bool Vertical = false;

private:
    // Magnitude of the mark length behind Factor (0 until Recalc first finds a usable one).
    double UsedLength = 0.0;
};
