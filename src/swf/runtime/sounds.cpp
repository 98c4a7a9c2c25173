// The sounds of timelines and buttons: each frame a clip shows starts the
// event sounds its tags name and hands its stream block to the mixer.

#include "swf/runtime/movie_runtime.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace swf::runtime {

namespace {

// Pairs of mixed sound kept for a player that does not take them (four seconds).
constexpr std::size_t kAudioBacklog = std::size_t(sound::kOutputRate) * 4;

// Loaded sounds' names: no linkage name holds a NUL.
const std::string kAdoptedPrefix("\0loaded:", 8);

} // namespace

void MovieRuntime::frameSounds(movie::DisplayObject& clip, int frame)
{
    if (!clip.clip || !clip.clip->timeline)
        return;
    const movie::FrameSound* sound = clip.clip->timeline->soundAt(frame);
    if (!sound)
        return;
    const movie::CharacterDictionary& dictionary = clip.clip->dictionary ? *clip.clip->dictionary : m_dictionary;
    for (const StartSound& start : sound->starts) {
        if (const DefineSound* definition = start.soundId ? dictionary.sound(start.soundId) : nullptr)
            m_sound.start(m_sound.decoded(*definition), start.info, clip.id);
    }
    if (sound->streamBlock && clip.clip->timeline->streamHead) {
        // A frame that follows the last one played continues the stream;
        // a goto elsewhere (or the loop back to the start) restarts it there.
        auto [last, fresh] = m_streamFrames.try_emplace(clip.id, frame);
        const bool continues = !fresh && last->second + 1 == frame;
        last->second = frame;
        m_streamFed = true;
        m_sound.streamBlock(clip.id, *clip.clip->timeline->streamHead, *sound->streamBlock, continues);
    }
}

// The four transitions a button can sound on: over to up, up to over, over
// to down and down to over. Leaving from down (a release outside) sounds as
// leaving from over; pressing without having been over, as pressing.
void MovieRuntime::buttonSound(Instance* button, int from, int to)
{
    if (!button->object || !button->object->character)
        return;
    const ButtonSounds* sounds = dictionaryOf(button->parent).buttonSounds(button->object->characterId);
    if (!sounds)
        return;
    const int transition = to == 0 ? 0 : to == 2 ? 2 : from == 0 ? 1 : 3;
    const ButtonSounds::Entry& entry = sounds->transitions[std::size_t(transition)];
    if (const DefineSound* definition = entry.soundId ? dictionaryOf(button->parent).sound(entry.soundId) : nullptr)
        m_sound.start(m_sound.decoded(*definition), entry.info, button->object->id);
}

void MovieRuntime::playFrameSound()
{
    ++m_soundFrames;
    const auto until = std::uint64_t(std::llround(double(m_soundFrames) * sound::kOutputRate / frameRate()));
    const std::size_t count = until > m_soundMixed ? std::size_t(until - m_soundMixed) : 0;
    m_soundMixed = std::max(m_soundMixed, until);
    if (count > 0) {
        std::vector<std::int16_t> mixed(count * 2);
        m_sound.mix(mixed.data(), count);
        m_audio.insert(m_audio.end(), mixed.begin(), mixed.end());
        if (m_audio.size() > kAudioBacklog * 2)
            m_audio.erase(m_audio.begin(), m_audio.begin() + std::ptrdiff_t(m_audio.size() - kAudioBacklog * 2));
    }
    m_streamPlaying = std::exchange(m_streamFed, false) || m_sound.streaming();
    const std::vector<std::uint64_t> ended = m_sound.finished();
    for (const std::uint64_t id : ended) {
        const auto it = m_soundDone.find(id);
        if (it == m_soundDone.end())
            continue;
        const std::function<void()> done = std::move(it->second.done);
        m_soundDone.erase(it);
        if (done)
            done();
    }
    // Sounds stopped before their end never complete.
    std::erase_if(m_soundDone, [&](const auto& entry) { return m_sound.position(entry.first) < 0; });
    if (!ended.empty())
        runQueue();
}

