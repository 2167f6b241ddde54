#include "settings/xScale.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "console/xConsole.h"

namespace {

const char* const Section = "SCALE";

struct TUnit {
    const char* Short;
    const char* Long;
    double Metres;
};

constexpr TUnit Units[] = {
    {"nm", "nanometre", 1e-9},
    {"um", "micrometre", 1e-6},
    {"mm", "millimetre", 0.001},
    {"cm", "centimetre", 0.01},
    {"m", "metre", 1.0},
};
constexpr TUnit UnknownUnit = {"unknown", "unknown", 0.0};

const TUnit& UnitOf(std::uint8_t dims) {
    return dims < std::size(Units) ? Units[dims] : UnknownUnit;
}

// 10^v. For v >= 0 by repeated squaring, every product rounded on its own: exact up to
// 10^22, which covers every exponent the program offers. A negative exponent only comes
// from a hand-edited settings file; it takes the library's power, whose result is the
// double nearest to 10^v.
double Power10(std::int32_t v) {
    if (v < 0) return std::pow(10.0, static_cast<double>(v));
    double result = 1.0;
    double base = 10.0;
    for (std::uint32_t n = static_cast<std::uint32_t>(v); n != 0;) {
        if (n & 1u) result *= base;
        n >>= 1;
        if (n != 0) base *= base;
    }
    return result;
}

// b - a + 1 without overflow: coordinates from the settings file can be any 32-bit values.
std::int32_t SpanLength(std::int32_t a, std::int32_t b) {
    const std::int64_t l = std::int64_t(b) - std::int64_t(a) + 1;
    if (l > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (l < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(l);
}

}  // namespace

TScale::TScale() {
    Console->Information("creating Scale");
    IniOpen(Console);
    // Only the low 8 bits of the unit index are kept, whatever the file holds.
    Dims = static_cast<std::uint8_t>(IniReadInteger(Console, Section, "Dims", Dims));
    Value = IniReadInteger(Console, Section, "Value", Value);
    LMX = IniReadInteger(Console, Section, "LMX", LMX);
    LMY = IniReadInteger(Console, Section, "LMY", LMY);
    RMX = IniReadInteger(Console, Section, "RMX", RMX);
    RMY = IniReadInteger(Console, Section, "RMY", RMY);
    Vertical = IniReadBool(Console, Section, "Vertical", Vertical);
    IniClose(Console);
    Recalc();
}

TScale::~TScale() {
    IniOpen(Console);
    IniWriteInteger(Console, Section, "Dims", Dims);
    IniWriteInteger(Console, Section, "Value", Value);
    IniWriteInteger(Console, Section, "LMX", LMX);
    IniWriteInteger(Console, Section, "LMY", LMY);
    IniWriteInteger(Console, Section, "RMX", RMX);
    IniWriteInteger(Console, Section, "RMY", RMY);
    IniWriteBool(Console, Section, "Vertical", Vertical);
    IniClose(Console);
}

std::int32_t TScale::MarkLength() const {
    return Vertical ? SpanLength(LMY, RMY) : SpanLength(LMX, RMX);
}

void TScale::Recalc() {
    const std::int32_t l = MarkLength();
    if (l != 0) {
        UsedLength = std::fabs(static_cast<double>(l));
    } else {
        // A mark placed along one axis can have no length along the other (its second end
        // one row above or one column left of its first). Switching Vertical, or a
        // hand-edited file, brings such a mark into force; it must not stop the program.
        // The scale keeps the length it already uses; at start, with none yet, it takes the
        // mark's length along the axis it was drawn on, or one pixel if that is 0 as well.
        std::string what = "kept";
        if (UsedLength == 0.0) {
            const std::int32_t across = Vertical ? SpanLength(LMX, RMX) : SpanLength(LMY, RMY);
            UsedLength = across != 0 ? std::fabs(static_cast<double>(across)) : 1.0;
            what = across != 0 ? "taken along the other axis" : "taken as one pixel";
        }
        Console->Log(std::string("scale mark has zero length along the ") +
                         (Vertical ? "y" : "x") + " axis: mark length " + what,
                     1);
    }
    // One correctly rounded division of an exact power of ten.
    Factor = Power10(Value) / UsedLength;
}

void TScale::SetMark(TPoint p1, TPoint p2) {
    const std::int32_t l = Vertical ? SpanLength(p1.y, p2.y) : SpanLength(p1.x, p2.x);
    if (l <= 0) return;  // drawn leftwards (upwards when vertical): ignored
    LMX = p1.x;
    LMY = p1.y;
    RMX = p2.x;
    RMY = p2.y;
    Recalc();
}

void TScale::SetValue(std::int32_t v) {
    if (v < 0) {
        Console->Error("Value must be positive");
        return;
    }
    Value = v;
    Recalc();
}

bool TScale::IsPlaced() const {
    // The coordinate across the mark's axis stays 0 until a mark has been placed.
    return Vertical ? (LMX >= 1 && RMX >= 1) : (LMY >= 1 && RMY >= 1);
}

std::int64_t TScale::MarkValue() const {
    const double p = std::nearbyint(Power10(Value));
    // 2^63 and beyond (exponents above 18, only from a hand-edited file) saturate.
    if (p >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(p);
}

const char* TScale::DimsName(bool shortName) const {
    const TUnit& u = UnitOf(Dims);
    return shortName ? u.Short : u.Long;
}

double TScale::DimsFactor() const { return UnitOf(Dims).Metres; }
