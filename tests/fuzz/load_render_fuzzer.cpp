// Any bytes as a movie: load, draw the first frame, play and seek a little, draw again.

#include "swf/player.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs the font machinery of a GUI application; no window is opened.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto player = swf::Player::fromBytes(std::vector<std::uint8_t>(data, data + size));
    if (!player.ok())
        return 0;
    swf::Player& p = **player;
    (void)p.renderImage(QSize(80, 60));
    for (int i = 0; i < 3; ++i)
        p.advance();
    p.gotoFrame(p.frameCount() - 1);
    p.gotoFrame(1);
    (void)p.renderImage(QSize(80, 60), swf::ScaleMode::ExactFit);
    // The sound the frames made: damaged sound data decodes as far as it goes.
    std::vector<std::int16_t> sound(8192 * 2);
    p.mixAudio(sound.data(), 8192);
    return 0;
}
