#include "platform/player_widget.h"

#include "platform/audio_output.h"
#include "platform/movie_clipboard.h"

#include "swf/player.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace veskor {

void FrameClock::start(double nowMs, double intervalMs)
{
    // A rate of 0 or a huge one in a header must not stall the widget or spin the CPU.
    m_interval = std::isfinite(intervalMs) ? std::clamp(intervalMs, 1000.0 / 120, 1000.0) : 1000.0 / 12;
    m_origin = nowMs;
    m_framesTaken = 0;
}

int FrameClock::takeDueFrames(double nowMs, int maxCatchUp)
{
    const long long due = static_cast<long long>(std::floor((nowMs - m_origin) / m_interval));
    const long long pending = due - m_framesTaken;
    if (pending <= 0)
        return 0;
    if (pending > maxCatchUp) {
        // Far behind (a stalled machine, a suspended process): show one frame and
        // carry on from now rather than rushing through the missed ones.
        m_origin = nowMs;
        m_framesTaken = 0;
        return 1;
    }
    m_framesTaken = due;
    return static_cast<int>(pending);
}

int FrameClock::takeStreamFrames(double nowMs)
{
    return takeDueFrames(nowMs, static_cast<int>(std::ceil(kStreamStallMs / m_interval)));
}

void FrameClock::putBack(int frames)
{
    m_framesTaken = std::max(0LL, m_framesTaken - std::max(0, frames));
}

double FrameClock::msUntilNextFrame(double nowMs) const
{
    const double next = m_origin + static_cast<double>(m_framesTaken + 1) * m_interval;
    return std::max(0.0, next - nowMs);
}

int playDueFrames(FrameClock& clock, swf::Player& player, const std::function<double()>& nowMs)
{
    const double start = nowMs();
    const int due = player.streamPlaying() ? clock.takeStreamFrames(start) : clock.takeDueFrames(start);
    for (int i = 0; i < due; ++i) {
        player.advance();
        if (i + 1 < due && nowMs() - start >= kTickWorkMs) {
            clock.putBack(due - i - 1);
            return i + 1;
        }
    }
    return due;
}

PlayerWidget::PlayerWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PlayerWidget::onTick);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

namespace {

// The character a key event types, as Key.getAscii reports it: 0 for none
// or one past ASCII.
int asciiOf(const QKeyEvent& event)
{
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).unicode() < 128 ? text.at(0).unicode() : 0;
}

// The movie's key code (Key.getCode) for a Qt key, or 0.
int movieKeyCode(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

} // namespace

PlayerWidget::~PlayerWidget() = default;

void PlayerWidget::setPlayer(std::unique_ptr<swf::Player> player)
{
    m_timer.stop();
    m_playing = false;
    silence();
    m_player = std::move(player);
    if (m_player) {
        m_player->setViewportSize(QSizeF(size()));
        m_player->setTimelinePlaying(false);
        // Web addresses a movie opens go to the desktop's browser; other schemes
        // (javascript:, file:, asfunction:) are not followed.
        m_player->setUrlHandler([](const std::string& address, const std::string&) {
            const QUrl url = QUrl::fromUserInput(QString::fromStdString(address));
            const QString scheme = url.scheme().toLower();
            if (url.isValid() && (scheme == "http" || scheme == "https" || scheme == "mailto"))
                QDesktopServices::openUrl(url);
        });
        // The window hears of fscommands once the frame is over, never in the middle of one.
        m_player->setCommandHandler([this](const std::string& command, const std::string& arguments) {
            const QString name = QString::fromStdString(command);
            const QString text = QString::fromStdString(arguments);
            QMetaObject::invokeMethod(this, [this, name, text] {
                // Quitting stops the movie as a whole, its clips and scripts too, until played again.
                if (name.compare(QStringLiteral("quit"), Qt::CaseInsensitive) == 0) {
                    setPlaying(false);
                    m_timer.stop();
                }
                emit movieCommand(name, text);
            }, Qt::QueuedConnection);
        });
        restartClock();
    }
    update();
    emit frameChanged(m_player ? m_player->currentFrame() : 0);
}

void PlayerWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A movie that does not scale lays itself out for the window's size.
    if (m_player)
        m_player->setViewportSize(QSizeF(size()));
}

double PlayerWidget::frameRate() const
{
    return m_player ? m_player->frameRate() : 0.0;
}

