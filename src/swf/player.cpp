#include "swf/player.h"

#include "common/failure.h"
#include "swf/format/imports.h"
#include "swf/format/reader.h"
#include "swf/movie/character_dictionary.h"
#include "swf/movie/playhead.h"
#include "swf/movie/timeline.h"
#include "swf/render/damage.h"
#include "swf/render/shape_painter.h"
#include "swf/render/stage_renderer.h"
#include "swf/render/text_field_layout.h"
#include "swf/runtime/movie_runtime.h"

#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>

namespace swf {

using veskor::failureOf;
using veskor::makeError;

struct Player::Impl {
    // The records everything below points into: allocated once, never moved.
    std::unique_ptr<Movie> movie;
    std::unique_ptr<movie::CharacterDictionary> dictionary;
    std::unique_ptr<movie::Timeline> rootTimeline;
    std::unique_ptr<movie::Playhead> playhead;
    // Caches built geometry and decoded bitmaps, so drawing changes it.
    std::unique_ptr<render::StageRenderer> renderer;
    // The picture renderFrame() keeps, what it drew afresh last, and what
    // was on it, to find what changed.
    QImage frame;
    QRectF frameViewport;
    std::vector<QRect> damage;
    render::DamageTracker tracker;
    // The renderers of the threads that draw bands of large areas beside
    // this one, made on first use; each keeps caches of its own.
    std::vector<std::unique_ptr<render::StageRenderer>> helpers;
    // The pictures of characters that all of these renderers draw from; null
    // when every frame is drawn from the shapes.
    std::shared_ptr<render::RasterCache> pictures;
    // Movies with scripts play here; the playhead above serves the rest.
    std::unique_ptr<runtime::MovieRuntime> runtime;
    QColor background = Qt::white;
    // The main timeline of a movie without scripts stands still while stopped.
    bool timelineHeld = false;
    // Set when the engine failed: the movie stands still from then on.
    std::string error;
    // fscommands of the first frame, which plays before anyone can listen:
    // they go to the first command handler set.
    std::vector<std::pair<std::string, std::string>> earlyCommands;

    const movie::ClipState& state() const { return runtime ? runtime->rootState() : playhead->state(); }

