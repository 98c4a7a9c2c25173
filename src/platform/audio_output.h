#pragma once

// The movie's sound on the desktop: the engine's mixed samples (44.1 kHz,
// 16-bit stereo) pushed to a Qt Multimedia sink as the frames make them. The
// stream carries the application's name, so the desktop's mixer shows
// "Veskor" with a volume of its own. Without a sound device it stays silent
// and says nothing.

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

namespace veskor {

class AudioOutput : public QObject {
    Q_OBJECT
public:
    explicit AudioOutput(QObject* parent = nullptr);
    ~AudioOutput() override;

    // Whether a device plays what is written.
    bool active() const { return m_device != nullptr; }
    // Plays stereo pairs at the engine's rate; what the device cannot take
    // now is dropped rather than queued, so the sound never lags the picture.
    void write(const std::int16_t* pairs, std::size_t count);
    // Pause keeps what the device holds for resume(); stop() drops it at once.
    void pause();
    void resume();
    void stop();

private:
    void open();

    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_device = nullptr; // the sink's, while it runs
};

} // namespace veskor
