#pragma once
// A drawing surface that records every call with the pen in force, so that tests can
// check the exact geometry of the view's drawing.
#include <string>
#include <vector>

#include "kernel/IDrawSurface.h"

struct TDrawOp {
    enum TKind { kLine, kRect, kEllipse, kText, kImage, kFocus, kCursor, kInvalidate };
    TKind Kind = kLine;
    TPoint A{}, B{};
    std::int32_t Color = 0;  // pen colour; the text's colour for Text
    TPenStyle Style = TPenStyle::Solid;
    bool Xor = false;
    std::string Text;
    TDrawRect Src{}, Dst{};
    std::vector<std::uint32_t> Pixels;  // image ops: the source region, row by row
    TViewCursor CursorShape = TViewCursor::Arrow;
};

class TRecordingSurface : public IDrawSurface {
public:
    explicit TRecordingSurface(std::int32_t width = 0, std::int32_t height = 0) : Size{width, height} {}

    TPoint ClientSize() const override { return Size; }
    void SetPen(std::int32_t color, TPenStyle style, bool xorMode) override {
        PenColor = color;
        PenStyle = style;
        PenXor = xorMode;
    }
    void Line(TPoint a, TPoint b) override { Ops.push_back(Op(TDrawOp::kLine, a, b)); }
    void Rectangle(TPoint a, TPoint b) override { Ops.push_back(Op(TDrawOp::kRect, a, b)); }
    void Ellipse(TPoint a, TPoint b) override { Ops.push_back(Op(TDrawOp::kEllipse, a, b)); }
    // Fixed metrics: 7 pixels per character, 13 pixels high.
    TPoint TextExtent(const std::string& text) const override {
        return TPoint{static_cast<std::int32_t>(text.size()) * 7, 13};
    }
    void TextOut(TPoint p, const std::string& text, std::int32_t color) override {
        TDrawOp o = Op(TDrawOp::kText, p, p);
        o.Text = text;
        o.Color = color;
        Ops.push_back(o);
    }
    void DrawImage(const std::uint32_t* pixels, std::int32_t, std::int32_t, std::int32_t stride, TDrawRect src,
                   TDrawRect dst) override {
        TDrawOp o = Op(TDrawOp::kImage, {}, {});
        o.Src = src;
        o.Dst = dst;
        if (KeepPixels) {
            for (std::int32_t y = 0; y < src.Height; ++y)
                for (std::int32_t x = 0; x < src.Width; ++x)
                    o.Pixels.push_back(pixels[static_cast<std::size_t>(src.Y + y) * stride + src.X + x]);
        }
        Ops.push_back(o);
    }
    void FocusRect(TPoint a, TPoint b) override { Ops.push_back(Op(TDrawOp::kFocus, a, b)); }
    void SetCursor(TViewCursor cursor) override {
        TDrawOp o = Op(TDrawOp::kCursor, {}, {});
        o.CursorShape = cursor;
        Ops.push_back(o);
    }
    void Invalidate() override { Ops.push_back(Op(TDrawOp::kInvalidate, {}, {})); }

    std::vector<TDrawOp> Of(TDrawOp::TKind kind) const {
        std::vector<TDrawOp> r;
        for (const TDrawOp& o : Ops)
            if (o.Kind == kind) r.push_back(o);
        return r;
    }
    int Count(TDrawOp::TKind kind) const { return static_cast<int>(Of(kind).size()); }

    TPoint Size;
    std::vector<TDrawOp> Ops;
    bool KeepPixels = false;
    std::int32_t PenColor = 0;
    TPenStyle PenStyle = TPenStyle::Solid;
    bool PenXor = false;

private:
    TDrawOp Op(TDrawOp::TKind kind, TPoint a, TPoint b) const {
        TDrawOp o;
        o.Kind = kind;
        o.A = a;
        o.B = b;
        o.Color = PenColor;
        o.Style = PenStyle;
        o.Xor = PenXor;
        return o;
    }
};