    // Runs one call into the engine. Whatever it throws (an allocation that
    // failed, deep in any layer) ends this movie rather than the program.
    template <typename Work>
    void guarded(Work&& work)
    {
        if (!error.empty())
            return;
        error = failureOf(std::forward<Work>(work));
    }
};

namespace {

// A movie cut short is a damaged download or copy: it is refused rather than shown
// half, so the teacher learns the file is broken.
veskor::Result<Movie> checkedMovie(veskor::Result<Movie> movie)
{
    if (!movie.ok())
        return movie.error();
    if (movie->truncated)
        return makeError("The movie is truncated.");
    return movie;
}

// Loading, with whatever it throws turned into an error value.
template <typename Load>
veskor::Result<std::unique_ptr<Player>> loadGuarded(Load&& load)
{
    std::optional<veskor::Result<std::unique_ptr<Player>>> result;
    const std::string failure = failureOf([&] { result.emplace(load()); });
    if (!failure.empty())
        return makeError(failure);
    return std::move(*result);
}

// Whether a tag list (sprites included) starts sounds or streams them.
bool playsSound(const std::vector<Tag>& tags)
{
    for (const Tag& tag : tags) {
        if (const auto* sprite = std::get_if<DefineSprite>(&tag); sprite && playsSound(sprite->tags))
            return true;
        const std::uint16_t code = tag.code();
        if (code == std::uint16_t(TagCode::StartSound) || code == std::uint16_t(TagCode::StartSound2)
            || code == std::uint16_t(TagCode::SoundStreamBlock) || code == std::uint16_t(TagCode::DefineButtonSound))
            return true;
    }
    return false;
}

} // namespace

Player::Player(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Player::~Player() = default;

veskor::Result<std::unique_ptr<Player>> Player::fromFile(const std::filesystem::path& path,
                                                         const PlayOptions& options)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return makeError("The path is a folder, not a movie.");
    return loadGuarded([&]() -> veskor::Result<std::unique_ptr<Player>> {
        return fromMovie(TRY(checkedMovie(loadMovie(path))), options, path);
    });
}

veskor::Result<std::unique_ptr<Player>> Player::fromBytes(std::vector<std::uint8_t> bytes,
                                                          const PlayOptions& options)
{
    return loadGuarded([&]() -> veskor::Result<std::unique_ptr<Player>> {
        return fromMovie(TRY(checkedMovie(readMovie(std::span<const std::uint8_t>(bytes)))), options);
    });
}

std::uint32_t Player::seedFromClock()
{
    const auto ticks = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

veskor::Result<std::unique_ptr<Player>> Player::fromMovie(Movie movie, const PlayOptions& options,
                                                          const std::filesystem::path& location)
{
    auto impl = std::make_unique<Impl>();
    impl->movie = std::make_unique<Movie>(std::move(movie));
    const Movie& m = *impl->movie;
    for (const Tag& tag : m.tags) {
        if (const auto* background = std::get_if<SetBackgroundColor>(&tag)) {
            impl->background = QColor(background->color.r, background->color.g, background->color.b);
            break;
        }
    }
    impl->dictionary = std::make_unique<movie::CharacterDictionary>(m.tags);
    impl->rootTimeline = std::make_unique<movie::Timeline>(movie::buildTimeline(m.tags, m.header.frameCount, !m.truncated));
    if (options.keepPictures)
        impl->pictures = std::make_shared<render::RasterCache>();
    impl->renderer = std::make_unique<render::StageRenderer>(m.tags, impl->pictures);
    if (options.decodeBitmapsAtLoad)
        impl->renderer->decodeBitmaps();
    // Text fields are laid out with the fonts they are drawn with.
    const std::shared_ptr<const render::FontLibrary> fonts = impl->renderer->fonts();
    impl->runtime = std::make_unique<runtime::MovieRuntime>(m, *impl->dictionary,
                                                            options.randomSeed.value_or(runtime::kRepeatableSeed), fonts);
    script::Limits limits = impl->runtime->interpreter().limits();
    limits.maxFrameMilliseconds = std::max(options.maxFrameMilliseconds, 0);
    impl->runtime->interpreter().setLimits(limits);
    // Sound lives in the runtime: a movie with sounds plays there too.
    if (impl->runtime->scripts(nullptr).hasScripts() || playsSound(m.tags)) {
        // It may load the files beside it.
        if (!location.empty())
            impl->runtime->setFiles(runtime::FileAccess(location));
        impl->runtime->commandSink = [early = &impl->earlyCommands](const std::string& command, const std::string& arguments) {
            early->emplace_back(command, arguments);
        };
        impl->runtime->setViewportSize(options.viewport.width(), options.viewport.height());
        impl->runtime->start();
    } else {
        impl->runtime.reset();
        impl->playhead = std::make_unique<movie::Playhead>(*impl->rootTimeline, *impl->dictionary, m.header.version,
                                                           render::textMeasurer(fonts));
        // A few tens of milliseconds at most: long movies then seek at once from the start.
        impl->playhead->prepareSnapshots(20'000'000);
    }
    return std::unique_ptr<Player>(new Player(std::move(impl)));
}

QSize Player::stageSize() const
{
    const Rect& r = d->movie->header.frameSize;
    const int width = static_cast<int>(std::lround(std::clamp(r.width().toPixels(), 1.0, 8192.0)));
    const int height = static_cast<int>(std::lround(std::clamp(r.height().toPixels(), 1.0, 8192.0)));
    return {width, height};
}

double Player::frameRate() const
{
    // A rate of 0 means "as fast as possible" to some tools; show it at a usual pace.
    const double rate = d->movie->header.frameRate();
    return rate > 0 ? rate : 12.0;
}

// A movie loaded into _level0 brings its own frames.
int Player::frameCount() const { return d->runtime ? d->runtime->frameCount() : d->rootTimeline->frameCount(); }
QColor Player::backgroundColor() const { return d->background; }
int Player::swfVersion() const { return d->movie->header.version; }
int Player::currentFrame() const { return d->runtime ? d->runtime->currentFrame() : d->playhead->frame(); }

void Player::gotoFrame(int frame)
{
    d->guarded([&] {
        if (d->runtime)
            d->runtime->gotoRootFrame(std::clamp(frame, 0, frameCount() - 1));
        else
            d->playhead->gotoFrame(frame);
    });
}

void Player::advance()
{
    d->guarded([&] {
        if (d->runtime)
            d->runtime->advance();
        else if (!d->timelineHeld)
            d->playhead->advance();
    });
}

void Player::setTimelinePlaying(bool playing)
{
    d->timelineHeld = !playing;
    d->guarded([&] {
        if (!d->runtime)
            return;
        script::Object* root = d->runtime->root(nullptr);
        if (playing)
            d->runtime->play(root);
        else
            d->runtime->stop(root);
    });
}

std::size_t Player::mixAudio(std::int16_t* out, std::size_t frames)
{
    std::size_t given = 0;
    if (d->runtime)
        d->guarded([&] { given = d->runtime->takeAudio(out, frames); });
    std::fill(out + given * 2, out + frames * 2, std::int16_t(0));
    return given;
}

bool Player::streamPlaying() const
{
    return d->runtime && !failed() && d->runtime->streamPlaying();
}

void Player::stopSounds()
{
    d->guarded([&] {
        if (d->runtime)
            d->runtime->silence();
    });
}

bool Player::failed() const { return !d->error.empty(); }
const std::string& Player::errorMessage() const { return d->error; }

bool Player::runsScripts() const { return d->runtime != nullptr; }

void Player::setTraceHandler(std::function<void(const std::string&)> handler)
{
    if (d->runtime)
        d->runtime->traceSink = std::move(handler);
}

void Player::setUrlHandler(std::function<void(const std::string& url, const std::string& window)> handler)
{
    if (d->runtime)
        d->runtime->urlSink = std::move(handler);
}

void Player::setCommandHandler(std::function<void(const std::string& command, const std::string& arguments)> handler)
{
    if (!d->runtime)
        return;
    d->runtime->commandSink = handler;
    if (handler) {
        for (const auto& [command, arguments] : d->earlyCommands)
            handler(command, arguments);
        d->earlyCommands.clear();
    }
}

void Player::mouseMove(QPointF position, const QRectF& target, ScaleMode mode)
{
    if (!d->runtime)
        return;
    const QRectF viewport = stageViewport(target, mode);
    if (viewport.isEmpty())
        return;
    const Rect& frame = d->movie->header.frameSize;
    const double x = (position.x() - viewport.x()) / viewport.width() * std::max(1, frame.width().get()) + frame.xMin.get();
    const double y = (position.y() - viewport.y()) / viewport.height() * std::max(1, frame.height().get()) + frame.yMin.get();
    d->guarded([&] { d->runtime->mouseMove(x, y); });
}

void Player::setViewportSize(QSizeF size)
{
    if (d->runtime)
        d->guarded([&] { d->runtime->setViewportSize(size.width(), size.height()); });
}

void Player::mousePress()
{
    if (d->runtime)
        d->guarded([&] { d->runtime->mouseDown(); });
}

void Player::mouseRelease()
{
    if (d->runtime)
        d->guarded([&] { d->runtime->mouseUp(); });
}

void Player::mouseWheel(int lines)
{
    if (d->runtime)
        d->guarded([&] { d->runtime->mouseWheel(lines); });
}

void Player::keyPress(int keyCode, int ascii)
{
    if (d->runtime)
        d->guarded([&] { d->runtime->keyDown(keyCode, ascii); });
}

void Player::keyRelease(int keyCode, int ascii)
{
    if (d->runtime)
        d->guarded([&] { d->runtime->keyUp(keyCode, ascii); });
}

void Player::typeText(const QString& text)
{
    if (!d->runtime)
        return;
    for (const char32_t c : text.toUcs4())
        d->guarded([&] { d->runtime->textInput(c); });
}

void Player::editText(int keyCode)
{
    using runtime::TextControl;
    if (!d->runtime)
        return;
    TextControl control;
    switch (keyCode) {
    case 8: control = TextControl::Backspace; break;
    case 46: control = TextControl::Delete; break;
    case 37: control = TextControl::MoveLeft; break;
    case 39: control = TextControl::MoveRight; break;
    case 36: control = TextControl::MoveLeftLine; break;
    case 35: control = TextControl::MoveRightLine; break;
    default: return;
    }
    d->guarded([&] { d->runtime->textControl(control); });
}

bool Player::takesFieldCommand(FieldCommand command) const
{
    if (!d->runtime || !d->error.empty())
        return false;
    const runtime::Instance* focused = d->runtime->instanceOf(d->runtime->focus());
    if (!focused || !focused->object->text)
        return false;
    return command == FieldCommand::SelectAll || command == FieldCommand::Copy || focused->object->text->input;
}

QString Player::fieldCommand(FieldCommand command, const QString& clipboard)
{
    using runtime::TextControl;
    if (!takesFieldCommand(command))
        return {};
    QString taken;
    d->guarded([&] {
        // The engine's clipboard stands for the desktop's during the command:
        // emptied first, whatever Copy or Cut leave in it is what they took.
        const QList<uint> characters = command == FieldCommand::Paste ? clipboard.toUcs4() : QList<uint>();
        d->runtime->setClipboardText(std::u32string(characters.begin(), characters.end()));
        switch (command) {
        case FieldCommand::SelectAll: d->runtime->textControl(TextControl::SelectAll); break;
        case FieldCommand::Copy: d->runtime->textControl(TextControl::Copy); break;
        case FieldCommand::Cut: d->runtime->textControl(TextControl::Cut); break;
        case FieldCommand::Paste: d->runtime->textControl(TextControl::Paste); break;
        }
        if (command == FieldCommand::Copy || command == FieldCommand::Cut) {
            const std::u32string& text = d->runtime->clipboardText();
            taken = QString::fromUcs4(text.data(), qsizetype(text.size()));
        }
        d->runtime->setClipboardText({});
    });
    return taken;
}

bool Player::pointerOverButton() const { return d->runtime && d->runtime->hoversButton(); }

QRectF Player::stageViewport(const QRectF& target, ScaleMode mode) const
{
    const QSizeF stage(stageSize());
    if (stage.isEmpty())
        return target;
    // The movie's own Stage.scaleMode holds; the window's choice of stretching
    // applies to a movie that left it at showAll.
    const std::string movieMode = d->runtime ? d->runtime->stageScaleMode() : std::string("showAll");
    if (movieMode == "exactFit" || (movieMode == "showAll" && mode == ScaleMode::ExactFit))
        return target;
    const double fitX = target.width() / stage.width();
    const double fitY = target.height() / stage.height();
    double scale = std::min(fitX, fitY);
    if (movieMode == "noBorder")
        scale = std::max(fitX, fitY);
    else if (movieMode == "noScale")
        // One stage pixel is one pixel of the window, however many device pixels that takes.
        scale = d->runtime->viewportWidth() > 0 ? target.width() / d->runtime->viewportWidth() : 1.0;
    const QSizeF size = stage * scale;
    // Stage.align pins the stage to sides of the window; it is centred between the others.
    const std::string align = d->runtime ? d->runtime->stageAlign() : std::string();
    const auto has = [&](char side) { return align.find(side) != std::string::npos; };
    double x = target.center().x() - size.width() / 2;
    double y = target.center().y() - size.height() / 2;
    if (has('L'))
        x = target.left();
    else if (has('R'))
        x = target.right() - size.width();
    if (has('T'))
        y = target.top();
    else if (has('B'))
        y = target.bottom() - size.height();
    return QRectF(QPointF(x, y), size);
}

void Player::render(QPainter& painter, const QRectF& target, ScaleMode mode) const
{
    if (target.isEmpty())
        return;
    // Blend modes composite pixels, so the frame is drawn into an image of its own.
    const QSize size(static_cast<int>(std::ceil(target.width())), static_cast<int>(std::ceil(target.height())));
    painter.drawImage(target.topLeft(), renderImage(size, mode));
}

QImage Player::renderImage(QSize size, ScaleMode mode) const
{
    if (size.isEmpty())
        size = stageSize();
    QImage image;
    // A failed movie shows its background only: what it left behind may be half made.
    d->guarded([&] { image = paintFrame(size, mode); });
    if (failed()) {
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(d->background);
    }
    return image;
}

struct Player::Scene {
    QRectF viewport;
    QTransform stageToDevice;
    // The main tree, then the levels above it with their transforms.
    std::vector<std::pair<const movie::ClipState*, QTransform>> trees;
    QRectF focus; // in device pixels; invalid: none
    double focusWidth = 0;
};

Player::Scene Player::scene(QSize size, ScaleMode mode) const
{
    Scene scene;
    const QRectF target(QPointF(0, 0), QSizeF(size));
    scene.viewport = stageViewport(target, mode);
    const Rect& frame = d->movie->header.frameSize;
    const double width = std::max(1, frame.width().get());
    const double height = std::max(1, frame.height().get());
    scene.stageToDevice = QTransform::fromTranslate(-frame.xMin.get(), -frame.yMin.get())
        * QTransform::fromScale(scene.viewport.width() / width, scene.viewport.height() / height)
        * QTransform::fromTranslate(scene.viewport.x(), scene.viewport.y());
    const QTransform rootToStage = d->runtime ? render::toQTransform(d->runtime->rootMatrix()) : QTransform();
    scene.trees.emplace_back(&d->state(), rootToStage * scene.stageToDevice);
    if (d->runtime) {
        // The levels above _level0, each over the ones below.
        for (const movie::DisplayObject* level : d->runtime->upperLevels()) {
            if (level->clip && level->visible)
                scene.trees.emplace_back(&*level->clip, render::toQTransform(level->matrix) * scene.stageToDevice);
        }
        // The focused clip or button gets the player's yellow frame, inside its bounds.
        scene.focus = scene.stageToDevice.mapRect(d->runtime->focusRect());
        scene.focusWidth
            = 3.0 * std::max(1.0, scene.viewport.width() / std::max(1.0, double(stageSize().width())));
    }
    return scene;
}

QImage Player::paintFrame(QSize size, ScaleMode mode) const
{
    if (size.isEmpty())
        size = stageSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    drawArea(*d->renderer, image, QRegion(image.rect()), scene(size, mode), false);
    return image;
}

void Player::drawArea(render::StageRenderer& renderer, QImage& image, const QRegion& area, const Scene& scene,
                      bool cull) const
{
    // Culling restricts the drawing to the area (which is all of the image
    // otherwise): the renderer then skips what lies outside it.
    const QRegion only = cull ? area : QRegion();
    if (area == QRegion(image.rect())) {
        image.fill(d->background);
    } else {
        // The background's pixel as fill() writes it, written into the area alone.
        QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
        pixel.fill(d->background);
        const QRgb value = reinterpret_cast<const QRgb*>(pixel.constScanLine(0))[0];
        for (const QRect& part : area) {
            const QRect inside = part & image.rect();
            for (int y = inside.top(); y <= inside.bottom(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                std::fill(line + inside.left(), line + inside.right() + 1, value);
            }
        }
    }
    for (const auto& [tree, toDevice] : scene.trees)
        renderer.render(image, scene.viewport, *tree, toDevice, only);
    if (scene.focus.isValid()) {
        QPainter painter(&image);
        painter.setClipRect(scene.viewport);
        if (!only.isEmpty())
            painter.setClipRegion(only, Qt::IntersectClip);
        // The frame lies on the bounds as they are, parts of pixels included.
        const QRectF& focus = scene.focus;
        const double w = scene.focusWidth;
        QPainterPath frame;
        frame.setFillRule(Qt::OddEvenFill);
        frame.addRect(focus);
        if (focus.width() > 2 * w && focus.height() > 2 * w)
            frame.addRect(focus.adjusted(w, w, -w, -w));
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(frame, QColor(255, 255, 0));
    }
}

const QImage& Player::renderFrame(QSize size, ScaleMode mode)
{
    if (size.isEmpty())
        size = stageSize();
    d->guarded([&] { composeFrame(size, mode); });
    if (failed()) {
        if (d->frame.size() != size)
            d->frame = QImage(size, QImage::Format_ARGB32_Premultiplied);
        d->frame.fill(d->background);
        d->tracker.reset();
        d->damage = {d->frame.rect()};
    }
    return d->frame;
}

const std::vector<QRect>& Player::lastDamage() const
{
    return d->damage;
}

std::int64_t Player::keptPictureBytes() const
{
    return d->pictures ? d->pictures->bytes() : 0;
}

namespace {

// Areas at least this large are drawn in bands on several threads.
constexpr qint64 kThreadedPixels = 128 * 1024;

int drawingThreads()
{
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

} // namespace

void Player::composeFrame(QSize size, ScaleMode mode)
{
    const Scene stage = scene(size, mode);
    // A new size or place of the stage leaves nothing of the old picture.
    const bool fresh = d->frame.size() != size || d->frameViewport != stage.viewport;
    if (fresh) {
        if (d->frame.size() != size)
            d->frame = QImage(size, QImage::Format_ARGB32_Premultiplied);
        d->frameViewport = stage.viewport;
    }
    // Everything each tree draws, the levels' after the root's, the focus frame last.
    std::vector<render::DrawItem> items;
    bool partial = true;
    std::uint64_t key = 0;
    for (const auto& [tree, toDevice] : stage.trees)
        partial = d->renderer->collect(items, *tree, toDevice, key++) && partial;
    if (stage.focus.isValid()) {
        render::Hasher signature;
        signature.add(stage.focus.left()).add(stage.focus.top()).add(stage.focus.right()).add(stage.focus.bottom());
        signature.add(stage.focusWidth);
        items.push_back({render::Hasher().add(std::uint64_t(0xf0c05)).value(), signature.value(),
                         render::deviceBounds(stage.focus, QTransform(), 3), {}});
    }
    d->damage = d->tracker.update(std::move(items), d->frame.rect(), fresh || !partial);

    if (d->damage.empty())
        return;
    QRegion damage;
    qint64 pixels = 0;
    for (const QRect& part : d->damage) {
        damage += part;
        pixels += qint64(part.width()) * part.height();
    }
    const int threads = drawingThreads();
    // A blend mode composites whole layers, which one thread must do alone.
    if (!partial || threads < 2 || pixels < kThreadedPixels) {
        drawArea(*d->renderer, d->frame, damage, stage, true);
        return;
    }
    // Bands of whole rows holding as many of the damaged pixels each, each
    // drawn by a renderer of its own (renderers keep caches as they draw)
    // into the same pixels through an image of its own; the rows of a band
    // are those a single pass gives.
    while (int(d->helpers.size()) < threads - 1) {
        d->helpers.push_back(std::make_unique<render::StageRenderer>(d->movie->tags, d->pictures));
        d->helpers.back()->shareBitmaps(*d->renderer);
    }
    const QRect box = damage.boundingRect();
    std::vector<qint64> rowPixels(std::size_t(box.height()) + 1, 0);
    for (const QRect& part : damage) {
        rowPixels[std::size_t(part.top() - box.top())] += part.width();
        rowPixels[std::size_t(part.bottom() + 1 - box.top())] -= part.width();
    }
    std::vector<QRegion> bands;
    const auto addBand = [&](int top, int bottom) {
        QRegion band = damage & QRect(box.left(), top, box.width(), bottom - top);
        if (!band.isEmpty())
            bands.push_back(std::move(band));
    };
    qint64 width = 0;
    qint64 done = 0;
    int top = box.top();
    for (int row = 0; row + 1 < box.height() && int(bands.size()) + 1 < threads; ++row) {
        width += rowPixels[std::size_t(row)];
        done += width;
        if (done * threads >= pixels * qint64(bands.size() + 1)) {
            addBand(top, box.top() + row + 1);
            top = box.top() + row + 1;
        }
    }
    addBand(top, box.top() + box.height());
    uchar* bits = d->frame.bits();
    const qsizetype stride = d->frame.bytesPerLine();
    std::vector<std::future<void>> work;
    for (std::size_t band = 1; band < bands.size(); ++band) {
        render::StageRenderer& helper = *d->helpers[band - 1];
        const QRegion& part = bands[band];
        work.push_back(std::async(std::launch::async, [this, &helper, &stage, bits, stride, &part, size] {
            QImage view(bits, size.width(), size.height(), stride, QImage::Format_ARGB32_Premultiplied);
            drawArea(helper, view, part, stage, true);
        }));
    }
    drawArea(*d->renderer, d->frame, bands.front(), stage, true);
    for (std::future<void>& part : work)
        part.get();
}

} // namespace swf
