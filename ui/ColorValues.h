#pragma once
// Colour values as the program stores them (red in the low byte, then green, then blue),
// the symbolic values the colour chooser can return, and their resolution to screen colours.
#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace ColorValue {

// "No colour": what is drawn in it is left out.
inline constexpr std::int32_t None = 0x1FFFFFFF;
// System colours: this bit pattern with the element index in the low byte.
inline constexpr std::int32_t SystemBase = static_cast<std::int32_t>(0x80000000u);

inline constexpr std::int32_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
inline bool IsSystem(std::int32_t v) { return (static_cast<std::uint32_t>(v) & 0xFF000000u) == 0x80000000u; }

// The colour to paint with; empty for "no colour".
std::optional<QColor> Resolve(std::int32_t value);
// Opaque 0xFFRRGGBB of a value; "no colour" gives fallback.
std::uint32_t ToArgb(std::int32_t value, std::uint32_t fallback = 0xFF000000u);
// A colour value from a screen colour.
std::int32_t FromQColor(const QColor& c);

enum class TGroup : std::uint8_t { Standard, Extended, System, None };
struct TNamed {
    std::int32_t Value;
    QString Name;
    TGroup Group;
};
// The colours the chooser offers, in its order: standard, extended, system, no colour.
const std::vector<TNamed>& NamedColors();

}  // namespace ColorValue
