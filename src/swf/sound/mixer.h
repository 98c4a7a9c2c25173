#pragma once

// The sounds a movie plays, mixed at 44.1 kHz in 16-bit stereo. Event sounds
// play a decoded sound from its in point to its out point, as many times as
// their loops say, shaped by their envelope; streams play the blocks their
// timeline hands them as its frames arrive. Each belongs to an owner (a clip,
// or 0 for the movie as a whole) whose volume and pan shape it.
//
// Clock-free like the rest of the engine: mix() takes the samples of the time
// it is asked for, so a headless run mixes exactly its frames' worth.

#include "swf/format/sounds.h"
#include "swf/sound/decoder.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

namespace swf::sound {

inline constexpr int kOutputRate = 44100;

// Which owner's sounds: a display object's id, 0 for the movie as a whole.
using Owner = std::uint64_t;

// Volume and the four channel gains of a Sound object, in percent.
struct Transform {
    double volume = 100;
    double ll = 100, lr = 0, rl = 0, rr = 100; // left to left, left to right, ...
    bool operator==(const Transform&) const = default;

    // setPan: -100 (left only) to 100 (right only).
    static Transform fromPan(double pan, double volume);
    double pan() const;
};

class Mixer {
public:
    Mixer();
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The decoded samples of a definition, decoded once.
    std::shared_ptr<const Pcm> decoded(const DefineSound& sound);

    // Starts an event sound as `info` says (or stops it, with info.stop).
    // `cookie`, when not 0, names the instance for position() and finished().
    // False when no instance started.
    bool start(std::shared_ptr<const Pcm> sound, const SoundInfo& info, Owner owner, std::uint64_t cookie = 0,
               double offsetSeconds = 0);
    bool playing(const Pcm* sound) const;
    void stop(const Pcm* sound);
    // Every sound of `owner`, or one sound of it.
    void stopOwner(Owner owner, const Pcm* sound = nullptr);
    // The instance `cookie` names.
    void stopInstance(std::uint64_t cookie);
    void stopAll();
    // Milliseconds played of the instance `cookie` in its current loop; -1 when it is not playing.
    double position(std::uint64_t cookie) const;
    // The cookies of instances that came to their end since the last call.
    std::vector<std::uint64_t> finished();

    // A stream block of `owner`'s timeline. `continues`: it follows the
    // last block given (the timeline played on); else the stream starts
    // anew from this block.
    void streamBlock(Owner owner, const SoundStreamHead& head, std::span<const std::uint8_t> block, bool continues);
    void stopStream(Owner owner);
    bool streaming(Owner owner) const;
    // Whether any timeline's stream has sound left to play.
    bool streaming() const;

    void setTransform(Owner owner, const Transform& transform);
    Transform transform(Owner owner) const;

    // Mixes the next `frames` stereo pairs into `out` (overwritten).
    void mix(std::int16_t* out, std::size_t frames);
    // Whether nothing plays.
    bool silent() const;

private:
    struct Voice;
    struct Stream;
    void gains(Owner owner, float out[4]) const;

    // By where the codec data lies, its size and count: a movie unloaded
    // and another loaded may reuse the memory, hardly with the same sound.
    std::map<std::tuple<const std::uint8_t*, std::size_t, std::uint32_t>, std::shared_ptr<const Pcm>> m_decoded;
    std::vector<std::unique_ptr<Voice>> m_voices;
    std::map<Owner, std::unique_ptr<Stream>> m_streams;
    std::map<Owner, Transform> m_transforms;
    std::vector<std::uint64_t> m_finished;
};

} // namespace swf::sound
