// How the mouse and the keys reach a running movie: a key goes to the clips
// (the last placed first), then to the Key listeners, and the character it
// types to one button that waits for it; the pointer finds again what lies under it after each
// frame even when it does not move; a disabled button under the pointer
// neither rolls out nor presses; the other mouse buttons are keys to Key.isDown;
// Tab moves the keyboard focus; a removed clip hears no more keys; a clip
// finds the pointer from its place in whole pixels; linked text calls its
// function when clicked; a button the timeline puts back keeps the pointer's
// state; a press taking the focus from a field rolls the pressed clip out.

#include "support/assembled.h"
#include "support/button.h"
#include "support/pixel_box.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

using runtime::InputEvent;

using script::test::assembled;

Bytes traceOf(const std::string& text) { return assembled("push \"" + text + "\"\nTrace"); }

using test::box;

using test::defineButton;

// A button over the square (0,0)-(100,100).
std::uint16_t defineButton(MovieBuilder& b, std::vector<ButtonCondAction> actions)
{
    return defineButton(b, b.defineRectangle(box(0, 0, 100, 100), solidFill({0, 0, 200, 255})), std::move(actions));
}

ButtonCondAction onCondition(std::uint16_t conditions, const std::string& text)
{
    return ButtonCondAction{conditions, traceOf(text)};
}

InputEvent mouse(InputEvent::Kind kind, double x, double y, int button = 1)
{
    InputEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = button;
    return event;
}

TEST(InputDelivery, AKeyReachesClipsThenListenersThenOneButton)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 7);
    const auto clip = b.defineSprite(Timeline().showFrame());
    for (const char* name : {"first", "second"}) {
        PlaceObject place;
        // The one placed last hears the key first, though it lies lower.
        place.depth = name[0] == 'f' ? 2 : 1;
        place.characterId = clip;
        place.name = name;
        place.allEventFlags = runtime::ClipEvent::KeyDown;
        place.clipActions = {ClipAction{runtime::ClipEvent::KeyDown, 0, traceOf(name)}};
        b.add(Tag(place));
    }
    // Both buttons wait for "a": key-press condition 97 in bits 1 to 7.
    const std::uint16_t keyA = 97 << 1;
    b.place(3, defineButton(b, {onCondition(keyA, "button one")}));
    b.place(4, defineButton(b, {onCondition(keyA, "button two")}));
    b.add(DoAction{assembled(R"(
        push "listener", 0, "Object"
        NewObject
        SetVariable
        push "listener"
        GetVariable
        push "onKeyDown"
        function -
        push "listener"
        Trace
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "Key"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        Stop)")});
    b.showFrame();
    InputEvent keyDown;
    keyDown.kind = InputEvent::Kind::KeyDown;
    keyDown.keyCode = 65;
    keyDown.ascii = 97;
    // The button waits for the character: typing it works the button.
    InputEvent typed;
    typed.kind = InputEvent::Kind::TextInput;
    typed.character = U'a';
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {keyDown};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "second\nfirst\nlistener\n");
    options.input = {keyDown, typed};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "second\nfirst\nlistener\nbutton one\n");
}

TEST(InputDelivery, AStillPointerFindsWhatAFrameBringsAndADisabledButtonStaysAsItWas)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 7);
    b.showFrame();
    // Frame 2 puts the button under the pointer; frame 3 disables it and stops.
    const auto button = defineButton(b, {onCondition(1u << 8, "over"), onCondition(1u << 9, "out"),
                                         onCondition(1u << 10, "press"), onCondition(1u << 11, "release")});
    b.place(1, button, {}, {}, "btn");
    b.add(DoAction{traceOf("frame 2")});
    b.showFrame();
    b.add(DoAction{assembled("push \"btn\"\nGetVariable\npush \"enabled\", false\nSetMember\nStop")});
    b.showFrame();
    const InputEvent wait;
    runtime::TraceOptions options;
    options.frames = 2;
    options.input = {mouse(InputEvent::Kind::MouseMove, 50, 50), wait, wait,
                     mouse(InputEvent::Kind::MouseDown, 50, 50), mouse(InputEvent::Kind::MouseUp, 50, 50),
                     mouse(InputEvent::Kind::MouseMove, 150, 150)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "frame 2\nover\n");
}

