// An allocation that fails anywhere in the engine ends the movie, not the
// program: loading returns an error, and a movie that fails while it plays
// stands still on its background and says why. And a bitmap that declares a
// large size never allocates it on the strength of a few bytes.

#include "support/failing_allocations.h"
#include "swf/format/actions.h"
#include "swf/format/bitmaps.h"
#include "swf/format/movie_builder.h"
#include "swf/player.h"
#include "swf/render/bitmap_library.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace swf;
using veskor::testing::FailingAllocations;

namespace {

const Rgba kBackground{10, 120, 200, 255};

// A script that makes a 4 MiB string.
ActionWriter bigString()
{
    ActionWriter w;
    w.pushString("s").pushString("abcdefgh").op(ActionCode::SetVariable);
    for (int i = 0; i < 19; ++i) {
        w.pushString("s").pushString("s").op(ActionCode::GetVariable).pushString("s").op(ActionCode::GetVariable);
        w.op(ActionCode::Add2).op(ActionCode::SetVariable);
    }
    return w;
}

Bytes movie(const std::vector<ActionWriter>& frames)
{
    MovieBuilder b(Twips::fromPixels(40), Twips::fromPixels(30), 12, 8);
    b.setBackground(kBackground);
    b.defineRectangle(Rect{Twips(0), Twips::fromPixels(40), Twips(0), Twips::fromPixels(30)}, solidFill({255, 0, 0, 255}));
    b.place(1, 1);
    for (const ActionWriter& script : frames) {
        b.add(DoAction{script.bytes()});
        b.showFrame();
    }
    return b.bytes();
}

} // namespace

TEST(AllocationFailure, LoadingReturnsAnError)
{
    const Bytes bytes = movie({bigString()});
    FailingAllocations failing(1u << 20);
    auto player = Player::fromBytes(bytes);
    ASSERT_FALSE(player.ok());
    EXPECT_NE(player.error().message.find("memory"), std::string::npos);
}

TEST(AllocationFailure, AMovieThatFailsWhilePlayingStopsOnItsBackground)
{
    ActionWriter after;
    after.pushString("after").op(ActionCode::Trace);
    auto loaded = Player::fromBytes(movie({ActionWriter(), bigString(), after}));
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    Player& player = **loaded;
    std::string traced;
    player.setTraceHandler([&](const std::string& line) { traced += line; });
    EXPECT_EQ(player.renderImage().pixel(20, 15), qRgb(255, 0, 0));
    {
        FailingAllocations failing(1u << 20);
        player.advance();
    }
    ASSERT_TRUE(player.failed());
    EXPECT_FALSE(player.errorMessage().empty());

    // From here on the movie stands still whatever it is asked.
    const int frame = player.currentFrame();
    player.advance();
    player.gotoFrame(0);
    player.mousePress();
    player.keyPress(37, 0);
    EXPECT_EQ(player.currentFrame(), frame);
    EXPECT_EQ(traced, "");
    const QImage picture = player.renderImage(QSize(40, 30));
    EXPECT_EQ(picture.size(), QSize(40, 30));
    EXPECT_EQ(picture.pixel(20, 15), qRgb(kBackground.r, kBackground.g, kBackground.b));
}

TEST(AllocationFailure, ABitmapThatClaimsMoreThanItCarriesAllocatesLittle)
{
    // 8192x8192 pixels declared (256 MiB unpacked), a few bytes given.
    DefineBitsLossless bits;
    bits.version = 2;
    bits.format = 5;
    bits.width = bits.height = 8192;
    bits.zlibData = deflateBytes(Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    FailingAllocations failing(16u << 20);
    EXPECT_TRUE(render::decodeLossless(bits).isNull());
}
