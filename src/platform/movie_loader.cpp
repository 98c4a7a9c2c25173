#include "platform/movie_loader.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <QThreadPool>

#include <atomic>
#include <optional>

namespace veskor {

// One load: the worker sees whether it is still wanted, so that a superseded
// movie is also let go there rather than on the waiting thread.
struct MovieLoader::Request {
    std::atomic<bool> wanted{true};
};

namespace {

// One worker for all loads, one movie at a time: a movie's first frame runs
// its scripts, and two movies' engines are never run side by side.
struct SerialPool : QThreadPool {
    SerialPool() { setMaxThreadCount(1); }
};

QThreadPool& loadingThread()
{
    static SerialPool pool;
    return pool;
}

} // namespace

void MovieLoader::waitForLoads()
{
    loadingThread().waitForDone();
}

MovieLoader::MovieLoader(QObject* parent) : QObject(parent) {}

MovieLoader::~MovieLoader()
{
    cancel();
}

void MovieLoader::cancel()
{
    if (m_current)
        m_current->wanted = false;
    m_current.reset();
    if (Done previous = std::exchange(m_done, nullptr))
        previous(makeError(kMovieSuperseded));
}

void MovieLoader::setFirstFrame(QSize size, swf::ScaleMode mode)
{
    m_firstFrameSize = size;
    m_firstFrameMode = mode;
}

void MovieLoader::load(const std::filesystem::path& path, const swf::PlayOptions& options, Done done)
{
    cancel();
    auto request = std::make_shared<Request>();
    m_current = request;
    m_done = std::move(done);
    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        Outcome outcome = watcher->result();
        if (request != m_current || !outcome)
            return;
        m_current.reset();
        if (Done finished = std::exchange(m_done, nullptr))
            finished(std::move(*outcome));
    });
    m_future = QtConcurrent::run(&loadingThread(), [path, options, request, size = m_firstFrameSize,
                                                    mode = m_firstFrameMode]() -> Outcome {
        auto outcome = std::make_shared<Loaded>(swf::Player::fromFile(path, options));
        if (outcome->ok() && !size.isEmpty() && request->wanted)
            (**outcome)->renderFrame(size, mode);
        // Nobody waits for it any more: it goes here, off the waiting thread.
        if (!request->wanted)
            return nullptr;
        return outcome;
    });
    watcher->setFuture(m_future);
}

MovieLoader::Loaded MovieLoader::loadAndWait(const std::filesystem::path& path, const swf::PlayOptions& options)
{
    std::optional<Loaded> outcome;
    QEventLoop waiting;
    load(path, options, [&](Loaded loaded) {
        outcome.emplace(std::move(loaded));
        waiting.quit();
    });
    if (!outcome)
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    if (!outcome) {
        // The program is quitting, which ends every event loop: the movie is
        // waited for here, as the window is going anyway.
        const Outcome finished = m_future.result();
        m_current.reset();
        m_done = nullptr;
        if (finished)
            return std::move(*finished);
        return makeError(kMovieSuperseded);
    }
    return std::move(*outcome);
}

} // namespace veskor
