#include "platform/swf_player_component.h"

#include "platform/movie_loader.h"
#include "platform/native_path.h"
#include "platform/player_widget.h"
#include "swf/player.h"

namespace veskor {

SwfPlayerComponent::SwfPlayerComponent(QWidget* parent)
    : m_widget(new PlayerWidget(parent)), m_loader(std::make_unique<MovieLoader>())
{
}

SwfPlayerComponent::~SwfPlayerComponent()
{
    delete m_widget.data();
}

Result<void> SwfPlayerComponent::requireMovie() const
{
    if (!m_widget || !m_widget->player())
        return makeError("no movie is loaded");
    return {};
}

Result<void> SwfPlayerComponent::setMovie(const QString& path)
{
    if (!m_widget)
        return makeError("the player has no widget");
    // Paths are kept as text with undecodable bytes escaped; the engine opens the real bytes.
    // Math.random is seeded from the clock: a shuffled quiz differs each time it is opened.
    // A frame's scripts stop in time for the window to repaint.
    // The bitmaps decode while loading, off the window's thread.
    swf::PlayOptions options;
    options.randomSeed = swf::Player::seedFromClock();
    options.maxFrameMilliseconds = swf::Player::kWindowFrameMilliseconds;
    options.decodeBitmapsAtLoad = true;
    options.viewport = QSizeF(m_widget->size());
    // The previous movie goes at once: the stage stands empty while the new one loads.
    m_widget->setPlayer(nullptr);
    m_movie.clear();
    const int request = ++m_requests;
    m_loader->setFirstFrame(m_widget->frameSize(), m_widget->drawMode());
    const std::weak_ptr<bool> alive = m_alive;
    auto player = m_loader->loadAndWait(fsFromPath(path), options);
    // While this waited, a later request put its own outcome in place, or the
    // player itself went: nothing here may be touched any more.
    if (alive.expired() || request != m_requests)
        return makeError(kMovieSuperseded);
    if (!m_widget)
        return makeError("the player has no widget");
    if (!player.ok()) {
        m_widget->setPlayer(nullptr);
        m_movie.clear();
        return player.error();
    }
    m_widget->setPlayer(std::move(player).value());
    m_movie = path;
    m_widget->setPlaying(true);
    return {};
}

Result<void> SwfPlayerComponent::Play()
{
    TRY_VOID(requireMovie());
    m_widget->setPlaying(true);
    return {};
}

Result<void> SwfPlayerComponent::StopPlay()
{
    TRY_VOID(requireMovie());
    m_widget->setPlaying(false);
    return {};
}

Result<void> SwfPlayerComponent::Rewind()
{
    TRY_VOID(requireMovie());
    m_widget->showFrame(0);
    return {};
}

Result<void> SwfPlayerComponent::Back()
{
    TRY_VOID(requireMovie());
    // Like stepping back in the original player: one frame earlier, and stopped there.
    m_widget->setPlaying(false);
    m_widget->showFrame(m_widget->player()->currentFrame() - 1);
    return {};
}

Result<int> SwfPlayerComponent::FrameNum() const
{
    TRY_VOID(requireMovie());
    return m_widget->player()->currentFrame();
}

Result<void> SwfPlayerComponent::setFrameNum(int frame)
{
    TRY_VOID(requireMovie());
    if (frame < 0)
        return makeError("frame number before the first frame");
    // A frame past the end shows the last frame: fast forward near the end lands there.
    m_widget->showFrame(frame);
    return {};
}

Result<int> SwfPlayerComponent::TotalFrames() const
{
    TRY_VOID(requireMovie());
    return m_widget->player()->frameCount();
}

bool SwfPlayerComponent::Playing() const
{
    return m_widget && m_widget->isPlaying();
}

Result<void> SwfPlayerComponent::setPlaying(bool playing)
{
    TRY_VOID(requireMovie());
    m_widget->setPlaying(playing);
    return {};
}

int SwfPlayerComponent::ScaleMode() const
{
    return m_widget ? m_widget->scaleMode() : 0;
}

Result<void> SwfPlayerComponent::setScaleMode(int mode)
{
    if (mode != 0 && mode != 2)
        return makeError("unsupported scale mode");
    if (!m_widget)
        return makeError("the player has no widget");
    m_widget->setScaleMode(mode);
    return {};
}

bool SwfPlayerComponent::Menu() const
{
    return m_widget && m_widget->fullMenu();
}

void SwfPlayerComponent::setMenu(bool full)
{
    if (m_widget)
        m_widget->setFullMenu(full);
}

QWidget* SwfPlayerComponent::widget()
{
    return m_widget.data();
}

std::unique_ptr<PlayerComponent> createSwfPlayer(QWidget* parent)
{
    return std::make_unique<SwfPlayerComponent>(parent);
}

void SwfPlayerComponent::setCommandHandler(CommandHandler handler)
{
    if (!m_widget)
        return;
    QObject::disconnect(m_widget, &PlayerWidget::movieCommand, nullptr, nullptr);
    if (handler)
        QObject::connect(m_widget, &PlayerWidget::movieCommand, m_widget, std::move(handler));
}

} // namespace veskor
