// Scripted input: the JSON reader turns keys into the movie's key codes and
// refuses or skips what it cannot play, and a trace run plays the events
// between the frames, one frame per Wait, never more frames than asked for.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"
#include "veskor-trace/input_script.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

using runtime::InputEvent;
using veskor::tools::parseInputScript;

TEST(InputScript, KeysBecomeTheMoviesKeyCodesAndCharacters)
{
    const struct {
        const char* key;
        int code;
        int ascii;
    } cases[] = {
        {R"({"Char":"a"})", 65, 97},   {R"({"Char":"Z"})", 90, 90},      {R"({"Char":"7"})", 55, 55},
        {R"({"Char":"\""})", 222, 34}, {R"({"Char":"!"})", 49, 33},      {R"({"Char":" "})", 32, 32},
        {R"("ArrowLeft")", 37, 0},     {R"("ArrowDown")", 40, 0},        {R"("Enter")", 13, 13},
        {R"("Tab")", 9, 9},            {R"("Escape")", 27, 27},          {R"("Delete")", 46, 127},
        {R"("LeftShift")", 16, 0},     {R"("F12")", 123, 0},             {R"({"Numpad":"1"})", 97, 49},
    };
    for (const auto& c : cases) {
        const std::string json = std::string(R"([{"type":"KeyDown","key":)") + c.key + "}]";
        auto script = parseInputScript(QByteArray::fromStdString(json));
        ASSERT_TRUE(script.ok()) << c.key;
        // A list that types no text types each key's character.
        const bool types = (c.ascii >= 32 || c.ascii == 13) && c.ascii != 127;
        ASSERT_EQ(script->events.size(), types ? 2u : 1u) << c.key;
        EXPECT_EQ(script->events[0].kind, InputEvent::Kind::KeyDown);
        EXPECT_EQ(script->events[0].keyCode, c.code) << c.key;
        EXPECT_EQ(script->events[0].ascii, c.ascii) << c.key;
        if (types) {
            EXPECT_EQ(script->events[1].kind, InputEvent::Kind::TextInput);
            EXPECT_EQ(script->events[1].character, char32_t(c.ascii)) << c.key;
        }
    }
}

TEST(InputScript, BadFilesAreRefusedAndUnknownEventsSkipped)
{
    for (const char* bad : {"", "[", R"({"type":"Wait"})", "[1,]", "\xff\xfe"})
        EXPECT_FALSE(parseInputScript(bad).ok()) << bad;
    // One event past the limit.
    QByteArray many = "[";
    for (std::size_t i = 0; i < veskor::tools::kMaxInputEvents; ++i)
        many += "0,";
    many += "0]";
    EXPECT_FALSE(parseInputScript(many).ok());

    auto script = parseInputScript(R"([
        {"type":"Teleport"}, 7, {"type":"TextInput","codepoint":"ab"}, {"type":"TextControl","code":"Undo"},
        {"type":"TextInput","codepoint":"\u00e9"}, {"type":"TextControl","code":"Backspace"},
        {"type":"KeyDown","key":"NoSuchKey"}, {"type":"KeyUp","key":{"Char":"ab"}},
        {"type":"MouseMove","pos":[1]}, {"type":"MouseDown","pos":["x",2],"btn":"Left"},
        {"type":"MouseDown","pos":[5,6],"btn":"Back"},
        {"type":"MouseDown","pos":[5,6],"btn":"Middle"},
        {"type":"MouseUp","pos":[1e308,-1e308],"btn":"Left"},
        {"type":"Wait"}, {"type":"SetClipboardText"}, {"type":"SetClipboardText","text":"\u00e9 1"},
        {"type":"TextControl","code":"Paste"}])");
    ASSERT_TRUE(script.ok());
    ASSERT_EQ(script->events.size(), 8u);
    EXPECT_EQ(script->events[0].kind, InputEvent::Kind::TextInput);
    EXPECT_EQ(script->events[0].character, U'\u00e9');
    EXPECT_EQ(script->events[1].kind, InputEvent::Kind::TextControl);
    EXPECT_EQ(script->events[1].control, runtime::TextControl::Backspace);
    // A button the player does not know only moves the pointer.
    EXPECT_EQ(script->events[2].kind, InputEvent::Kind::MouseMove);
    EXPECT_EQ(script->events[2].x, 5);
    EXPECT_EQ(script->events[3].kind, InputEvent::Kind::MouseDown);
    EXPECT_EQ(script->events[3].button, 4);
    EXPECT_EQ(script->events[4].kind, InputEvent::Kind::MouseUp);
    EXPECT_EQ(script->events[4].button, 1);
    EXPECT_LE(script->events[4].x, 1e6);
    EXPECT_GE(script->events[4].y, -1e6);
    EXPECT_EQ(script->events[5].kind, InputEvent::Kind::Wait);
    EXPECT_EQ(script->events[6].kind, InputEvent::Kind::SetClipboard);
    EXPECT_EQ(script->events[6].text, U"\u00e9 1");
    EXPECT_EQ(script->events[7].control, runtime::TextControl::Paste);
    int skipped = 0;
    for (const auto& [why, count] : script->skipped)
        skipped += count;
    EXPECT_EQ(skipped, 10);

    // Clipboard text is kept within its limit.
    const QByteArray longText = "[{\"type\":\"SetClipboardText\",\"text\":\""
                                + QByteArray(veskor::tools::kMaxClipboardCharacters + 5, 'a') + "\"}]";
    auto clipped = parseInputScript(longText);
    ASSERT_TRUE(clipped.ok());
    ASSERT_EQ(clipped->events.size(), 1u);
    EXPECT_EQ(clipped->events[0].text.size(), std::size_t(veskor::tools::kMaxClipboardCharacters));
}

