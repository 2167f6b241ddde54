#pragma once
// What the kernel's view operations need of a place to draw on: the image view, the lens
// and the filter range bar. The desktop program implements it on a back buffer per widget;
// tests record the calls. Coordinates are pixels of the surface.
//
// Colours are colour values as the display parameters store them: red in the low byte,
// then green, then blue; the implementation also resolves the symbolic values the colour
// chooser can return (system colours, no colour).
#include <cstdint>
#include <string>

#include "settings/xScale.h"  // TPoint

enum class TPenStyle : std::uint8_t { Solid, Dot };

enum class TViewCursor : std::uint8_t { Arrow, SizeWE, SizeNS };

// A rectangle by its origin and size.
struct TDrawRect {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;

    // Width and height of the surface (the lens uses them for its target and cross-hair).
    virtual TPoint ClientSize() const = 0;

    // The pen for lines and outlines, one pixel wide. In XOR mode every pixel the pen (and
    // a rectangle's fill) touches is inverted with the colour, so drawing the same thing
    // twice restores the surface exactly.
    virtual void SetPen(std::int32_t color, TPenStyle style, bool xorMode) = 0;

    // A line from a to b, the end point excluded (a pen moved from a to b).
    virtual void Line(TPoint a, TPoint b) = 0;

    // Rectangle over the columns a.x .. b.x - 1 and rows a.y .. b.y - 1: outlined with the
    // pen and filled with the surface's background colour.
    virtual void Rectangle(TPoint a, TPoint b) = 0;

    // Outline of the ellipse inscribed in the box a .. b (b excluded, as for Rectangle).
    virtual void Ellipse(TPoint a, TPoint b) = 0;

    // Width and height the text takes in the surface's font.
    virtual TPoint TextExtent(const std::string& text) const = 0;

    // Text in the surface's font with its top-left corner at p, on a transparent background.
    virtual void TextOut(TPoint p, const std::string& text, std::int32_t color) = 0;

    // Copies the region src of a 32-bit image (pixels 0xFFRRGGBB, row-major, stride in
    // pixels) into the rectangle dst of the surface, stretched when the sizes differ.
    virtual void DrawImage(const std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                           std::int32_t stride, TDrawRect src, TDrawRect dst) = 0;

    // The system focus rectangle with corners a and b: dotted and drawn by inversion, so
    // that drawing it a second time erases it.
    virtual void FocusRect(TPoint a, TPoint b) = 0;

    // The pointer shape over the surface.
    virtual void SetCursor(TViewCursor cursor) = 0;

    // Asks the surface's owner to repaint it completely (through its paint handler).
    virtual void Invalidate() = 0;
};
