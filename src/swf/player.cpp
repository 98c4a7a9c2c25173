#include "swf/player.h"

#include "swf/format/container.h"
#include "swf/format/limits.h"
#include "swf/format/tag_stream.h"
#include "swf/movie/character_dictionary.h"
#include "swf/movie/playhead.h"
#include "swf/movie/timeline.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <fstream>

namespace swf {

using veskor::makeError;

struct Player::Impl {
    // The records everything below points into: allocated once, never moved.
    std::unique_ptr<Movie> movie;
    std::unique_ptr<movie::CharacterDictionary> dictionary;
    std::unique_ptr<movie::Timeline> rootTimeline;
    std::unique_ptr<movie::Playhead> playhead;
    QColor background = Qt::white;
};

namespace {

veskor::Result<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return makeError("The path is a folder, not a movie.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return makeError("The movie file cannot be opened.");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return makeError("The movie file cannot be read.");
    if (static_cast<std::uint64_t>(size) > limits::kMaxMovieSize)
        return makeError("The movie file is too large to open.");
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return makeError("The movie file cannot be read.");
    return bytes;
}

// The tags of the movie's tag stream. A stream cut short means a damaged download:
// such a file is refused rather than shown half.
veskor::Result<Movie> readMovieRecords(std::span<const std::uint8_t> bytes)
{
    auto container = TRY(openContainer(bytes));
    if (container.truncated)
        return makeError("The movie is truncated.");
    TagStream stream(container.tagData);
    while (stream.next()) {
    }
    if (stream.truncated())
        return makeError("The movie is truncated: its last tag is incomplete.");
    Movie movie;
    movie.header = container.header;
    return movie;
}

} // namespace

Player::Player(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Player::~Player() = default;

veskor::Result<std::unique_ptr<Player>> Player::fromFile(const std::filesystem::path& path)
{
    auto bytes = TRY(readFile(path));
    return fromBytes(std::move(bytes));
}

veskor::Result<std::unique_ptr<Player>> Player::fromBytes(std::vector<std::uint8_t> bytes)
{
    auto movie = TRY(readMovieRecords(bytes));
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
    impl->rootTimeline = std::make_unique<movie::Timeline>(movie::buildTimeline(m.tags, m.header.frameCount));
    impl->playhead = std::make_unique<movie::Playhead>(*impl->rootTimeline, *impl->dictionary);
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

int Player::frameCount() const { return d->playhead->frameCount(); }
QColor Player::backgroundColor() const { return d->background; }
int Player::swfVersion() const { return d->movie->header.version; }
int Player::currentFrame() const { return d->playhead->frame(); }

void Player::gotoFrame(int frame) { d->playhead->gotoFrame(frame); }
void Player::advance() { d->playhead->advance(); }

void Player::render(QPainter& painter, const QRectF& target, ScaleMode) const
{
    painter.fillRect(target, d->background);
}

QImage Player::renderImage(QSize size, ScaleMode mode) const
{
    if (size.isEmpty())
        size = stageSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    render(painter, QRectF(QPointF(0, 0), QSizeF(size)), mode);
    return image;
}

} // namespace swf
