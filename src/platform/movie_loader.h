#pragma once

// Loads movies on a worker thread: reading the file, decompressing, parsing,
// decoding the bitmaps and playing the first frame all happen there, and the
// ready movie comes back on the thread that asked, so a window keeps painting
// while a large movie loads. The newest request wins: a load asked for while
// another runs supersedes it, and the earlier result is dropped unseen.

#include "common/result.h"
#include "platform/player_component.h"
#include "swf/player.h"

#include <QFuture>
#include <QObject>
#include <QSize>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

namespace veskor {

class MovieLoader : public QObject {
    Q_OBJECT
public:
    using Loaded = Result<std::unique_ptr<swf::Player>>;
    using Done = std::function<void(Loaded)>;

    explicit MovieLoader(QObject* parent = nullptr);
    ~MovieLoader() override;

    // Starts loading `path` with `options`. `done` runs once on this object's
    // thread: with the movie or the loading error (the engine's message as is),
    // or, when a later load() supersedes this one or the loader is destroyed
    // first, at once with kMovieSuperseded.
    void load(const std::filesystem::path& path, const swf::PlayOptions& options, Done done);
    bool isLoading() const { return static_cast<bool>(m_done); }
    // The picture the movies will be shown at: loads started from now on
    // also draw the first frame there, so that the window's first drawing
    // finds it done. An empty size draws nothing.
    void setFirstFrame(QSize size, swf::ScaleMode mode);

    // Waits until no load of any loader runs on the worker (tests, and the
    // end of a program).
    static void waitForLoads();

    // load(), waiting for the outcome while this thread's event loop keeps
    // running (painting, timers; input waits until the load is over).
    Loaded loadAndWait(const std::filesystem::path& path, const swf::PlayOptions& options);

private:
    // Drops the load under way, if any; whoever asked hears kMovieSuperseded.
    void cancel();

    struct Request;
    using Outcome = std::shared_ptr<Loaded>;
    std::shared_ptr<Request> m_current;
    QFuture<Outcome> m_future;
    Done m_done;
    QSize m_firstFrameSize;
    swf::ScaleMode m_firstFrameMode = swf::ScaleMode::ShowAll;
};

} // namespace veskor
