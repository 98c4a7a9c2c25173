#include "player/transport.h"

#include <QWidget>

namespace veskor {

void SliderState::setMax(int max)
{
    Max = max;
    if (Min > Max)
        Min = Max;
    setValue(Value);
}

void SliderState::setMin(int min)
{
    Min = min;
    if (Max < Min)
        Max = Min;
    setValue(Value);
}

void SliderState::setValue(int value) { Value = value < Min ? Min : (value > Max ? Max : value); }

QString playingText(const QString& path) { return QStringLiteral("正在播放的文件： ") + path; }

Transport::Transport(PlayerFactory factory) : m_factory(std::move(factory)) {}

Transport::~Transport() = default;

Result<PlayerComponent*> Transport::working() const
{
    if (!m_player)
        return makeError("no working player");
    return m_player.get();
}

Result<void> Transport::createWorkingPlayer(QWidget* parent)
{
    if (!m_factory)
        return makeError("no player factory");
    std::unique_ptr<PlayerComponent> fresh = m_factory(parent);
    if (!fresh)
        return makeError("the player could not be created");
    m_player = std::move(fresh);
    if (QWidget* w = m_player->widget())
        w->setVisible(true);
    if (onPlayerReplaced)
        onPlayerReplaced(m_player.get());
    return {};
}

Result<void> Transport::playswf()
{
    PlayerComponent* p = TRY(working());
    TRY_VOID(p->Play());
    // Playing again after a stop follows the movie again; a single-frame movie from the
    // tree has nothing to follow and stays untracked.
    if (!timerEnabled) {
        const Result<int> total = p->TotalFrames();
        if (total.ok() && *total > 1) {
            timerEnabled = true;
            slider.Enabled = true;
        }
    }
    return {};
}

Result<void> Transport::pauseswf() { return TRY(working())->StopPlay(); }

Result<void> Transport::stopswf()
{
    timerEnabled = false;
    slider.Enabled = false;
    PlayerComponent* p = TRY(working());
    TRY_VOID(p->Rewind());
    return p->StopPlay();
}

Result<void> Transport::fastforwardswf()
{
    PlayerComponent* p = TRY(working());
    const int frame = TRY(p->FrameNum());
    return p->setFrameNum(frame + 10);
}

Result<void> Transport::fastbackswf()
{
    PlayerComponent* p = TRY(working());
    if (TRY(p->FrameNum()) >= 10)
        return p->setFrameNum(TRY(p->FrameNum()) - 10);
    return p->setFrameNum(0);
}

Result<void> Transport::stepbackswf() { return TRY(working())->Back(); }

void Transport::Sliderswf_Scroll(int value)
{
    slider.setValue(value);
    if (!m_player)
        return;
    const Result<int> frame = m_player->FrameNum();
    if (frame.ok() && *frame >= 0)
        (void)m_player->setFrameNum(slider.Value - 1);
}

void Transport::Timerswf_Timer()
{
    // A step that fails (no movie yet) ends the tick; the texts keep their last values.
    if (!m_player)
        return;
    const Result<int> frame = m_player->FrameNum();
    if (!frame.ok())
        return;
    slider.setValue(*frame + 1);
    slider.ToolTipText = QString::number(slider.Value);
    const Result<int> total = m_player->TotalFrames();
    if (!total.ok())
        return;
    // A movie that loads another into its place brings a new frame count.
    if (slider.Max != *total && slider.Enabled)
        slider.setMax(*total);
    totaltext = QStringLiteral("共%1帧").arg(*total);
    const Result<int> again = m_player->FrameNum();
    if (!again.ok())
        return;
    frametext = QStringLiteral("第%1帧").arg(*again + 1);
    panel4 = totaltext + QStringLiteral("  ") + frametext;
}

Result<void> Transport::trackswf(const QString& path)
{
    const int total = TRY(TRY(working())->TotalFrames());
    slider.setMax(total);
    slider.setMin(1);
    timerEnabled = true;
    slider.Enabled = true;
    panel5 = playingText(path);
    return {};
}

Result<void> Transport::openMovie(const QString& fileName)
{
    swfpath = fileName;
    PlayerComponent* p = TRY(working());
    if (Result<void> loaded = p->setMovie(swfpath); !loaded.ok()) {
        // The player let go of the previous movie when it was asked for this one: its
        // path and frames leave the panels, as after a failed load from the tree.
        // An open made while this one loaded has set them already.
        if (!isSuperseded(loaded.error()))
            forgetMovie();
        return loaded;
    }
    return trackswf(swfpath);
}

void Transport::forgetMovie()
{
    timerEnabled = false;
    slider.Enabled = false;
    slider.ToolTipText.clear();
    totaltext.clear();
    frametext.clear();
    panel4.clear();
    panel5.clear();
}

Result<void> Transport::loadswf(const QString& path, QWidget* playerParent, const std::function<void()>& layout)
{
    TRY_VOID(createWorkingPlayer(playerParent));
    // The previous movie has gone with its instance: its path and frames leave the
    // panels, whether the new movie loads or not.
    forgetMovie();
    PlayerComponent* p = m_player.get();
    // When another open replaced this instance while it loaded, p is gone.
    TRY_VOID(p->setMovie(path));
    TRY_VOID(p->setPlaying(false));
    TRY_VOID(p->setScaleMode(displaymode));
    const int total = TRY(p->TotalFrames());
    if (total == 1) {
        timerEnabled = false;
        slider.Enabled = false;
        panel4 = QStringLiteral("共一帧");
        panel5 = playingText(path);
    } else {
        TRY_VOID(trackswf(path));
    }
    if (layout)
        layout();
    return {};
}

} // namespace veskor
