#include "swf/sound/mixer.h"

#include "swf/sound/limits.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace swf::sound {
namespace {

// Rates as twice their value, so that 5512.5 Hz is a whole number: a sound's
// sample at output sample j is j * rate2 / (2 * 44100), held until the next,
// as the original player's mixer repeats the samples of slower sounds.
std::uint64_t twiceRate(double rate)
{
    return std::max<std::uint64_t>(1, std::uint64_t(std::llround(rate * 2)));
}

constexpr std::uint64_t kOutput2 = 2 * kOutputRate;

std::uint64_t sourceIndex(std::uint64_t outputIndex, std::uint64_t rate2)
{
    return outputIndex * rate2 / kOutput2;
}

// The level of an envelope (0 to 32768 a channel) at a position of the sound.
void envelopeAt(const std::vector<SoundEnvelopePoint>& envelope, std::uint64_t position, float& left, float& right)
{
    if (envelope.empty())
        return;
    auto next = std::find_if(envelope.begin(), envelope.end(),
                             [&](const SoundEnvelopePoint& p) { return p.position > position; });
    if (next == envelope.begin()) {
        left = envelope.front().left / 32768.0f;
        right = envelope.front().right / 32768.0f;
        return;
    }
    const auto& a = *(next - 1);
    if (next == envelope.end()) {
        left = a.left / 32768.0f;
        right = a.right / 32768.0f;
        return;
    }
    const float t = float(position - a.position) / float(next->position - a.position);
    left = (a.left + (next->left - a.left) * t) / 32768.0f;
    right = (a.right + (next->right - a.right) * t) / 32768.0f;
}

} // namespace

Transform Transform::fromPan(double pan, double volume)
{
    Transform t;
    t.volume = volume;
    pan = std::clamp(pan, -100.0, 100.0);
    t.ll = pan > 0 ? 100 - pan : 100;
    t.rr = pan < 0 ? 100 + pan : 100;
    return t;
}

double Transform::pan() const
{
    return ll < 100 ? 100 - ll : rr < 100 ? rr - 100 : 0;
}

struct Mixer::Voice {
    std::shared_ptr<const Pcm> sound;
    std::uint64_t rate2 = 0;
    std::uint64_t begin = 0; // output samples from the sound's start: where each loop starts
    std::uint64_t end = 0;   // and ends
    std::uint64_t at = 0;
    int loopsLeft = 1;
    std::vector<SoundEnvelopePoint> envelope;
    Owner owner = 0;
    std::uint64_t cookie = 0;
};

struct Mixer::Stream {
    SoundStreamHead head;
    std::unique_ptr<StreamDecoder> decoder;
    std::deque<std::int16_t> queue; // decoded, interleaved at the decoder's channels
    std::uint64_t clock = 0;        // output samples played since the stream (re)started
    std::uint64_t dropped = 0;      // source samples taken off the queue's front meanwhile
};

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

std::shared_ptr<const Pcm> Mixer::decoded(const DefineSound& sound)
{
    auto& slot = m_decoded[{sound.data.data(), sound.data.size(), sound.sampleCount}];
    if (!slot)
        slot = std::make_shared<const Pcm>(decodeSound(sound));
    return slot;
}

bool Mixer::start(std::shared_ptr<const Pcm> sound, const SoundInfo& info, Owner owner, std::uint64_t cookie,
                  double offsetSeconds)
{
    if (!sound)
        return false;
    if (info.stop) {
        stop(sound.get());
        return false;
    }
    if (info.noMultiple && playing(sound.get()))
        return false;
    if (sound->frames() == 0 || m_voices.size() >= limits::kMaxVoices)
        return false;
    auto v = std::make_unique<Voice>();
    v->rate2 = twiceRate(sound->rate);
    const std::uint64_t length = (std::uint64_t(sound->frames()) * kOutput2 + v->rate2 - 1) / v->rate2;
    v->end = std::min<std::uint64_t>(length, info.outPoint.value_or(length));
    v->begin = std::min<std::uint64_t>(info.inPoint.value_or(0), v->end);
    const double offset = std::isfinite(offsetSeconds) ? std::max(0.0, offsetSeconds) * kOutputRate : 0.0;
    v->at = std::min<std::uint64_t>(v->begin + std::uint64_t(std::min(offset, 1e15)), v->end);
    if (v->at >= v->end)
        return false;
    v->loopsLeft = std::max(1, int(info.loops.value_or(1)));
    v->envelope = info.envelope;
    v->owner = owner;
    v->cookie = cookie;
    v->sound = std::move(sound);
    m_voices.push_back(std::move(v));
    return true;
}

bool Mixer::playing(const Pcm* sound) const
{
    return std::any_of(m_voices.begin(), m_voices.end(), [&](const auto& v) { return v->sound.get() == sound; });
}

void Mixer::stop(const Pcm* sound)
{
    std::erase_if(m_voices, [&](const auto& v) { return v->sound.get() == sound; });
}

void Mixer::stopOwner(Owner owner, const Pcm* sound)
{
    std::erase_if(m_voices, [&](const auto& v) { return v->owner == owner && (!sound || v->sound.get() == sound); });
}

void Mixer::stopInstance(std::uint64_t cookie)
{
    std::erase_if(m_voices, [&](const auto& v) { return v->cookie == cookie; });
}

void Mixer::stopAll()
{
    m_voices.clear();
    m_streams.clear();
}

double Mixer::position(std::uint64_t cookie) const
{
    for (const auto& v : m_voices) {
        if (v->cookie == cookie)
            return double(v->at) * 1000.0 / kOutputRate;
    }
    return -1;
}

std::vector<std::uint64_t> Mixer::finished()
{
    return std::exchange(m_finished, {});
}