// The pointer meets shapes where they are drawn: a button's triangular hit
// shape is not hit across its bounds, and a clip given a hidden hitArea is
// hit where that clip lies, not where its own shapes are.
TEST(InputDelivery, ThePointerHitsShapesAndHitAreasWhereTheyAre)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 7);
    ShapeBuilder triangle;
    triangle.setStyles(triangle.addFill(solidFill({0, 0, 0, 255})), 0);
    triangle.polygon({{Twips(0), Twips(0)}, {Twips::fromPixels(100), Twips(0)}, {Twips(0), Twips::fromPixels(100)}});
    const auto button = defineButton(b, b.defineShape(triangle),
                                     {onCondition(1u << 8, "button over"), onCondition(1u << 9, "button out")});
    b.place(1, button, {}, {}, "btn");
    auto squareClip = [&b](int x) {
        Timeline inner;
        inner.place(1, b.defineRectangle(box(x, 200, 50, 50), solidFill({0, 200, 0, 255}))).showFrame();
        return b.defineSprite(inner);
    };
    b.place(2, squareClip(0), {}, {}, "c");
    b.place(3, squareClip(150), {}, {}, "h");
    b.add(DoAction{assembled(R"(
        push "h"
        GetVariable
        push "_visible", false
        SetMember
        push "c"
        GetVariable
        push "hitArea", "h"
        GetVariable
        SetMember
        push "c"
        GetVariable
        push "onRollOver"
        function
          push "clip over"
          Trace
        end
        SetMember
        push "c"
        GetVariable
        push "onRollOut"
        function
          push "clip out"
          Trace
        end
        SetMember
    )")}).showFrame();
    const InputEvent wait;
    runtime::TraceOptions options;
    options.frames = 1;
    options.input = {mouse(InputEvent::Kind::MouseMove, 80, 80), mouse(InputEvent::Kind::MouseMove, 20, 20),
                     mouse(InputEvent::Kind::MouseMove, 25, 225), mouse(InputEvent::Kind::MouseMove, 175, 225), wait};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "button over\nbutton out\nclip over\n");
}

TEST(InputDelivery, MouseButtonsAreKeysOneTwoAndFour)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    // Each frame traces Key.isDown(1) and Key.isDown(4).
    const std::string isDown = "push %, 1, \"Key\"\nGetVariable\npush \"isDown\"\nCallMethod\n";
    std::string script = isDown;
    script.replace(script.find('%'), 1, "1");
    std::string middle = isDown;
    middle.replace(middle.find('%'), 1, "4");
    script += "push \" \"\nAdd2\n" + middle + "Add2\nTrace";
    for (int frame = 0; frame < 3; ++frame)
        b.add(DoAction{assembled(script)}).showFrame();
    const InputEvent wait;
    runtime::TraceOptions options;
    options.frames = 2;
    options.input = {mouse(InputEvent::Kind::MouseDown, 5, 5, 4), wait, mouse(InputEvent::Kind::MouseUp, 5, 5, 4),
                     mouse(InputEvent::Kind::MouseDown, 5, 5), wait};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "false false\nfalse true\ntrue false\n");
}

