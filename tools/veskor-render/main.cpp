// veskor-render MOVIE.swf -o OUT.png: a picture of one frame of a movie.

#include "headless_app.h"
#include "render_options.h"
#include "swf/player.h"

#include <QBuffer>
#include <QImage>
#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    using namespace veskor::render_tool;
    // Arguments stay bytes: a movie's path need not be text.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto app = veskor::tools::headlessApplication(argv[0]);

    const auto options = parseOptions(args);
    if (!options.ok()) {
        std::fprintf(stderr, "veskor-render: %s\n%s", options.error().message.c_str(), usage());
        return 2;
    }
    auto player = swf::Player::fromFile(options->movie, {.randomSeed = options->seed});
    if (!player.ok()) {
        std::fprintf(stderr, "veskor-render: %s\n", player.error().message.c_str());
        return 1;
    }
    swf::Player& movie = **player;
    if (options->frame)
        movie.gotoFrame(*options->frame - 1);
    for (int i = 0; i < options->advance; ++i)
        movie.advance();

    const QSize size = options->width > 0 ? QSize(options->width, options->height) : movie.stageSize();
    const auto mode = options->scaleMode == 2 ? swf::ScaleMode::ExactFit : swf::ScaleMode::ShowAll;
    const QImage image = movie.renderImage(size, mode).convertToFormat(QImage::Format_ARGB32);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        std::fprintf(stderr, "veskor-render: the picture could not be encoded\n");
        return 1;
    }
    std::ofstream out(options->output, std::ios::binary | std::ios::trunc);
    out.write(png.constData(), png.size());
    if (!out) {
        std::fprintf(stderr, "veskor-render: cannot write %s\n", options->output.c_str());
        return 1;
    }
    // The picture of a movie that failed is its background, written all the same.
    if (movie.failed()) {
        std::fprintf(stderr, "veskor-render: %s\n", movie.errorMessage().c_str());
        return 1;
    }
    return 0;
}