std::size_t MovieRuntime::takeAudio(std::int16_t* out, std::size_t frames)
{
    const std::size_t count = std::min(frames, m_audio.size() / 2);
    std::copy_n(m_audio.begin(), count * 2, out);
    m_audio.erase(m_audio.begin(), m_audio.begin() + std::ptrdiff_t(count * 2));
    return count;
}

void MovieRuntime::silence()
{
    m_sound.stopAll();
    m_streamFrames.clear();
    m_audio.clear();
    m_streamFed = m_streamPlaying = false;
}

// A clip's sounds go with its display object; another object's (a loaded
// sound's own) with the object itself; null is the movie's.
sound::Owner MovieRuntime::soundOwner(script::Object* owner) const
{
    if (!owner)
        return 0;
    if (const Instance* inst = instanceOf(owner))
        return inst->object ? inst->object->id : 0;
    return std::uint64_t(reinterpret_cast<std::uintptr_t>(owner)) | (std::uint64_t(1) << 63);
}

std::shared_ptr<const sound::Pcm> MovieRuntime::namedSound(script::Object* owner, const std::string& name)
{
    if (name.starts_with(kAdoptedPrefix)) {
        const auto it = m_adoptedSounds.find(name);
        return it != m_adoptedSounds.end() ? it->second : nullptr;
    }
    const Instance* inst = owner ? instanceOf(owner) : nullptr;
    const std::uint16_t id = exported(inst, name);
    const DefineSound* definition = id ? dictionaryOf(inst).sound(id) : nullptr;
    return definition ? m_sound.decoded(*definition) : nullptr;
}

double MovieRuntime::soundLength(script::Object* owner, const std::string& name)
{
    const auto pcm = namedSound(owner, name);
    return pcm ? double(pcm->frames()) * 1000.0 / pcm->rate : -1;
}

std::uint64_t MovieRuntime::startSound(script::Object* owner, const std::string& name, double offsetSeconds, int loops,
                                       script::Object* keep, std::function<void()> done)
{
    auto pcm = namedSound(owner, name);
    if (!pcm)
        return 0;
    SoundInfo info;
    info.loops = std::uint16_t(std::clamp(loops, 1, 0xFFFF));
    const std::uint64_t id = m_nextSoundId++;
    if (!m_sound.start(std::move(pcm), info, soundOwner(owner), id, offsetSeconds))
        return 0;
    const Instance* inst = owner ? instanceOf(owner) : nullptr;
    m_soundDone[id] = SoundDone{keep, std::move(done), inst ? inst->movie : nullptr};
    return id;
}

void MovieRuntime::stopSound(script::Object* owner, const std::string& name)
{
    if (!owner && name.empty()) {
        m_sound.stopAll();
        return;
    }
    const auto pcm = name.empty() ? nullptr : namedSound(owner, name);
    if (!name.empty() && !pcm)
        return;
    if (!owner)
        m_sound.stop(pcm.get());
    else
        m_sound.stopOwner(soundOwner(owner), pcm.get());
}

void MovieRuntime::stopSoundsOf(const LoadedMovie* movie)
{
    for (auto it = m_soundDone.begin(); it != m_soundDone.end();) {
        if (it->second.movie == movie) {
            m_sound.stopInstance(it->first);
            it = m_soundDone.erase(it);
        } else {
            ++it;
        }
    }
}

void MovieRuntime::setSoundTransform(script::Object* owner, double volume, double ll, double lr, double rl, double rr)
{
    m_sound.setTransform(soundOwner(owner), sound::Transform{volume, ll, lr, rl, rr});
}

std::string MovieRuntime::adoptSound(const std::string& bytes)
{
    auto pcm = std::make_shared<sound::Pcm>(
        sound::decodeMp3File(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
    if (pcm->frames() == 0)
        return {};
    const std::string name = kAdoptedPrefix + std::to_string(m_adoptedSounds.size() + 1);
    m_adoptedSounds.emplace(name, std::move(pcm));
    return name;
}

} // namespace swf::runtime