// Buttons named c, a and b at (0,0), (100,0) and (0,50): Tab visits them by
// position, Shift+Tab goes back; once one has a tabIndex only indexed ones count.
TEST(InputDelivery, TabFollowsPositionThenTabIndex)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    const auto button = defineButton(b, {});
    const struct {
        const char* name;
        int x, y;
    } places[] = {{"c", 0, 0}, {"a", 100, 0}, {"b", 0, 50}};
    std::uint16_t depth = 1;
    for (const auto& p : places) {
        Matrix m;
        m.translateX = Twips::fromPixels(p.x);
        m.translateY = Twips::fromPixels(p.y);
        b.place(depth++, button, m, {}, p.name);
    }
    // A Selection listener traces the new focus; a key listener sets b.tabIndex on Escape.
    b.add(DoAction{assembled(R"(
        push "listener", 0, "Object"
        NewObject
        SetVariable
        push "listener"
        GetVariable
        push "onSetFocus"
        function - old new
        push "new"
        GetVariable
        Trace
        end
        SetMember
        push "listener"
        GetVariable
        push "onKeyDown"
        function -
        push 0, "Key"
        GetVariable
        push "getCode"
        CallMethod
        push 27
        Equals2
        Not
        if skip
        push "b"
        GetVariable
        push "tabIndex", 5
        SetMember
        skip:
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "Selection"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        push "listener"
        GetVariable
        push 1, "Key"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        Stop)")});
    b.showFrame();
    auto key = [](InputEvent::Kind kind, int code) {
        InputEvent event;
        event.kind = kind;
        event.keyCode = code;
        return event;
    };
    const InputEvent tab = key(InputEvent::Kind::KeyDown, 9);
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {tab, tab, tab, tab, key(InputEvent::Kind::KeyDown, 16), tab, key(InputEvent::Kind::KeyUp, 16)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output,
              "_level0.c\n_level0.a\n_level0.b\n_level0.c\n_level0.b\n");
    // Escape gives b a tabIndex: Tab then stays on b.
    options.input = {tab, key(InputEvent::Kind::KeyDown, 27), tab, tab};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "_level0.c\n_level0.b\n");
}

// A button the keyboard focused keeps the focus when the mouse presses it or
// the empty stage: only a focused text field loses it to a press elsewhere.
TEST(InputDelivery, PressKeepsTheFocusOfAButton)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    b.place(1, defineButton(b, {onCondition(1u << 10, "press")}), Matrix{}, {}, "a");
    b.add(DoAction{assembled(R"(
        push "listener", 0, "Object"
        NewObject
        SetVariable
        push "listener"
        GetVariable
        push "onSetFocus"
        function - old new
        push "new"
        GetVariable
        Trace
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "Selection"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        Stop)")});
    b.showFrame();
    InputEvent tab;
    tab.kind = InputEvent::Kind::KeyDown;
    tab.keyCode = 9;
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {tab,
                     mouse(InputEvent::Kind::MouseMove, 50, 50), mouse(InputEvent::Kind::MouseDown, 50, 50),
                     mouse(InputEvent::Kind::MouseUp, 50, 50), mouse(InputEvent::Kind::MouseMove, 200, 200),
                     mouse(InputEvent::Kind::MouseDown, 200, 200), mouse(InputEvent::Kind::MouseUp, 200, 200)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "_level0.a\npress\n");
}

// The pointer and the keyboard focus roll one object over at a time: Tab
// rolls out what the pointer rests on and rolls the focused button over,
// even the same one; a still or unmoved pointer leaves it over, and a move
// gives the roll back to what lies under the pointer.
TEST(InputDelivery, FocusAndPointerShareTheRolledOverButton)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    for (const char* name : {"a", "b"}) {
        Matrix m;
        m.translateX = Twips::fromPixels(name[0] == 'a' ? 0 : 150);
        const std::string n(name);
        b.place(name[0] == 'a' ? 1 : 2,
                defineButton(b, {onCondition(1u << 8, "over " + n), onCondition(1u << 9, "out " + n)}), m, {}, name);
    }
    b.add(DoAction{assembled("Stop")});
    b.showFrame();
    b.showFrame();
    InputEvent tab;
    tab.kind = InputEvent::Kind::KeyDown;
    tab.keyCode = 9;
    InputEvent wait;
    wait.kind = InputEvent::Kind::Wait;
    runtime::TraceOptions options;
    options.frames = 3;
    options.input = {mouse(InputEvent::Kind::MouseMove, 250, 250), tab, wait,
                     mouse(InputEvent::Kind::MouseMove, 250, 250), tab,
                     mouse(InputEvent::Kind::MouseMove, 50, 50), tab, tab, wait,
                     mouse(InputEvent::Kind::MouseMove, 200, 50), mouse(InputEvent::Kind::MouseMove, 60, 50)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output,
              "over a\nout a\nover b\nout b\nover a\nout a\nover a\nout a\nover b\nout b\nover a\n");
}

