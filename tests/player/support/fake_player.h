#pragma once

// A player that plays nothing: it keeps a movie path, a frame counter and a frame total,
// and records every call, so the windows' logic can be checked frame by frame.

#include "platform/player_component.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

namespace veskor::testing {

struct FakePlayerConfig {
    int defaultFrames = 120;
    QHash<QString, int> framesByPath;  // movies with another frame count
    QStringList unreadable;            // paths whose load fails
    // Runs once inside the next load, as the window's events do while a real
    // player loads; a load asked for there supersedes the one waiting.
    std::function<void()> whileLoading;
};

class FakePlayer : public PlayerComponent {
public:
    FakePlayer(QWidget* parent, std::shared_ptr<FakePlayerConfig> config)
        : m_config(std::move(config)), m_widget(new QWidget(parent))
    {
        m_widget->setObjectName("fakePlayer");
    }
    ~FakePlayer() override { delete m_widget.data(); }

    Result<void> setMovie(const QString& path) override
    {
        calls << "Movie";
        const int request = ++m_requests;
        if (auto meanwhile = std::exchange(m_config->whileLoading, nullptr))
            meanwhile();
        if (request != m_requests)
            return makeError(kMovieSuperseded);
        if (m_config->unreadable.contains(path)) {
            movie.clear();
            playing = false;
            return makeError("unreadable movie");
        }
        movie = path;
        frame = 0;
        playing = true;
        return {};
    }
    QString Movie() const override { return movie; }

    Result<void> Play() override { calls << "Play"; TRY_VOID(need()); playing = true; return {}; }
    Result<void> StopPlay() override { calls << "StopPlay"; TRY_VOID(need()); playing = false; return {}; }
    Result<void> Rewind() override { calls << "Rewind"; TRY_VOID(need()); frame = 0; return {}; }
    Result<void> Back() override { calls << "Back"; TRY_VOID(need()); if (frame > 0) --frame; return {}; }

    Result<int> FrameNum() const override { TRY_VOID(need()); return frame; }
    Result<void> setFrameNum(int f) override { calls << QStringLiteral("FrameNum=%1").arg(f); TRY_VOID(need()); frame = f; return {}; }
    Result<int> TotalFrames() const override { TRY_VOID(need()); return m_config->framesByPath.value(movie, m_config->defaultFrames); }

    bool Playing() const override { return playing; }
    Result<void> setPlaying(bool p) override { calls << QStringLiteral("Playing=%1").arg(p); playing = p; return {}; }
    int ScaleMode() const override { return scaleMode; }
    Result<void> setScaleMode(int mode) override { calls << QStringLiteral("ScaleMode=%1").arg(mode); scaleMode = mode; return {}; }
    bool Menu() const override { return menu; }
    void setMenu(bool full) override { menu = full; }
    QWidget* widget() override { return m_widget; }

    QString movie;
    int frame = 0;
    bool playing = false;
    int scaleMode = 0;
    bool menu = false;
    QStringList calls;

private:
    Result<void> need() const
    {
        if (movie.isEmpty())
            return makeError("no movie");
        return {};
    }

    std::shared_ptr<FakePlayerConfig> m_config;
    QPointer<QWidget> m_widget;
    int m_requests = 0;
};

// Makes FakePlayers and remembers the last one made.
struct FakePlayerFactory {
    std::shared_ptr<FakePlayerConfig> config = std::make_shared<FakePlayerConfig>();
    std::shared_ptr<int> created = std::make_shared<int>(0);
    std::shared_ptr<FakePlayer*> last = std::make_shared<FakePlayer*>(nullptr);

    PlayerFactory factory() const
    {
        return [config = config, created = created, last = last](QWidget* parent) -> std::unique_ptr<PlayerComponent> {
            auto player = std::make_unique<FakePlayer>(parent, config);
            ++*created;
            *last = player.get();
            return player;
        };
    }
};

} // namespace veskor::testing
