#pragma once

// The working player of the program: the PlayerComponent interface over the project's
// own Flash engine, shown in a PlayerWidget.

#include "platform/player_component.h"

#include <QPointer>
#include <memory>

namespace veskor {

class MovieLoader;
class PlayerWidget;

class SwfPlayerComponent : public PlayerComponent {
public:
    explicit SwfPlayerComponent(QWidget* parent);
    ~SwfPlayerComponent() override;

    Result<void> setMovie(const QString& path) override;
    QString Movie() const override { return m_movie; }

    Result<void> Play() override;
    Result<void> StopPlay() override;
    Result<void> Rewind() override;
    Result<void> Back() override;

    Result<int> FrameNum() const override;
    Result<void> setFrameNum(int frame) override;
    Result<int> TotalFrames() const override;

    bool Playing() const override;
    Result<void> setPlaying(bool playing) override;

    int ScaleMode() const override;
    Result<void> setScaleMode(int mode) override;

    bool Menu() const override;
    void setMenu(bool full) override;

    QWidget* widget() override;
    void setCommandHandler(CommandHandler handler) override;

private:
    Result<void> requireMovie() const;

    // The parent widget may delete the player widget before this object goes.
    QPointer<PlayerWidget> m_widget;
    // Movies load on a worker thread while the window keeps painting.
    std::unique_ptr<MovieLoader> m_loader;
    int m_requests = 0;
    // Gone with this object, for a load waiting in the event loop to see.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QString m_movie;
};

// The factory the main window uses for every fresh player instance.
std::unique_ptr<PlayerComponent> createSwfPlayer(QWidget* parent);

} // namespace veskor
