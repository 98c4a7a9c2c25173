// Buttons and scripts driven through the player as the widget drives it: a
// two-page movie whose button on page one goes to page two, where a frame
// script stops; the button's looks follow the pointer; a script that never
// ends is stopped and the movie goes on.

#include "support/assembled.h"
#include "support/pixel_box.h"
#include "swf/format/movie_builder.h"
#include "swf/player.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>

using namespace swf;

namespace {

const Rgba kUp{200, 0, 0, 255};
const Rgba kOver{0, 200, 0, 255};
const Rgba kDown{0, 0, 200, 255};
const Rgba kPageTwo{200, 200, 0, 255};

// GotoFrame(1) then Play: page two, whose own script stops there.
const Bytes kGoToPageTwo = {0x81, 0x02, 0x00, 0x01, 0x00, 0x06, 0x00};
const Bytes kStop = {0x07, 0x00};
const Bytes kTraceAlive = {0x96, 0x07, 0x00, 0x00, 'a', 'l', 'i', 'v', 'e', 0x00, 0x26, 0x00};
// A jump back onto itself: a loop without end.
const Bytes kForever = {0x99, 0x02, 0x00, 0xFB, 0xFF, 0x00};

using test::box;

// `rootScript` runs in the first frame before the stop.
Bytes twoPageMovie(const Bytes& rootScript = {})
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    b.setBackground({255, 255, 255, 255});
    const auto up = b.defineRectangle(box(0, 0, 100, 100), solidFill(kUp));
    const auto over = b.defineRectangle(box(0, 0, 100, 100), solidFill(kOver));
    const auto down = b.defineRectangle(box(0, 0, 100, 100), solidFill(kDown));
    const auto page = b.defineRectangle(box(0, 0, 200, 200), solidFill(kPageTwo));
    const auto button = b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        auto record = [](std::uint16_t character, bool u, bool o, bool d, bool hit) {
            ButtonRecord r;
            r.characterId = character;
            r.depth = 1;
            r.stateUp = u;
            r.stateOver = o;
            r.stateDown = d;
            r.stateHitTest = hit;
            return r;
        };
        def.records = {record(up, true, false, false, true), record(over, false, true, false, false),
                       record(down, false, false, true, false)};
        def.condActions = {ButtonCondAction{std::uint16_t(1u << 11), kGoToPageTwo}};
        return Tag(def);
    });
    b.place(1, button, Matrix::translation(Twips::fromPixels(50), Twips::fromPixels(50)));
    if (!rootScript.empty())
        b.add(DoAction{rootScript});
    b.add(DoAction{kStop});
    b.showFrame();
    b.remove(1);
    b.place(2, page);
    b.add(DoAction{kStop});
    b.showFrame();
    b.showFrame();
    return b.bytes();
}

Rgba pixelAt(const Player& player, int x, int y)
{
    const QColor c = player.renderImage().pixelColor(x, y);
    return Rgba{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()), 255};
}

void pointAt(Player& player, double x, double y)
{
    player.mouseMove(QPointF(x, y), QRectF(0, 0, 200, 200), ScaleMode::ShowAll);
}

} // namespace

TEST(Interaction, ButtonGoesToPageTwoWhereTheFrameScriptStops)
{
    auto player = Player::fromBytes(twoPageMovie());
    ASSERT_TRUE(player.ok()) << player.error().message;
    Player& p = **player;
    ASSERT_TRUE(p.runsScripts());
    for (int i = 0; i < 5; ++i)
        p.advance();
    EXPECT_EQ(p.currentFrame(), 0) << "page one's script stops the movie";

    // A click outside the button does nothing.
    pointAt(p, 10, 10);
    p.mousePress();
    p.mouseRelease();
    EXPECT_EQ(p.currentFrame(), 0);

    pointAt(p, 100, 100);
    EXPECT_TRUE(p.pointerOverButton());
    p.mousePress();
    EXPECT_EQ(p.currentFrame(), 0) << "the button acts on release";
    p.mouseRelease();
    EXPECT_EQ(p.currentFrame(), 1);
    for (int i = 0; i < 5; ++i)
        p.advance();
    EXPECT_EQ(p.currentFrame(), 1) << "page two's script stops there";
    EXPECT_EQ(pixelAt(p, 100, 100), kPageTwo);
    EXPECT_FALSE(p.pointerOverButton());
}

TEST(Interaction, MovingTheRootMovesWhatItDrawsAndWhereItIsHit)
{
    // _root._x = 50; _root._y = 50: the button at (50, 50) now covers 100 to 200.
    auto player = Player::fromBytes(twoPageMovie(swf::script::test::assembled(R"(push "_root"
        GetVariable
        push "_x", 50
        SetMember
        push "_root"
        GetVariable
        push "_y", 50
        SetMember)")));
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    EXPECT_EQ(pixelAt(p, 75, 75), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(p, 150, 150), kUp);
    pointAt(p, 75, 75);
    EXPECT_FALSE(p.pointerOverButton());
    pointAt(p, 150, 150);
    EXPECT_TRUE(p.pointerOverButton());
    EXPECT_EQ(pixelAt(p, 150, 150), kOver);
}

TEST(Interaction, ButtonShowsItsUpOverAndDownStates)
{
    auto player = Player::fromBytes(twoPageMovie());
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    EXPECT_EQ(pixelAt(p, 100, 100), kUp);
    pointAt(p, 100, 100);
    EXPECT_EQ(pixelAt(p, 100, 100), kOver);
    p.mousePress();
    EXPECT_EQ(pixelAt(p, 100, 100), kDown);
    // Dragged off while pressed: over state; released outside: up, and no action.
    pointAt(p, 10, 10);
    EXPECT_EQ(pixelAt(p, 100, 100), kOver);
    p.mouseRelease();
    EXPECT_EQ(pixelAt(p, 100, 100), kUp);
    EXPECT_EQ(p.currentFrame(), 0);
}

TEST(Interaction, AScriptThatNeverEndsIsStoppedAndTheMovieGoesOn)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{kForever});
    b.showFrame();
    b.add(DoAction{kTraceAlive});
    b.add(DoAction{kStop});
    b.showFrame();
    auto player = Player::fromBytes(b.bytes());
    ASSERT_TRUE(player.ok());
    Player& p = **player;
    std::vector<std::string> lines;
    p.setTraceHandler([&lines](const std::string& line) { lines.push_back(line); });
    const auto start = std::chrono::steady_clock::now();
    p.advance();
    p.advance();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(p.currentFrame(), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "alive");
}
