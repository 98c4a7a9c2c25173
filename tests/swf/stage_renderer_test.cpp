// Drawing the display tree: depth order, masks, sprites, colour transforms down the
// tree and the two scale modes, checked on pixels of movies written by the builder.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/format/writer.h"
#include "swf/player.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

// Pixels are 20 twips.
Rect pixels(int x, int y, int w, int h)
{
    return Rect{Twips(x * 20), Twips((x + w) * 20), Twips(y * 20), Twips((y + h) * 20)};
}

std::unique_ptr<Player> load(const MovieBuilder& b)
{
    auto player = Player::fromBytes(b.bytes());
    EXPECT_TRUE(player.ok()) << (player.ok() ? "" : player.error().message);
    return player.ok() ? std::move(player).value() : nullptr;
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

PlaceObject mask(std::uint16_t depth, std::uint16_t character, std::uint16_t clipDepth)
{
    PlaceObject p;
    p.depth = depth;
    p.characterId = character;
    p.clipDepth = clipDepth;
    return p;
}

TEST(StageRendererTest, HigherDepthsDrawOverLowerOnes)
{
    MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12);
    b.setBackground({255, 255, 255});
    const auto red = b.defineRectangle(pixels(0, 0, 20, 20), solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle(pixels(10, 0, 20, 20), solidFill({0, 0, 255}));
    // Placed in the opposite order of their depths.
    b.place(5, blue).place(2, red).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 5, 10), 0xFF0000u);
    EXPECT_EQ(at(image, 15, 10), 0x0000FFu);
    EXPECT_EQ(at(image, 35, 10), 0xFFFFFFu);
}

TEST(StageRendererTest, MasksClipUpToTheirClipDepthOnly)
{
    MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12);
    b.setBackground({255, 255, 255});
    const auto window = b.defineRectangle(pixels(0, 0, 10, 20), solidFill({0, 255, 0}));
    const auto red = b.defineRectangle(pixels(0, 0, 40, 10), solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle(pixels(0, 10, 40, 10), solidFill({0, 0, 255}));
    b.add(mask(1, window, 2)).place(2, red).place(3, blue).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 5, 5), 0xFF0000u);   // red inside the mask
    EXPECT_EQ(at(image, 25, 5), 0xFFFFFFu);  // red outside it: hidden
    EXPECT_EQ(at(image, 25, 15), 0x0000FFu); // blue is above the mask's range
    // The mask itself is never drawn.
    EXPECT_NE(at(image, 5, 15), 0x00FF00u);
}

// A layer mask a script masks, or masks another clip with, stops masking its
// layers for good, even once the script takes the mask away again: it is then
// drawn as a clip of its own and what it masked shows whole.
TEST(StageRendererTest, AScriptMaskEndsTheLayerMaskingOfTheClipsItJoins)
{
    auto render = [](const char* script) {
        MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12, 6);
        b.setBackground({255, 255, 255});
        swf::Timeline window, wide, corner;
        window.place(1, b.defineRectangle(pixels(0, 0, 10, 20), solidFill({0, 255, 0}))).showFrame();
        wide.place(1, b.defineRectangle(pixels(0, 0, 40, 10), solidFill({255, 0, 0}))).showFrame();
        corner.place(1, b.defineRectangle(pixels(30, 10, 10, 10), solidFill({0, 0, 255}))).showFrame();
        PlaceObject layerMask = mask(1, b.defineSprite(window), 2);
        layerMask.name = "a";
        b.add(layerMask).place(2, b.defineSprite(wide), {}, {}, "b").place(3, b.defineSprite(corner), {}, {}, "c");
        b.add(DoAction{script::test::assembled(script)}).showFrame();
        auto player = load(b);
        return player ? player->renderImage() : QImage();
    };
    const QImage untouched = render("");
    EXPECT_EQ(at(untouched, 25, 5), 0xFFFFFFu);
    EXPECT_EQ(at(untouched, 5, 15), 0xFFFFFFu);
    // a.setMask(c); a.setMask(null)
    const char* maskedMask = R"(push "c"
        GetVariable
        push 1, "a"
        GetVariable
        push "setMask"
        CallMethod
        Pop
        push null, 1, "a"
        GetVariable
        push "setMask"
        CallMethod
        Pop)";
    // c.setMask(a); c.setMask(null)
    const char* maskingWithTheMask = R"(push "a"
        GetVariable
        push 1, "c"
        GetVariable
        push "setMask"
        CallMethod
        Pop
        push null, 1, "c"
        GetVariable
        push "setMask"
        CallMethod
        Pop)";
    for (const char* script : {maskedMask, maskingWithTheMask}) {
        SCOPED_TRACE(script);
        const QImage image = render(script);
        EXPECT_EQ(at(image, 5, 5), 0xFF0000u);   // b over a
        EXPECT_EQ(at(image, 25, 5), 0xFF0000u);  // b whole
        EXPECT_EQ(at(image, 5, 15), 0x00FF00u);  // a drawn
        EXPECT_EQ(at(image, 35, 15), 0x0000FFu); // c drawn again
    }
}

