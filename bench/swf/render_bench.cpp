// Render speed: the time to draw one frame at 800x600 against the movie's own frame
// interval (the playback headroom), for every movie of the reference corpus and for
// a generated heavy movie; and the time of a seek to the end of a long movie against
// the time to draw one frame.
//
// Run from the project root (the corpus is ../shared/testdata/swf-image).

#include "swf/format/movie_builder.h"
#include "swf/player.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <random>

namespace {

const QSize kTarget(800, 600);
// Read from every picture drawn, so that no drawing can be optimised away.
qint64 g_checksum = 0;

// Milliseconds per frame drawn at 800x600, playing on from where the player is.
double renderMsPerFrame(swf::Player& player, int frames)
{
    QElapsedTimer timer;
    timer.start();
    qint64 checksum = 0;
    for (int i = 0; i < frames; ++i) {
        player.advance();
        const QImage image = player.renderImage(kTarget);
        checksum += image.constBits()[(i * 4099) % image.sizeInBytes()];
    }
    const double ms = timer.nsecsElapsed() / 1e6 / frames;
    g_checksum += checksum;
    return ms;
}

swf::Bytes heavyMovie()
{
    using namespace swf;
    MovieBuilder b(Twips::fromPixels(800), Twips::fromPixels(600), 24);
    b.setBackground({255, 255, 255});
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, 760 * 20);
    std::uniform_int_distribution<int> channel(0, 255);
    std::vector<std::uint16_t> shapes;
    for (int i = 0; i < 50; ++i) {
        const Rect box{Twips(0), Twips(800 + 40 * i), Twips(0), Twips(600 + 30 * i)};
        const Rgba a{std::uint8_t(channel(random)), std::uint8_t(channel(random)), std::uint8_t(channel(random)), 255};
        const Rgba c{std::uint8_t(channel(random)), std::uint8_t(channel(random)), std::uint8_t(channel(random)), 200};
        const FillStyle fill = i % 2 ? radialGradientFill(box, {{0, a}, {255, c}}) : linearGradientFill(box, {{0, a}, {255, c}});
        shapes.push_back(i % 3 ? b.defineEllipse(box, fill, solidLine(Twips(40), {0, 0, 0, 255}))
                               : b.defineRectangle(box, fill, solidLine(Twips(30), {20, 20, 120, 255})));
    }
    for (int i = 0; i < 1000; ++i)
        b.place(static_cast<std::uint16_t>(i + 1), shapes[static_cast<size_t>(i) % shapes.size()],
                Matrix::translation(Twips(coordinate(random)), Twips(coordinate(random) * 3 / 4)));
    b.showFrame();
    // A second frame moves a tenth of them, so playing changes the picture.
    for (int i = 0; i < 1000; i += 10)
        b.move(static_cast<std::uint16_t>(i + 1), Matrix::translation(Twips(coordinate(random)), Twips(coordinate(random) * 3 / 4)));
    b.showFrame();
    return b.bytes();
}

swf::Bytes longMovie(int frames)
{
    using namespace swf;
    MovieBuilder b(Twips::fromPixels(800), Twips::fromPixels(600), 24);
    const Rect box{Twips(0), Twips(2000), Twips(0), Twips(2000)};
    const auto square = b.defineRectangle(box, solidFill({200, 30, 30, 255}), solidLine(Twips(40), {0, 0, 0, 255}));
    swf::Timeline spin;
    for (int i = 0; i < 12; ++i)
        spin.place(1, square, Matrix::translation(Twips(i * 100), Twips(0))).showFrame().remove(1);
    const auto sprite = b.defineSprite(spin);
    for (int d = 1; d <= 20; ++d)
        b.place(static_cast<std::uint16_t>(d), d % 2 ? sprite : square, Matrix::translation(Twips(d * 700), Twips(d * 500)));
    b.showFrame();
    for (int f = 1; f < frames; ++f) {
        const int d = 1 + f % 20;
        b.move(static_cast<std::uint16_t>(d), Matrix::translation(Twips((f * 37) % 15000), Twips((f * 53) % 11000)));
        b.showFrame();
    }
    return b.bytes();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::printf("render time per frame at 800x600, as a share of the movie's frame interval\n");
    const QDir corpus(QStringLiteral("../shared/testdata/swf-image"));
    std::vector<double> ratios;
    for (const QString& name : corpus.entryList({"*.swf"}, QDir::Files, QDir::Name)) {
        auto player = swf::Player::fromFile(corpus.filePath(name).toStdString());
        if (!player.ok())
            continue;
        for (int i = 0; i < 10; ++i)
            (*player)->advance();
        renderMsPerFrame(**player, 1); // decode bitmaps, build shapes
        const double ms = renderMsPerFrame(**player, 10);
        const double ratio = ms / (1000.0 / (*player)->frameRate());
        ratios.push_back(ratio);
        std::printf("  %-48s %8.3f ms  ratio %.4f\n", qPrintable(name), ms, ratio);
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("corpus: %zu movies, median ratio %.4f (target <= 0.1), worst %.4f\n", ratios.size(),
                    ratios[ratios.size() / 2], ratios.back());
    }

    auto heavy = swf::Player::fromBytes(heavyMovie());
    if (heavy.ok()) {
        renderMsPerFrame(**heavy, 1);
        const double ms = renderMsPerFrame(**heavy, 10);
        std::printf("heavy movie (1000 gradient shapes with strokes): %.2f ms a frame, ratio %.3f at 24 fps\n", ms,
                    ms / (1000.0 / 24));
    }

    const int frames = 10'000;
    QElapsedTimer loadTimer;
    loadTimer.start();
    auto longOne = swf::Player::fromBytes(longMovie(frames));
    if (longOne.ok()) {
        swf::Player& p = **longOne;
        std::printf("long movie: %d frames, loaded in %.1f ms\n", p.frameCount(), loadTimer.nsecsElapsed() / 1e6);
        renderMsPerFrame(p, 2);
        const double frameMs = renderMsPerFrame(p, 20);
        QElapsedTimer timer;
        timer.start();
        p.gotoFrame(frames - 1);
        const double firstSeek = timer.nsecsElapsed() / 1e6;
        p.gotoFrame(0);
        timer.restart();
        p.gotoFrame(frames - 1);
        const QImage image = p.renderImage(kTarget);
        (void)image;
        const double seekAndDraw = timer.nsecsElapsed() / 1e6;
        timer.restart();
        p.gotoFrame(frames / 2 + 7);
        const double seekBack = timer.nsecsElapsed() / 1e6;
        std::printf("one frame drawn: %.3f ms\n", frameMs);
        std::printf("first seek to the last frame: %.3f ms (%.2f frames)\n", firstSeek, firstSeek / frameMs);
        std::printf("seek to the last frame and draw it: %.3f ms (%.2f frames, target <= 3)\n", seekAndDraw,
                    seekAndDraw / frameMs);
        std::printf("seek back to the middle: %.3f ms (%.2f frames)\n", seekBack, seekBack / frameMs);
    }
    std::printf("(checksum %lld)\n", static_cast<long long>(g_checksum));
    return 0;
}