// A clip that listens to Key hears keys while it is on the stage; once
// removed, the reference the listener list keeps leads nowhere.
TEST(InputDelivery, ARemovedClipNoLongerHearsKeys)
{
    const std::string listen = R"(
        push 1, "c", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "_root"
        GetVariable
        push "c"
        GetMember
        push "onKeyDown"
        function -
        push "key"
        Trace
        end
        SetMember
        push "_root"
        GetVariable
        push "c"
        GetMember
        push 1, "Key"
        GetVariable
        push "addListener"
        CallMethod
        Pop
    )";
    const std::string remove = R"(
        push 0, "_root"
        GetVariable
        push "c"
        GetMember
        push "removeMovieClip"
        CallMethod
        Pop
    )";
    InputEvent key;
    key.kind = InputEvent::Kind::KeyDown;
    key.keyCode = 65;
    key.ascii = 'a';
    for (bool removed : {false, true}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
        b.add(DoAction{assembled(listen + (removed ? remove : std::string()) + "Stop")});
        b.showFrame();
        runtime::TraceOptions options;
        options.frames = 0;
        options.input = {key};
        EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, removed ? "" : "key\n") << removed;
        // Frames later the listener is still the path of a clip that is gone.
        options.frames = 2;
        options.input = {InputEvent{}, InputEvent{}, key};
        EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, removed ? "" : "key\n") << removed;
    }
    // A clip made again at the same path is the same listener: the list keeps
    // one of them, and the key reaches the new one once.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(listen + listen + "Stop")});
    b.showFrame();
    runtime::TraceOptions options;
    options.frames = 1;
    options.input = {InputEvent{}, key};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "key\n");
}

// Buttons and clips inherit enabled and useHandCursor as plain values:
// a button's own value hides the inherited one until it is deleted.
TEST(InputDelivery, ButtonsAndClipsInheritEnabledAndTheHand)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    b.place(1, defineButton(b, {}), Matrix{}, {}, "a");
    b.add(DoAction{assembled(R"(
        push "a"
        GetVariable
        push "enabled"
        GetMember
        Trace
        push "a"
        GetVariable
        push "enabled", false
        SetMember
        push "a"
        GetVariable
        push "enabled"
        GetMember
        Trace
        push "a"
        GetVariable
        push "enabled"
        Delete
        Pop
        push "a"
        GetVariable
        push "enabled"
        GetMember
        Trace
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "useHandCursor"
        GetMember
        Trace
        Stop)")});
    b.showFrame();
    runtime::TraceOptions options;
    options.frames = 0;
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "true\nfalse\ntrue\ntrue\n");
}

// A clip finds the pointer through its place moved to whole pixels; one
// scaled to nothing sees the pointer shrunk to a twentieth.
TEST(InputDelivery, ClipsSeeThePointerFromTheirWholePixelPlace)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    Timeline empty;
    empty.showFrame();
    const auto sprite = b.defineSprite(empty);
    Matrix fractional;
    fractional.translateX = Twips(210); // 10.5 pixels
    fractional.translateY = Twips(405); // 20.25 pixels
    b.place(1, sprite, fractional, {}, "f");
    Matrix flat;
    flat.scaleX = flat.scaleY = 0;
    flat.translateX = Twips::fromPixels(40);
    b.place(2, sprite, flat, {}, "z");
    b.showFrame();
    b.add(DoAction{assembled(R"(
        push "f"
        GetVariable
        push "_xmouse"
        GetMember
        Trace
        push "f"
        GetVariable
        push "_ymouse"
        GetMember
        Trace
        push "z"
        GetVariable
        push "_xmouse"
        GetMember
        Trace
        push "z"
        GetVariable
        push "_ymouse"
        GetMember
        Trace
        Stop)")});
    b.showFrame();
    InputEvent wait;
    wait.kind = InputEvent::Kind::Wait;
    runtime::TraceOptions options;
    options.frames = 1;
    options.input = {mouse(InputEvent::Kind::MouseMove, 100, 50), wait};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "89\n30\n5\n2.5\n");
}