// A script's pixels show where a clip attaches them (attachBitmap) and where
// a drawing fills with them (beginBitmapFill), as they are each time they are
// drawn: a change to the pixels after the first picture shows in the next.
TEST(StageRendererTest, ScriptPixelsShowAsTheyAreWhereverAttachedOrFilled)
{
    MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12, 8);
    b.setBackground({255, 255, 255});
    // bmp = new flash.display.BitmapData(10, 10, false, 0xFF0000); attachBitmap(bmp, 1);
    // createEmptyMovieClip("f", 2); f.beginBitmapFill(bmp); f draws a square at 20..30.
    b.add(DoAction{script::test::assembled(R"(
        push "bmp", 16711680, false, 10, 10, 4, "flash"
        GetVariable
        push "display"
        GetMember
        push "BitmapData"
        NewMethod
        SetVariable
        push 1, "bmp"
        GetVariable
        push 2, "this"
        GetVariable
        push "attachBitmap"
        CallMethod
        Pop
        push 2, "f", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "bmp"
        GetVariable
        push 1, "f"
        GetVariable
        push "beginBitmapFill"
        CallMethod
        Pop
        push 0, 20, 2, "f"
        GetVariable
        push "moveTo"
        CallMethod
        Pop
        push 0, 30, 2, "f"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push 10, 30, 2, "f"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push 10, 20, 2, "f"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push 0, "f"
        GetVariable
        push "endFill"
        CallMethod
        Pop)")}).showFrame();
    // Frame 2: bmp.setPixel(1, 1, 0x0000FF)
    b.add(DoAction{script::test::assembled(R"(
        push 255, 1, 1, 3, "bmp"
        GetVariable
        push "setPixel"
        CallMethod
        Pop
        Stop)")}).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    QImage image = player->renderImage();
    EXPECT_EQ(at(image, 5, 5), 0xFF0000u);
    EXPECT_EQ(at(image, 15, 5), 0xFFFFFFu);
    // The fill's bitmap starts at the clip's origin and repeats.
    EXPECT_EQ(at(image, 25, 5), 0xFF0000u);
    EXPECT_EQ(at(image, 21, 1), 0xFF0000u);
    player->advance();
    image = player->renderImage();
    EXPECT_EQ(at(image, 1, 1), 0x0000FFu);
    EXPECT_EQ(at(image, 21, 1), 0x0000FFu);
    EXPECT_EQ(at(image, 2, 2), 0xFF0000u);
}

TEST(StageRendererTest, SpritesDrawTheirChildrenThroughTheirMatrixAndColour)
{
    MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12);
    b.setBackground({255, 255, 255});
    const auto red = b.defineRectangle(pixels(0, 0, 10, 10), solidFill({255, 0, 0}));
    swf::Timeline inner;
    // Inside the sprite a mask covers the left half of the square.
    const auto half = b.defineRectangle(pixels(0, 0, 5, 10), solidFill({0, 0, 0}));
    inner.add(mask(1, half, 2)).place(2, red).showFrame();
    const auto sprite = b.defineSprite(inner);
    ColorTransform toBlue;
    toBlue.rMult = 0;
    toBlue.bAdd = 255;
    b.place(1, sprite, Matrix::translation(Twips(20 * 20), Twips(20 * 5)), toBlue).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage image = player->renderImage();
    EXPECT_EQ(at(image, 22, 10), 0x0000FFu);
    EXPECT_EQ(at(image, 27, 10), 0xFFFFFFu);
    EXPECT_EQ(at(image, 2, 2), 0xFFFFFFu);
}

// An opaque background, from the placement or from a script, fills the box
// the clip's objects cover, beneath them; a frame drawn over the one before
// shows the one a script set as a fresh picture does.
TEST(StageRendererTest, AnOpaqueBackgroundFillsTheBoxOfTheClipBeneathIt)
{
    MovieBuilder b(Twips(20 * 60), Twips(20 * 20), 12, 8);
    b.setBackground({255, 255, 255});
    swf::Timeline corners;
    corners.place(1, b.defineRectangle(pixels(0, 0, 5, 5), solidFill({255, 0, 0})))
        .place(2, b.defineRectangle(pixels(15, 15, 5, 5), solidFill({255, 0, 0})))
        .showFrame();
    const auto sprite = b.defineSprite(corners);
    PlaceObject placed;
    placed.version = 3;
    placed.depth = 1;
    placed.characterId = sprite;
    placed.backgroundColor = Rgba{0, 0, 255, 255};
    b.add(placed);
    b.place(2, sprite, Matrix::translation(Twips(20 * 30), Twips(0)), {}, "t").showFrame();
    b.add(DoAction{script::test::assembled(R"(
        push "t"
        GetVariable
        push "opaqueBackground", 65280
        SetMember
    )")}).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    QImage image = player->renderFrame();
    EXPECT_EQ(at(image, 2, 2), 0xFF0000u);
    EXPECT_EQ(at(image, 10, 10), 0x0000FFu);
    EXPECT_EQ(at(image, 25, 10), 0xFFFFFFu);
    EXPECT_EQ(at(image, 40, 10), 0xFFFFFFu);
    player->advance();
    image = player->renderFrame();
    EXPECT_EQ(at(image, 40, 10), 0x00FF00u);
    EXPECT_EQ(at(image, 32, 2), 0xFF0000u);
    EXPECT_EQ(at(player->renderImage(), 40, 10), 0x00FF00u);
}

// A clip with a scroll rectangle shows only that part of its space, moved
// to its origin; setting it again scrolls what a frame drawn over the one
// before shows.
TEST(StageRendererTest, AScrollRectShowsItsPartOfTheClipAtTheClipsOrigin)
{
    MovieBuilder b(Twips(20 * 60), Twips(20 * 20), 12, 8);
    b.setBackground({255, 255, 255});
    swf::Timeline squares;
    squares.place(1, b.defineRectangle(pixels(10, 0, 10, 10), solidFill({255, 0, 0})))
        .place(2, b.defineRectangle(pixels(20, 0, 10, 10), solidFill({0, 0, 255})))
        .showFrame();
    b.place(1, b.defineSprite(squares), Matrix::translation(Twips(20 * 30), Twips(0)), {}, "s");
    b.add(DoAction{script::test::assembled(script::test::setScrollRect("s", 12, 0, 5, 5))}).showFrame();
    b.add(DoAction{script::test::assembled(script::test::setScrollRect("s", 22, 0, 5, 5))}).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    QImage image = player->renderFrame();
    EXPECT_EQ(at(image, 32, 2), 0xFF0000u); // x 12..17 of the clip at its origin
    EXPECT_EQ(at(image, 36, 2), 0xFFFFFFu); // cut off past the rectangle's width
    EXPECT_EQ(at(image, 42, 2), 0xFFFFFFu); // where the clip drew it without one
    EXPECT_EQ(at(image, 32, 7), 0xFFFFFFu); // and below its height
    player->advance();
    image = player->renderFrame();
    EXPECT_EQ(at(image, 32, 2), 0x0000FFu);
    EXPECT_EQ(at(player->renderImage(), 32, 2), 0x0000FFu);
}

TEST(StageRendererTest, ScaleModesFitTheStageIntoTheTarget)
{
    // A 40x20 stage, red on the left half, blue on the right, in an 80x80 target.
    MovieBuilder b(Twips(20 * 40), Twips(20 * 20), 12);
    b.setBackground({0, 255, 0});
    const auto red = b.defineRectangle(pixels(0, 0, 20, 20), solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle(pixels(20, 0, 20, 20), solidFill({0, 0, 255}));
    b.place(1, red).place(2, blue).showFrame();
    auto player = load(b);
    ASSERT_TRUE(player);
    const QImage all = player->renderImage(QSize(80, 80), ScaleMode::ShowAll);
    EXPECT_EQ(at(all, 40, 10), 0x00FF00u); // the margin above: background colour
    EXPECT_EQ(at(all, 20, 40), 0xFF0000u); // stage doubled, centred: rows 20..60
    EXPECT_EQ(at(all, 60, 40), 0x0000FFu);
    EXPECT_EQ(at(all, 40, 70), 0x00FF00u);
    const QImage fit = player->renderImage(QSize(80, 80), ScaleMode::ExactFit);
    EXPECT_EQ(at(fit, 20, 5), 0xFF0000u);
    EXPECT_EQ(at(fit, 60, 75), 0x0000FFu);
}

} // namespace
} // namespace swf
