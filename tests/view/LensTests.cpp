// The lens: 48 x 48 picture pixels around the pointer, three times enlarged, shifted at the
// left and top borders and cut at the right and bottom ones, with an XOR cross-hair.
#include "view/ViewFixture.h"

namespace {

struct TLensCase {
    int PictureX, PictureY;  // pointer position in picture pixels (50 %: view = p / 2 + 8)
    TDrawRect Src, Dst;
};

}  // namespace

TEST_F(TViewTest, LensRectangles) {
    Start("[PICTURE]\nZoom=2\n");
    Load(200, 120, [](int x, int y) { return (x * 7 + y * 3) % 256; });
    Lens.KeepPixels = true;
    const TLensCase cases[] = {
        {100, 80, {76, 56, 48, 48}, {0, 0, 142, 142}},    // inside: about three times
        {10, 6, {0, 0, 34, 30}, {42, 54, 100, 88}},       // left and top: shifted by 3 per pixel
        {190, 110, {166, 86, 34, 34}, {0, 0, 102, 102}},  // right and bottom: cut, exactly three times
    };
    for (const TLensCase& c : cases) {
        Lens.Ops.clear();
        Kernel->MouseMove(TShiftState{}, c.PictureX / 2 + 8, c.PictureY / 2 + 8, true);
        EXPECT_EQ(Lens.Count(TDrawOp::kInvalidate), 1);
        Lens.Ops.clear();
        Kernel->PaintLens();
        const auto images = Lens.Of(TDrawOp::kImage);
        ASSERT_EQ(images.size(), 1u);
        const TDrawOp& im = images[0];
        // The patch handed over is the source region itself, from (0, 0).
        EXPECT_EQ(im.Src.Width, c.Src.Width);
        EXPECT_EQ(im.Src.Height, c.Src.Height);
        EXPECT_EQ(im.Dst.X, c.Dst.X);
        EXPECT_EQ(im.Dst.Y, c.Dst.Y);
        EXPECT_EQ(im.Dst.Width, c.Dst.Width);
        EXPECT_EQ(im.Dst.Height, c.Dst.Height);
        // Gray source pixels, no zoom and no band colouring.
        ASSERT_EQ(im.Pixels.size(), static_cast<std::size_t>(c.Src.Width * c.Src.Height));
        for (int y = 0; y < c.Src.Height; y += 7)
            for (int x = 0; x < c.Src.Width; x += 5) {
                const std::uint32_t g = static_cast<std::uint32_t>(((c.Src.X + x) * 7 + (c.Src.Y + y) * 3) % 256);
                EXPECT_EQ(im.Pixels[static_cast<std::size_t>(y * c.Src.Width + x)], PackRgb(g, g, g));
            }
        // Cross-hair in XOR yellow at the lens's middle.
        const auto lines = Lens.Of(TDrawOp::kLine);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].A.x, 71);
        EXPECT_EQ(lines[0].A.y, 0);
        EXPECT_EQ(lines[0].B.x, 71);
        EXPECT_EQ(lines[0].B.y, 142);
        EXPECT_EQ(lines[1].A.y, 71);
        EXPECT_EQ(lines[1].B.x, 142);
        for (const TDrawOp& l : lines) {
            EXPECT_TRUE(l.Xor);
            EXPECT_EQ(l.Color, 0x00FFFF);
        }
        EXPECT_FALSE(Lens.PenXor);
    }
}

TEST_F(TViewTest, LensFarOutsideThePictureDrawsOnlyTheCrossHair) {
    Start("[PICTURE]\nZoom=3\n");
    Load(100, 80, [](int, int) { return 40; });
    for (const TPoint p : {TPoint{-100, 40}, TPoint{40, -100}, TPoint{300, 40}, TPoint{40, 300}}) {
        Lens.Ops.clear();
        Kernel->MouseMove(TShiftState{}, p.x, p.y, false);
        Kernel->PaintLens();
        EXPECT_EQ(Lens.Count(TDrawOp::kImage), 0);
        EXPECT_EQ(Lens.Count(TDrawOp::kLine), 2);
    }
}
