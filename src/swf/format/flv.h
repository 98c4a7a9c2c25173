#pragma once
// Flash Video files (.flv), which NetStream plays: a header, then tags of
// audio, video and script data, each stamped with the millisecond it plays
// at. Values are big-endian, unlike the movie format. The script data tags
// hold AMF0 values (onMetaData, onCuePoint). Reading never trusts a length:
// a tag that runs past the end or a damaged value ends the reading there,
// keeping what came before. The writers build files for test movies.

#include "swf/format/amf0.h"
#include "swf/format/types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace swf::flv {

enum class TagType : std::uint8_t { Audio = 8, Video = 9, ScriptData = 18 };

struct Tag {
    std::uint8_t type = 0;       // a TagType, or another code a later format added
    std::uint32_t timestamp = 0; // milliseconds from the stream's start
    std::span<const std::uint8_t> data;
};

struct File {
    std::uint8_t version = 0;
    bool hasAudio = false;
    bool hasVideo = false;
    std::vector<Tag> tags; // in file order, pointing into the bytes read
    // The tags stopped before the end of the bytes: a tag was cut short or
    // its header made no sense.
    bool truncated = false;
};

// The file's tags; nothing when the bytes do not start with an FLV header.
std::optional<File> readFile(std::span<const std::uint8_t> bytes);

// The first byte of a video tag: how the picture is coded and whether it
// stands alone.
enum class FrameType : std::uint8_t { Key = 1, Inter = 2, DisposableInter = 3, GeneratedKey = 4, Command = 5 };

struct VideoPacket {
    std::uint8_t frameType = 0;
    std::uint8_t codec = 0; // the codes of swf::VideoCodec; 7 is AVC
    // VP6 pictures are coded in whole macroblocks: the pixels to drop at the
    // right and at the bottom of the decoded picture.
    std::uint8_t cropRight = 0;
    std::uint8_t cropBottom = 0;
    // The coded picture as a movie's VideoFrame tag holds it (VP6 with alpha
    // keeps its offset to the alpha picture in front).
    std::span<const std::uint8_t> picture;
    bool keyFrame() const { return frameType == std::uint8_t(FrameType::Key) || frameType == std::uint8_t(FrameType::GeneratedKey); }
};
std::optional<VideoPacket> readVideoPacket(std::span<const std::uint8_t> data);

// The first byte of an audio tag.
struct AudioPacket {
    std::uint8_t format = 0;   // 0/3 linear PCM, 1 ADPCM, 2 MP3, 4..6 Nellymoser, ...
    std::uint8_t rateCode = 0; // 5.5, 11, 22, 44 kHz
    bool sixteenBit = false;
    bool stereo = false;
    std::span<const std::uint8_t> sound;
};
std::optional<AudioPacket> readAudioPacket(std::span<const std::uint8_t> data);

// Script data holds AMF0 values.
using amf0::AmfValue;

// A script data tag: a handler's name and the values it is called with. A
// value that is damaged ends the list (what came before it stays).
struct ScriptData {
    std::string name;
    std::vector<AmfValue> values;
};
std::optional<ScriptData> readScriptData(std::span<const std::uint8_t> data);

// Writing, for test movies.
Bytes writeHeader(bool hasAudio, bool hasVideo);
void appendTag(Bytes& file, std::uint8_t type, std::uint32_t timestamp, std::span<const std::uint8_t> data);
Bytes writeAmf(const AmfValue& value);
Bytes writeScriptData(const std::string& name, const AmfValue& value);

} // namespace swf::flv
