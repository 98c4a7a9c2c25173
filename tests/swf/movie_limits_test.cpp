// Movies that run into the engine's limits play on: a script that grows a
// string without end is stopped, a frame full of endless handlers and timers
// ends in about half a second, and Math.random draws what its seed says.

#include "swf/format/actions.h"
#include "swf/format/movie_builder.h"
#include "swf/player.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace swf;

namespace {

using Clock = std::chrono::steady_clock;

// A movie of one script per frame, on a small stage.
Bytes scriptMovie(const std::vector<ActionWriter>& frames)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    for (const ActionWriter& script : frames) {
        b.add(DoAction{script.bytes()});
        b.showFrame();
    }
    return b.bytes();
}

std::string traced(Player& player, int frames)
{
    std::string out;
    player.setTraceHandler([&out](const std::string& line) { out += line + "\n"; });
    for (int i = 0; i < frames; ++i)
        player.advance();
    return out;
}

} // namespace

TEST(MovieLimits, AStringDoubledForeverStopsItsScriptAndTheMovieGoesOn)
{
    // s = "x"; while (true) s = s + s;
    ActionWriter grow;
    grow.pushString("s").pushString("x").op(ActionCode::SetVariable).label("again");
    grow.pushString("s").pushString("s").op(ActionCode::GetVariable).pushString("s").op(ActionCode::GetVariable);
    grow.op(ActionCode::Add2).op(ActionCode::SetVariable).jump("again");
    ActionWriter alive;
    alive.pushString("alive").op(ActionCode::Trace);

    auto player = Player::fromBytes(scriptMovie({grow, alive}));
    ASSERT_TRUE(player.ok()) << player.error().message;
    EXPECT_EQ(traced(**player, 1), "alive\n");
    EXPECT_FALSE((*player)->failed());
}

TEST(MovieLimits, AFrameOfEndlessHandlersAndTimersEndsInAboutHalfASecond)
{
    // Eighty clips whose enterFrame never ends and ten interval timers that
    // never end: each call may run five million instructions, the frame far fewer.
    ActionWriter setup;
    setup.beginFunction("spin", {}).label("again").jump("again").endFunction();
    for (int i = 0; i < 80; ++i) {
        setup.pushInt(i).pushString("clip" + std::to_string(i)).pushInt(2);
        setup.pushString("_root").op(ActionCode::GetVariable).pushString("createEmptyMovieClip").op(ActionCode::CallMethod);
        setup.pushString("onEnterFrame").pushString("spin").op(ActionCode::GetVariable).op(ActionCode::SetMember);
    }
    for (int i = 0; i < 10; ++i) {
        setup.pushInt(1).pushString("spin").op(ActionCode::GetVariable).pushInt(2).pushString("setInterval");
        setup.op(ActionCode::CallFunction).op(ActionCode::Pop);
    }
    // As the program plays it, in a window.
    auto player = Player::fromBytes(scriptMovie({setup, ActionWriter(), ActionWriter()}),
                                    {.randomSeed = std::nullopt, .maxFrameMilliseconds = Player::kWindowFrameMilliseconds});
    ASSERT_TRUE(player.ok()) << player.error().message;
    for (int frame = 1; frame <= 3; ++frame) {
        const auto started = Clock::now();
        (*player)->advance();
        const auto took = Clock::now() - started;
        EXPECT_LT(took, std::chrono::milliseconds(1500)) << "frame " << frame;
        EXPECT_EQ((*player)->currentFrame(), frame % 3);
    }
    EXPECT_FALSE((*player)->failed());
}

TEST(MovieLimits, RandomNumbersFollowTheSeed)
{
    ActionWriter draw;
    for (int i = 0; i < 4; ++i)
        draw.pushInt(1'000'000).op(ActionCode::RandomNumber).op(ActionCode::Trace);
    const Bytes movie = scriptMovie({ActionWriter(), draw});
    auto run = [&](std::optional<std::uint32_t> seed) {
        auto player = Player::fromBytes(movie, {.randomSeed = seed});
        return player.ok() ? traced(**player, 1) : player.error().message;
    };
    const std::string repeatable = run(std::nullopt);
    EXPECT_EQ(std::count(repeatable.begin(), repeatable.end(), '\n'), 4);
    EXPECT_EQ(run(std::nullopt), repeatable);
    EXPECT_EQ(run(1u), run(1u));
    EXPECT_NE(run(1u), run(2u));
    EXPECT_NE(run(1u), repeatable);
}