void PlayerWidget::setPlaying(bool playing)
{
    if (!m_player || m_player->failed())
        playing = false;
    m_playing = playing;
    if (!playing)
        silence();
    if (m_player)
        m_player->setTimelinePlaying(playing);
    if (playing && !m_timer.isActive())
        restartClock();
}

void PlayerWidget::restartClock()
{
    if (!m_player || m_player->failed())
        return;
    // The frame shown now counts as the one due now: the next follows a full interval later.
    m_elapsed.start();
    m_clock.start(0, 1000.0 / m_player->frameRate());
    scheduleNextTick();
}

void PlayerWidget::showFrame(int frame)
{
    if (!m_player)
        return;
    m_player->gotoFrame(frame);
    // Going to a frame stops the timeline; a playing movie plays on from there.
    if (m_playing)
        m_player->setTimelinePlaying(true);
    stopIfFailed();
    restartClock();
    update();
    emit frameChanged(m_player->currentFrame());
}

void PlayerWidget::setScaleMode(int mode)
{
    m_scaleMode = mode;
    update();
}

// The clock runs while a movie is loaded, playing or not: a stopped movie
// stays on its frame, but its clips and scripts go on, as in the player.
void PlayerWidget::onTick()
{
    if (!m_player || m_player->failed())
        return;
    // Frames that fell due together are all played and drawn once.
    const int frames =
        playDueFrames(m_clock, *m_player, [this] { return static_cast<double>(m_elapsed.nsecsElapsed()) / 1e6; });
    playSound();
    if (frames > 0) {
        refresh();
        emit frameChanged(m_player->currentFrame());
    }
    stopIfFailed();
    if (!m_player->failed())
        scheduleNextTick();
}

void PlayerWidget::playSound()
{
    constexpr std::size_t kChunk = 4096;
    std::int16_t pairs[kChunk * 2];
    for (;;) {
        const std::size_t got = m_player->mixAudio(pairs, kChunk);
        if (got > 0 && m_playing) {
            if (!m_audio)
                m_audio = std::make_unique<AudioOutput>();
            m_audio->write(pairs, got);
        }
        if (got < kChunk)
            return;
    }
}

void PlayerWidget::silence()
{
    if (m_audio)
        m_audio->stop();
}

void PlayerWidget::stopIfFailed()
{
    if (m_player && m_player->failed()) {
        m_playing = false;
        m_timer.stop();
        update();
    }
}

void PlayerWidget::scheduleNextTick()
{
    const double wait = m_clock.msUntilNextFrame(static_cast<double>(m_elapsed.nsecsElapsed()) / 1e6);
    m_timer.start(static_cast<int>(std::ceil(wait)));
}

void PlayerWidget::stepForward()
{
    if (!m_player)
        return;
    setPlaying(false);
    showFrame(std::min(m_player->currentFrame() + 1, m_player->frameCount() - 1));
}

void PlayerWidget::stepBack()
{
    if (!m_player)
        return;
    setPlaying(false);
    showFrame(std::max(m_player->currentFrame() - 1, 0));
}

swf::ScaleMode PlayerWidget::drawMode() const
{
    return m_scaleMode == 2 ? swf::ScaleMode::ExactFit : swf::ScaleMode::ShowAll;
}

QSize PlayerWidget::frameSize() const
{
    // Drawn at the screen's own pixel density, so vector art stays sharp on dense screens.
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::ceil(width() * ratio)), static_cast<int>(std::ceil(height() * ratio)));
}

void PlayerWidget::refresh()
{
    if (!m_player || !isVisible()) {
        update();
        return;
    }
    // The frame is drawn now, over the one before where it changed, and only
    // that part of the window is repainted.
    const swf::ScaleMode mode = drawMode();
    m_player->renderFrame(frameSize(), mode);
    const qreal ratio = devicePixelRatioF();
    QRegion changed;
    for (const QRect& area : m_player->lastDamage())
        changed += QRectF(area.x() / ratio, area.y() / ratio, area.width() / ratio, area.height() / ratio).toAlignedRect();
    if (!changed.isEmpty())
        update(changed);
}

void PlayerWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!m_player) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    const swf::ScaleMode mode = drawMode();
    // Usually drawn already by refresh(): then nothing has changed and this
    // only hands back the picture.
    const QImage& frame = m_player->renderFrame(frameSize(), mode);
    const qreal ratio = devicePixelRatioF();
    const QRect exposed = event->rect();
    painter.drawImage(QRectF(exposed), frame,
                      QRectF(exposed.x() * ratio, exposed.y() * ratio, exposed.width() * ratio, exposed.height() * ratio));
    if (m_player->failed()) {
        // The movie stopped on an error: a note says so, rather than a picture that just froze.
        const QString note = QStringLiteral("动画出错，已停止播放。\n") + QString::fromStdString(m_player->errorMessage());
        const QRect box = painter.boundingRect(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, note)
                              .adjusted(-12, -8, 12, 8);
        painter.fillRect(box, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, note);
    }
}

void PlayerWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    const bool hasMovie = m_player != nullptr;
    if (m_fullMenu) {
        QAction* normal = menu.addAction(QStringLiteral("正常画面"), this, [this] { setScaleMode(0); });
        normal->setCheckable(true);
        normal->setChecked(m_scaleMode != 2);
        QAction* fit = menu.addAction(QStringLiteral("缩放至窗口大小"), this, [this] { setScaleMode(2); });
        fit->setCheckable(true);
        fit->setChecked(m_scaleMode == 2);
        menu.addSeparator();
    }
    QAction* play = menu.addAction(QStringLiteral("播放"), this, [this] { setPlaying(true); });
    play->setEnabled(hasMovie && !m_playing);
    QAction* pause = menu.addAction(QStringLiteral("暂停"), this, [this] { setPlaying(false); });
    pause->setEnabled(hasMovie && m_playing);
    if (m_fullMenu) {
        menu.addSeparator();
        menu.addAction(QStringLiteral("倒带"), this, [this] { showFrame(0); })->setEnabled(hasMovie);
        menu.addAction(QStringLiteral("前进"), this, [this] { stepForward(); })->setEnabled(hasMovie);
        menu.addAction(QStringLiteral("后退"), this, [this] { stepBack(); })->setEnabled(hasMovie);
    }
    menu.exec(event->globalPos());
}

} // namespace veskor

namespace veskor {

void PlayerWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_player)
        return;
    const swf::ScaleMode mode = drawMode();
    m_player->mouseMove(event->position(), QRectF(rect()), mode);
    afterInput();
}

void PlayerWidget::mousePressEvent(QMouseEvent* event)
{
    if (!m_player || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const swf::ScaleMode mode = drawMode();
    m_player->mouseMove(event->position(), QRectF(rect()), mode);
    m_player->mousePress();
    afterInput();
}

void PlayerWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_player || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_player->mouseRelease();
    afterInput();
}

void PlayerWidget::wheelEvent(QWheelEvent* event)
{
    if (!m_player)
        return QWidget::wheelEvent(event);
    // A notch (120 eighths of a degree) scrolls the lines the desktop sets.
    m_wheelEighths += event->angleDelta().y();
    const int notches = m_wheelEighths / 120;
    if (notches == 0)
        return;
    m_wheelEighths -= notches * 120;
    const swf::ScaleMode mode = drawMode();
    m_player->mouseMove(event->position(), QRectF(rect()), mode);
    m_player->mouseWheel(notches * QApplication::wheelScrollLines());
    afterInput();
}

void PlayerWidget::keyPressEvent(QKeyEvent* event)
{
    const int code = movieKeyCode(event->key());
    if (!m_player || !m_player->runsScripts() || (!code && event->text().isEmpty()))
        return QWidget::keyPressEvent(event);
    const QString text = event->text();
    const int ascii = asciiOf(*event);
    m_player->keyPress(code ? code : ascii, ascii);
    // The focused field's Select All, Copy, Cut or Paste is neither text nor an edit.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard && runFieldKey(*m_player, *event, *clipboard))
        return afterInput();
    // Control characters (backspace, escape...) are keys, not text.
    if (!text.isEmpty() && (text.at(0).unicode() >= 32 || text.at(0) == u'\r') && text.at(0).unicode() != 127)
        m_player->typeText(text);
    else
        m_player->editText(code);
    afterInput();
}

void PlayerWidget::keyReleaseEvent(QKeyEvent* event)
{
    const int code = movieKeyCode(event->key());
    if (!m_player || !m_player->runsScripts() || !code)
        return QWidget::keyReleaseEvent(event);
    m_player->keyRelease(code, asciiOf(*event));
    afterInput();
}

bool PlayerWidget::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && m_player && m_player->runsScripts()
        && movieTakesFieldKey(*m_player, *static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

// A button may have changed its look or a script the frame.
void PlayerWidget::afterInput()
{
    stopIfFailed();
    setCursor(m_player && m_player->pointerOverButton() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    refresh();
    emit frameChanged(m_player ? m_player->currentFrame() : 0);
}

} // namespace veskor
