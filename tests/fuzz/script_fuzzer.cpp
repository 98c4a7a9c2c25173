// Any bytes as a script: the input's actions run in a movie written with the
// project's own builder, as a frame script of the root, as the load and
// enter-frame events of a clip and as a button's release action, beside a
// text field bound to a variable; the movie plays a few frames, gets pointer
// and key input, seeks and draws. Past the first two bytes (the SWF version
// and the frame count) the input is action bytes as they come.

#include "swf/format/movie_builder.h"
#include "swf/player.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <memory>

using namespace swf;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs the font machinery of a GUI application; no window is opened.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

namespace {

Rect box(int x, int y, int w, int h)
{
    return Rect{Twips::fromPixels(x), Twips::fromPixels(x + w), Twips::fromPixels(y), Twips::fromPixels(y + h)};
}

Bytes movieRunning(const Bytes& actions, std::uint8_t version, int frames)
{
    MovieBuilder b(Twips::fromPixels(80), Twips::fromPixels(60), 12, version);
    b.setBackground({255, 255, 255, 255});
    const auto square = b.defineRectangle(box(0, 0, 20, 20), solidFill({200, 0, 0, 255}));
    swf::Timeline inner;
    inner.place(1, square).showFrame(2);
    const auto clip = b.defineSprite(inner);
    const auto button = b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        ButtonRecord record;
        record.stateUp = record.stateOver = record.stateDown = record.stateHitTest = true;
        record.characterId = square;
        record.depth = 1;
        def.records = {record};
        def.condActions = {ButtonCondAction{std::uint16_t(1u << 11), actions}};
        return Tag(def);
    });
    const auto field = b.define([&](std::uint16_t id) {
        DefineEditText text;
        text.id = id;
        text.bounds = box(0, 30, 80, 30);
        text.html = true;
        text.multiline = true;
        text.wordWrap = true;
        text.variableName = "t";
        text.initialText = "<b>a</b> b";
        return Tag(text);
    });
    b.add(DoAction{actions});
    PlaceObject placed;
    placed.depth = 2;
    placed.characterId = clip;
    placed.name = "c";
    placed.clipActions = {ClipAction{1u | 2u, 0, actions}};
    b.add(placed);
    b.place(3, button);
    b.place(4, field);
    b.showFrame(frames);
    return b.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t version = std::uint8_t(5 + data[0] % 6);
    const int frames = 1 + data[1] % 4;
    const Bytes actions(data + 2, data + size);
    // As the program plays it: frames bounded in time too, which keeps runs short.
    auto player = Player::fromBytes(movieRunning(actions, version, frames),
                                    {.randomSeed = std::nullopt, .maxFrameMilliseconds = Player::kWindowFrameMilliseconds});
    if (!player.ok())
        return 0;
    Player& p = **player;
    const QRectF target(0, 0, 80, 60);
    p.advance();
    p.mouseMove(QPointF(10, 10), target, ScaleMode::ShowAll);
    p.mousePress();
    p.mouseRelease();
    p.keyPress(65, 'a');
    p.keyRelease(65);
    p.advance();
    (void)p.renderImage(QSize(80, 60));
    p.gotoFrame(0);
    p.advance();
    (void)p.renderImage(QSize(40, 30), ScaleMode::ExactFit);
    return 0;
}