// A wheel turns whole lines, up when positive; a turn of none, of part of a
// line or of more than any wheel turns at once is skipped.
TEST(InputScript, TheWheelTurnsWholeLines)
{
    auto script = parseInputScript(R"([
        {"type":"MouseWheel","lines":-1}, {"type":"MouseWheel","lines":3}, {"type":"MouseWheel","lines":0},
        {"type":"MouseWheel","lines":1.5}, {"type":"MouseWheel","lines":"2"}, {"type":"MouseWheel"},
        {"type":"MouseWheel","lines":1e9}])");
    ASSERT_TRUE(script.ok());
    ASSERT_EQ(script->events.size(), 2u);
    EXPECT_EQ(script->events[0].kind, InputEvent::Kind::MouseWheel);
    EXPECT_EQ(script->events[0].wheelLines, -1);
    EXPECT_EQ(script->events[1].wheelLines, 3);
    EXPECT_EQ(script->skipped.size(), 1u);
    EXPECT_EQ(script->skipped.begin()->second, 5);
}

using script::test::assembled;

// Each of three frames traces its number and whether the A key is down.
std::string keyTrace(const std::vector<InputEvent>& input, int frames)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    for (const char* frame : {"1", "2", "3"}) {
        b.add(DoAction{assembled(std::string("push \"") + frame
                                 + " \"\npush 65, 1, \"Key\"\nGetVariable\npush \"isDown\"\nCallMethod\nAdd2\nTrace")});
        b.showFrame();
    }
    return runtime::traceMovie(b.movie(), {.frames = frames, .input = input}).output;
}

TEST(TraceRunInput, EachWaitPlaysOneFrameAndTheFramesAskedForAreTheLimit)
{
    const InputEvent wait;
    const InputEvent down{.kind = InputEvent::Kind::KeyDown, .keyCode = 65, .ascii = 97};
    const InputEvent up{.kind = InputEvent::Kind::KeyUp, .keyCode = 65};
    EXPECT_EQ(keyTrace({down, wait, up, wait}, 2), "1 false\n2 true\n3 false\n");
    // Frames left when the list ends play after it.
    EXPECT_EQ(keyTrace({down}, 2), "1 false\n2 true\n3 true\n");
    // Waits beyond the frames asked for play nothing, nor do the events after them.
    EXPECT_EQ(keyTrace({wait, wait, wait, down, wait}, 1), "1 false\n2 false\n");
}

} // namespace
} // namespace swf