void Mixer::streamBlock(Owner owner, const SoundStreamHead& head, std::span<const std::uint8_t> block, bool continues)
{
    auto& slot = m_streams[owner];
    if (!slot || !(slot->head == head)) {
        slot = std::make_unique<Stream>();
        slot->head = head;
        slot->decoder = std::make_unique<StreamDecoder>(head.stream);
        continues = false;
    }
    Stream& s = *slot;
    if (!continues) {
        s.decoder->reset();
        s.queue.clear();
        s.clock = 0;
        s.dropped = 0;
    }
    std::vector<std::int16_t> samples;
    s.decoder->decodeBlock(block, !continues, samples);
    const std::size_t room = limits::kMaxStreamBacklog * 2 - std::min(s.queue.size(), limits::kMaxStreamBacklog * 2);
    s.queue.insert(s.queue.end(), samples.begin(), samples.begin() + std::ptrdiff_t(std::min(room, samples.size())));
}

void Mixer::stopStream(Owner owner)
{
    m_streams.erase(owner);
}

bool Mixer::streaming(Owner owner) const
{
    const auto it = m_streams.find(owner);
    return it != m_streams.end() && !it->second->queue.empty();
}

// Scripts may set any number; what is heard stays between silence and full
// level, a channel gain between inverted and full.
void Mixer::setTransform(Owner owner, const Transform& transform)
{
    auto bound = [](double v, double low) { return std::isfinite(v) ? std::clamp(v, low, 100.0) : 0.0; };
    m_transforms[owner] = Transform{bound(transform.volume, 0), bound(transform.ll, -100), bound(transform.lr, -100),
                                    bound(transform.rl, -100), bound(transform.rr, -100)};
}

Transform Mixer::transform(Owner owner) const
{
    const auto it = m_transforms.find(owner);
    return it != m_transforms.end() ? it->second : Transform{};
}

// The 2x2 matrix (left to left, left to right, right to left, right to right)
// of an owner's transform followed by the movie's.
void Mixer::gains(Owner owner, float out[4]) const
{
    auto matrix = [](const Transform& t, float m[4]) {
        const float v = float(t.volume / 100.0);
        m[0] = float(t.ll / 100.0) * v;
        m[1] = float(t.lr / 100.0) * v;
        m[2] = float(t.rl / 100.0) * v;
        m[3] = float(t.rr / 100.0) * v;
    };
    float g[4];
    matrix(transform(0), g);
    if (owner == 0) {
        std::copy(g, g + 4, out);
        return;
    }
    float o[4];
    matrix(transform(owner), o);
    // outL = g.ll * midL + g.rl * midR, midL = o.ll * L + o.rl * R, ...
    out[0] = g[0] * o[0] + g[2] * o[1];
    out[1] = g[1] * o[0] + g[3] * o[1];
    out[2] = g[0] * o[2] + g[2] * o[3];
    out[3] = g[1] * o[2] + g[3] * o[3];
}

void Mixer::mix(std::int16_t* out, std::size_t frames)
{
    std::vector<float> acc(frames * 2, 0.0f);
    for (auto& v : m_voices) {
        float g[4];
        gains(v->owner, g);
        const Pcm& pcm = *v->sound;
        const std::size_t channels = std::size_t(pcm.channels);
        for (std::size_t i = 0; i < frames && v->loopsLeft > 0; ++i) {
            const std::size_t src = std::min<std::size_t>(sourceIndex(v->at, v->rate2), pcm.frames() - 1) * channels;
            float l = pcm.samples[src];
            float r = channels > 1 ? pcm.samples[src + 1] : l;
            float el = 1, er = 1;
            envelopeAt(v->envelope, v->at, el, er);
            acc[2 * i] += g[0] * l * el + g[2] * r * er;
            acc[2 * i + 1] += g[1] * l * el + g[3] * r * er;
            if (++v->at >= v->end) {
                if (--v->loopsLeft > 0)
                    v->at = v->begin;
            }
        }
    }
    std::erase_if(m_voices, [&](const auto& v) {
        if (v->loopsLeft > 0)
            return false;
        if (v->cookie)
            m_finished.push_back(v->cookie);
        return true;
    });

    for (auto& [owner, s] : m_streams) {
        float g[4];
        gains(owner, g);
        const std::uint64_t rate2 = twiceRate(s->decoder->rate());
        const std::size_t channels = std::size_t(std::max(1, s->decoder->channels()));
        for (std::size_t i = 0; i < frames; ++i) {
            const std::uint64_t index = sourceIndex(s->clock, rate2) - s->dropped;
            // Starved: the timeline has not brought the block yet (or
            // stopped). The stream waits where it is for the next.
            if ((index + 1) * channels > s->queue.size())
                break;
            const float l = s->queue[std::size_t(index) * channels];
            const float r = channels > 1 ? s->queue[std::size_t(index) * channels + 1] : l;
            acc[2 * i] += g[0] * l + g[2] * r;
            acc[2 * i + 1] += g[1] * l + g[3] * r;
            ++s->clock;
        }
        const std::uint64_t used = std::min<std::uint64_t>(sourceIndex(s->clock, rate2) - s->dropped,
                                                           s->queue.size() / channels);
        s->queue.erase(s->queue.begin(), s->queue.begin() + std::ptrdiff_t(used * channels));
        s->dropped += used;
    }

    for (std::size_t i = 0; i < frames * 2; ++i)
        out[i] = std::int16_t(std::clamp(std::lround(acc[i]), -32768L, 32767L));
}

bool Mixer::streaming() const
{
    return std::any_of(m_streams.begin(), m_streams.end(), [](const auto& s) { return !s.second->queue.empty(); });
}

bool Mixer::silent() const
{
    return m_voices.empty() && !streaming();
}

} // namespace swf::sound
