#include "platform/audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace veskor {

namespace {

constexpr int kRate = 44100;
// What the device is asked to hold: a fifth of a second, enough to ride out
// a late frame, little enough to follow the picture.
constexpr qsizetype kBufferBytes = kRate / 5 * 4;

} // namespace

AudioOutput::AudioOutput(QObject* parent) : QObject(parent)
{
    open();
}

AudioOutput::~AudioOutput()
{
    stop();
}

void AudioOutput::open()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(kRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->setBufferSize(kBufferBytes);
    m_device = m_sink->start();
    if (!m_device)
        m_sink.reset();
}

void AudioOutput::write(const std::int16_t* pairs, std::size_t count)
{
    if (!m_device || count == 0)
        return;
    const qsizetype room = m_sink->bytesFree();
    const qsizetype bytes = std::min<qsizetype>(qsizetype(count) * 4, room);
    if (bytes > 0)
        m_device->write(reinterpret_cast<const char*>(pairs), bytes - bytes % 4);
}

void AudioOutput::pause()
{
    if (m_sink)
        m_sink->suspend();
}

void AudioOutput::resume()
{
    if (m_sink)
        m_sink->resume();
}

void AudioOutput::stop()
{
    if (!m_sink)
        return;
    m_sink->reset();
    m_device = m_sink->start();
}

} // namespace veskor
