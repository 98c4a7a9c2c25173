#pragma once

// The sound tags: definitions, starts, stream heads and blocks, button
// sounds. The reader keeps them as unread tags (their payloads are codec data
// the sound layer decodes); these read a tag's body into a typed record that
// points into it, and write records back into tags, for test movies.

#include "swf/format/records.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace swf {

// The codes of the format field.
enum class SoundCodec : std::uint8_t {
    PcmNative = 0, // uncompressed, the writer's byte order (little-endian in practice)
    Adpcm = 1,
    Mp3 = 2,
    PcmLittle = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    G711ALaw = 7,
    G711MuLaw = 8,
    Speex = 11,
};

// A codec with its rate and layout, as sound definitions and stream heads
// store it (4 bits of codec, 2 of rate, one each for 16 bits and stereo).
struct SoundFormat {
    std::uint8_t codec = 0;
    std::uint8_t rateCode = 0; // 0: 5512.5 Hz, 1: 11025, 2: 22050, 3: 44100
    bool sixteenBit = true;
    bool stereo = false;
    bool operator==(const SoundFormat&) const = default;

    // Samples a second. Nellymoser's 8 and 16 kHz variants and Speex have
    // their rate in the codec, whatever the field says.
    double rate() const;
    int channels() const { return stereo ? 2 : 1; }
};

struct SoundEnvelopePoint {
    std::uint32_t position = 0; // in samples at 44.1 kHz from the sound's start
    std::uint16_t left = 0;     // 0 to 32768
    std::uint16_t right = 0;
    bool operator==(const SoundEnvelopePoint&) const = default;
};

// How a start plays a sound.
struct SoundInfo {
    bool stop = false;       // stops the sound's instances instead of starting one
    bool noMultiple = false; // starts none when one is playing
    std::optional<std::uint32_t> inPoint;  // 44.1 kHz samples
    std::optional<std::uint32_t> outPoint; // 44.1 kHz samples
    std::optional<std::uint16_t> loops;
    std::vector<SoundEnvelopePoint> envelope;
    bool operator==(const SoundInfo&) const = default;
};

struct DefineSound {
    std::uint16_t id = 0;
    SoundFormat format;
    std::uint32_t sampleCount = 0; // a channel's samples
    std::span<const std::uint8_t> data; // the codec data (MP3: its seek samples first)
};

// StartSound (by id) and StartSound2 (by class name).
struct StartSound {
    std::uint16_t soundId = 0;
    std::string className; // StartSound2 only
    SoundInfo info;
    bool operator==(const StartSound&) const = default;
};

struct SoundStreamHead {
    std::uint8_t version = 1; // SoundStreamHead or SoundStreamHead2
    SoundFormat playback;
    SoundFormat stream;
    std::uint16_t samplesPerBlock = 0;
    std::int16_t latencySeek = 0; // MP3 only
    bool operator==(const SoundStreamHead&) const = default;
};

// The sounds a button plays on its four transitions: over to up, up to over,
// over to down, down to over.
struct ButtonSounds {
    std::uint16_t buttonId = 0;
    struct Entry {
        std::uint16_t soundId = 0; // 0: none
        SoundInfo info;
        bool operator==(const Entry&) const = default;
    };
    std::array<Entry, 4> transitions;
    bool operator==(const ButtonSounds&) const = default;
};

// The records of a tag kept unread, or nothing when the tag is another or its
// body is cut short. The spans point into the tag, which must outlive them.
std::optional<DefineSound> readDefineSound(const UnknownTag& tag);
std::optional<StartSound> readStartSound(const UnknownTag& tag);
std::optional<SoundStreamHead> readSoundStreamHead(const UnknownTag& tag);
std::optional<ButtonSounds> readButtonSounds(const UnknownTag& tag);
// A stream block's codec data; nothing for other tags.
std::optional<std::span<const std::uint8_t>> soundStreamBlock(const UnknownTag& tag);

Tag writeDefineSound(const DefineSound& sound);
Tag writeStartSound(const StartSound& start);
Tag writeSoundStreamHead(const SoundStreamHead& head);
Tag writeSoundStreamBlock(std::span<const std::uint8_t> data);
Tag writeButtonSounds(const ButtonSounds& sounds);

} // namespace swf