// The way back from the stage keeps its translation in whole twips: the
// pointer in a shrunk clip lands a twip from where an exact inverse puts it.
TEST(InputDelivery, ThePointerInAClipGoesThroughAWholeTwipInverse)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    Timeline empty;
    empty.showFrame();
    const auto sprite = b.defineSprite(empty);
    Matrix shrunk = Matrix::scale(27525 / 65536.0, 27525 / 65536.0);
    shrunk.translateX = Twips(7286);
    shrunk.translateY = Twips(2842);
    b.place(1, sprite, shrunk, {}, "s");
    b.showFrame();
    b.add(DoAction{assembled(R"(
        push "s"
        GetVariable
        push "_xmouse"
        GetMember
        Trace
        push "s"
        GetVariable
        push "_ymouse"
        GetMember
        Trace
        Stop)")});
    b.showFrame();
    InputEvent wait;
    wait.kind = InputEvent::Kind::Wait;
    runtime::TraceOptions options;
    options.frames = 1;
    options.input = {mouse(InputEvent::Kind::MouseMove, 98, 50), wait};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "-633.3\n-219.05\n");
}

// Copy, Cut and Paste in the focused input field: a password field gives
// nothing to the clipboard and keeps its text; pasting types the clipboard.
TEST(InputDelivery, ClipboardCommandsKeepPasswordsIn)
{
    auto run = [](bool password) {
        MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
        b.add(DoAction{assembled(std::string(R"(
            push 20, 100, 0, 0, 1, "t", 6, "_root"
            GetVariable
            push "createTextField"
            CallMethod
            Pop
            push "t"
            GetVariable
            push "type", "input"
            SetMember
            push "t"
            GetVariable
            push "password", )") + (password ? "true" : "false") + R"(
            SetMember
            push "t"
            GetVariable
            push 1, "Selection"
            GetVariable
            push "setFocus"
            CallMethod
            Pop
            push "l", 0, "Object"
            NewObject
            SetVariable
            push "l"
            GetVariable
            push "onKeyDown"
            function -
            push "t"
            GetVariable
            push "text"
            GetMember
            Trace
            end
            SetMember
            push "l"
            GetVariable
            push 1, "Key"
            GetVariable
            push "addListener"
            CallMethod
            Pop
            Stop)")});
        b.showFrame();
        auto clipboard = [](const std::u32string& text) {
            InputEvent event;
            event.kind = InputEvent::Kind::SetClipboard;
            event.text = text;
            return event;
        };
        auto command = [](runtime::TextControl control) {
            InputEvent event;
            event.kind = InputEvent::Kind::TextControl;
            event.control = control;
            return event;
        };
        InputEvent escape;
        escape.kind = InputEvent::Kind::KeyDown;
        escape.keyCode = 27;
        using runtime::TextControl;
        runtime::TraceOptions options;
        options.frames = 0;
        options.input = {clipboard(U"abc"), command(TextControl::Paste), escape, clipboard(U"x"),
                         command(TextControl::SelectAll), command(TextControl::Copy), command(TextControl::MoveRight),
                         command(TextControl::Paste), escape, command(TextControl::SelectAll),
                         command(TextControl::Cut), escape, command(TextControl::MoveRight),
                         command(TextControl::Paste), escape};
        return runtime::traceMovie(b.movie(), options).output;
    };
    EXPECT_EQ(run(false), "abc\nabcabc\n\nabcabc\n");
    EXPECT_EQ(run(true), "abc\nabcx\nabcx\nabcxx\n");
}

// A click on linked text calls the function an asfunction link names, with
// the text after the first comma as its one argument; a click beside the
// text calls nothing.
TEST(InputDelivery, AClickOnAnAsfunctionLinkCallsItsFunction)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 8);
    b.add(DoAction{assembled(R"(
        push 40, 250, 0, 0, 1, "t", 6, "_root"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "f"
        function - a
        push "a"
        GetVariable
        Trace
        end
        SetVariable
        push "t"
        GetVariable
        push "html", true
        SetMember
        push "t"
        GetVariable
        push "htmlText", "<a href='asfunction:f, x,y'>link</a>"
        SetMember
        Stop)")});
    b.showFrame();
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {mouse(InputEvent::Kind::MouseDown, 240, 8), mouse(InputEvent::Kind::MouseUp, 240, 8),
                     mouse(InputEvent::Kind::MouseDown, 6, 8), mouse(InputEvent::Kind::MouseUp, 6, 8)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, " x,y\n");
}

// A state's clips are made, and their first frame has run, before the
// button's own actions for the change; they count their depths from one
// above a timeline's.
TEST(InputDelivery, AButtonsStateClipsArriveBeforeItsActions)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 7);
    const auto upChild = b.defineSprite(Timeline().add(DoAction{assembled(R"(
        push 0, "this"
        GetVariable
        push "getDepth"
        CallMethod
        Trace
        push "this"
        GetVariable
        push "onUnload"
        function -
        push "unload"
        Trace
        end
        SetMember
    )")}).showFrame());
    const auto overChild = b.defineSprite(Timeline().add(DoAction{traceOf("over child")}).showFrame());
    const auto hit = b.defineRectangle(box(0, 0, 100, 100), solidFill({0, 0, 200, 255}));
    const auto button = b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        ButtonRecord area;
        area.characterId = hit;
        area.depth = 1;
        area.stateUp = area.stateOver = area.stateDown = area.stateHitTest = true;
        ButtonRecord up;
        up.characterId = upChild;
        up.depth = 3;
        up.stateUp = true;
        ButtonRecord over = up;
        over.characterId = overChild;
        over.depth = 4;
        over.stateUp = false;
        over.stateOver = true;
        def.records = {area, up, over};
        def.condActions = {onCondition(1u << 8, "over")};
        return Tag(def);
    });
    b.place(1, button, {}, {}, "b");
    b.add(DoAction{assembled("Stop")});
    b.showFrame();
    runtime::TraceOptions options;
    options.frames = 1;
    options.input = {mouse(InputEvent::Kind::MouseMove, 50, 50)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "-16380\nunload\nover child\nover\n");
}

// A button the timeline takes away and puts back at its depth takes the
// pointer's roll and press along: dragging out and back in is heard as such,
// with no new roll over, whether a loop goes back to the frame placing it or
// a later frame places it again. A button of another character put in its
// place is new to the pointer: rolled over, and never pressed.
TEST(InputDelivery, AButtonPutBackByItsTimelineKeepsThePointersState)
{
    const std::vector<ButtonCondAction> actions = {
        onCondition(1u << 8, "over"), onCondition(1u << 9, "out"), onCondition(1u << 12, "drag out"),
        onCondition(1u << 13, "drag over"), onCondition(1u << 11, "release")};
    const InputEvent wait;
    const std::vector<InputEvent> input = {
        mouse(InputEvent::Kind::MouseMove, 50, 50), mouse(InputEvent::Kind::MouseDown, 50, 50), wait, wait, wait,
        mouse(InputEvent::Kind::MouseMove, 150, 150), wait, wait, mouse(InputEvent::Kind::MouseMove, 50, 50),
        mouse(InputEvent::Kind::MouseUp, 50, 50)};
    const struct {
        bool loop;
        bool sameCharacter;
        const char* expected;
    } cases[] = {
        {true, true, "over\ndrag out\ndrag over\nrelease\n"},
        {false, true, "over\ndrag out\ndrag over\nrelease\n"},
        {false, false, "over\nover\nout\nover\n"},
    };
    for (const auto& c : cases) {
        MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
        const auto first = defineButton(b, actions);
        const auto second = c.sameCharacter ? first : defineButton(b, actions);
        b.place(1, first);
        b.showFrame();
        b.remove(1);
        if (c.loop) {
            b.add(DoAction{assembled("GotoFrame 0\nPlay")});
        } else {
            b.place(1, second);
            b.add(DoAction{assembled("Stop")});
        }
        b.showFrame();
        runtime::TraceOptions options;
        options.frames = 5;
        options.input = input;
        EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, c.expected) << c.loop << c.sameCharacter;
    }
}

// The pointer and the focus share the object rolled over: a press on a clip
// that takes the focus from a text field rolls the clip out once it heard of
// the press, and it is still pressed when released. A press that leaves the
// focus where it was rolls nothing out.
TEST(InputDelivery, APressTakingTheFocusFromAFieldRollsThePressedClipOut)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(200), 12, 8);
    Matrix right;
    right.translateX = Twips::fromPixels(150);
    const auto square = b.defineRectangle(box(0, 0, 100, 100), solidFill({0, 0, 200, 255}));
    b.place(1, b.defineSprite(Timeline().place(1, square).showFrame()), right, {}, "clip");
    b.add(DoAction{assembled(R"(
        push 100, 100, 0, 0, 2, "field", 6, "_root"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "clip"
        GetVariable
        push "onPress"
        function -
        push "press"
        Trace
        end
        SetMember
        push "clip"
        GetVariable
        push "onRollOut"
        function -
        push "roll out"
        Trace
        end
        SetMember
        push "clip"
        GetVariable
        push "onRelease"
        function -
        push "release"
        Trace
        end
        SetMember
        Stop)")});
    b.showFrame();
    runtime::TraceOptions options;
    options.frames = 0;
    auto click = [](double x) {
        return std::vector<InputEvent>{mouse(InputEvent::Kind::MouseMove, x, 50), mouse(InputEvent::Kind::MouseDown, x, 50),
                                       mouse(InputEvent::Kind::MouseUp, x, 50)};
    };
    options.input = click(50);
    for (const InputEvent& event : click(200))
        options.input.push_back(event);
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "press\nroll out\nrelease\n");
    options.input = click(200);
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "press\nrelease\n");
}

// A wheel turn scrolls the text field under the pointer by its lines, a turn
// down towards the last line and up no further than the first, and the Mouse
// listeners hear the lines turned with the object under the pointer, none
// away from every object.
TEST(InputDelivery, TheWheelScrollsTheFieldUnderThePointerAndTellsTheListeners)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    b.add(DoAction{assembled(R"(
        push 40, 60, 0, 0, 1, "field", 6, "_root"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "field"
        GetVariable
        push "multiline", true
        SetMember
        push "field"
        GetVariable
        push "wordWrap", true
        SetMember
        push "field"
        GetVariable
        push "text", "aa bb cc dd ee ff gg hh ii jj kk ll mm nn oo pp qq rr ss tt"
        SetMember
        push "listener", 0, "Object"
        NewObject
        SetVariable
        push "listener"
        GetVariable
        push "onMouseWheel"
        function - delta target
        push "delta"
        GetVariable
        push " "
        Add2
        push "target"
        GetVariable
        Add2
        push " "
        Add2
        push "field"
        GetVariable
        push "scroll"
        GetMember
        Add2
        Trace
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "Mouse"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        Stop)")});
    b.showFrame();
    auto wheel = [](int lines) {
        InputEvent event;
        event.kind = InputEvent::Kind::MouseWheel;
        event.wheelLines = lines;
        return event;
    };
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {mouse(InputEvent::Kind::MouseMove, 30, 20), wheel(-2), wheel(5),
                     mouse(InputEvent::Kind::MouseMove, 150, 150), wheel(-1)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output,
              "-2 _level0.field 3\n5 _level0.field 1\n-1 undefined 1\n");
}

// Key.getCode and Key.getAscii tell of the last key pressed or released:
// releasing a letter while Shift is held reads the letter again.
TEST(InputDelivery, ReleasingAKeyMakesItTheLastKey)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push "listener", 0, "Object"
        NewObject
        SetVariable
        push "listener"
        GetVariable
        push "onKeyUp"
        function -
        push 0, "Key"
        GetVariable
        push "getCode"
        CallMethod
        push " "
        Add2
        push 0, "Key"
        GetVariable
        push "getAscii"
        CallMethod
        Add2
        Trace
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "Key"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        Stop)")});
    b.showFrame();
    auto key = [](InputEvent::Kind kind, int code, int ascii) {
        InputEvent event;
        event.kind = kind;
        event.keyCode = code;
        event.ascii = ascii;
        return event;
    };
    runtime::TraceOptions options;
    options.frames = 0;
    options.input = {key(InputEvent::Kind::KeyDown, 65, 97), key(InputEvent::Kind::KeyDown, 16, 0),
                     key(InputEvent::Kind::KeyUp, 65, 97), key(InputEvent::Kind::KeyUp, 16, 0)};
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "65 97\n16 0\n");
}

} // namespace
} // namespace swf
