// NetStream playing Flash Video files from the movie's folder (progressive
// playback over a NetConnection connected to null), and Video objects
// showing what a stream plays.
//
// The file is read as loadVariables and LoadVars read theirs, arriving at
// the end of the frame that asked; an address that cannot be read reports
// NetStream.Play.StreamNotFound. Once the file is there the stream reports
// NetStream.Play.Start and fills its buffer: when the file holds at least
// bufferTime seconds past the play position the buffer is full
// (NetStream.Buffer.Full); when the file ends before, what there is is
// flushed (NetStream.Buffer.Flush). Either way playing begins, unless the
// stream was paused: then it shows what is at its position and reports the
// buffer once it goes on. Past the last tag the stream stops
// (NetStream.Play.Stop) and its buffer runs empty a step later
// (NetStream.Buffer.Empty). A seek moves to the last key picture at or
// before the time asked for and reports NetStream.Seek.Notify with the next
// step (a stream that had stopped fills its buffer again); pausing reports
// nothing. Time moves with the movie's own clock, not the wall clock. Each
// script data tag calls the handler its name names (onMetaData,
// onCuePoint) with its values as arguments; each video tag decodes the
// picture that videos attached to the stream show; audio tags sound.

#include "swf/format/flv.h"
#include "swf/script/amf_values.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/script/builtins/library_support.h"
#include "swf/video/video_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace swf::runtime {

using script::Interpreter;
using script::Object;
using script::Value;
using Args = std::vector<Value>;

namespace {

class StreamState final : public script::library::StreamPlayback {
public:
    enum class Phase { Idle, Loading, Buffering, Playing, Stopped };

    std::optional<double> statusMember(const std::string& name) const override
    {
        if (name == "bufferTime")
            return bufferTime;
        if (phase == Phase::Idle || phase == Phase::Loading)
            return std::nullopt;
        if (name == "time")
            return position / 1000.0;
        if (name == "bufferLength")
            return std::max(0.0, end - position) / 1000.0;
        if (name == "bytesLoaded" || name == "bytesTotal")
            return double(bytes ? bytes->size() : 0);
        if (name == "currentFps")
            return currentFps;
        return std::nullopt;
    }

    // Forgets the file and what it showed (not the picture shown).
    void reset()
    {
        ++epoch;
        phase = Phase::Idle;
        paused = false;
        position = 0;
        end = 0;
        next = 0;
        currentFps = 0;
        soundContinues = false;
        seekOnArrival.reset();
        pending.clear();
        decoder.reset();
        videoTags.clear();
        videoCrops.clear();
        videoKeys.clear();
        videoIndex.clear();
        wantedFrame = shownFrame = -1;
        file = {};
        bytes.reset();
    }

    double bufferTime = 0.1;
    Phase phase = Phase::Idle;
    bool paused = false;
    // Bumped by play, seek and close: work begun before (a load, a run of
    // tags a handler interrupted) sees it changed and stops.
    std::uint64_t epoch = 0;
    std::shared_ptr<const std::string> bytes;
    flv::File file;
    double position = 0; // milliseconds into the stream
    double end = 0;      // the last tag's time
    std::size_t next = 0; // the first tag not played yet
    double currentFps = 0;
    std::vector<const char*> pending; // reports due at the next step
    // The next audio tag follows the last one heard (nothing sought,
    // paused or started since).
    bool soundContinues = false;
    // The clip whose sounds the stream's sound is among (attachAudio): its
    // Sound objects set its volume. None: the stream's own.
    std::optional<sound::Owner> audioOwner;
    std::optional<double> seekOnArrival; // seconds

    std::unique_ptr<video::VideoDecoder> decoder;
    std::vector<std::size_t> videoTags;            // the tag of each picture, in order
    std::vector<std::pair<int, int>> videoCrops;   // pixels to drop right and below, per picture
    std::vector<bool> videoKeys;                   // per picture: whether it stands alone
    std::vector<int> videoIndex;                   // per tag: its picture's number, or -1
    int wantedFrame = -1;
    int shownFrame = -1;
    std::shared_ptr<movie::LiveBitmap> feed = std::make_shared<movie::LiveBitmap>();
};

StreamState* stateOf(Object* stream)
{
    return stream ? dynamic_cast<StreamState*>(stream->extension()) : nullptr;
}

// A NetStream's state, made on first use; nothing for objects that are no
// stream or already carry the host's data of another kind.
StreamState* streamOf(Interpreter& in, Object* stream)
{
    if (!stream)
        return nullptr;
    if (StreamState* state = stateOf(stream))
        return state;
    const Value ctor = in.getMember(in.global(), "NetStream");
    if (stream->extension() || !ctor.isObject() || !in.instanceOf(stream, ctor.asObject()))
        return nullptr;
    stream->setExtension(std::make_shared<StreamState>());
    return stateOf(stream);
}

void report(Interpreter& in, Object* stream, const char* code, const char* level = "status")
{
    Object* deliver = in.newFunction([](Interpreter& in, Object* self, const Args& args) -> Value {
        script::library::reportStatus(in, self, args);
        return Value();
    });
    in.callFromHost(deliver, stream, {script::library::statusInfo(in, code, level)});
}

// Decodes the picture the stream is at into the pictures its videos show.
// Only a stream a video shows is decoded: the videos hold its pictures.
void showPicture(StreamState& s)
{
    if (s.wantedFrame == s.shownFrame || !s.decoder || s.feed.use_count() < 2)
        return;
    s.shownFrame = s.wantedFrame;
    QImage picture = s.decoder->picture(s.wantedFrame);
    if (picture.isNull())
        return;
    const auto [cropRight, cropBottom] = s.videoCrops[std::size_t(s.wantedFrame)];
    const int width = std::max(1, picture.width() - cropRight);
    const int height = std::max(1, picture.height() - cropBottom);
    if (picture.format() != QImage::Format_ARGB32_Premultiplied)
        picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    movie::LiveBitmap& feed = *s.feed;
    feed.width = width;
    feed.height = height;
    feed.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(feed.pixels.data() + std::size_t(y) * std::size_t(width), picture.constScanLine(y),
                    std::size_t(width) * 4);
    ++feed.generation;
}

// An audio tag joins the stream's sound as a timeline's stream block joins
// its clip's: the same codecs, decoded where they left off.
void playSound(MovieRuntime& rt, Object* stream, StreamState& s, const flv::Tag& tag)
{
    const auto packet = flv::readAudioPacket(tag.data);
    if (!packet)
        return;
    // MP3 at 8 kHz is MP3 all the same (its frames tell their rate); AAC and
    // the device-specific format came after this player.
    std::uint8_t codec = packet->format;
    if (codec == 14)
        codec = std::uint8_t(SoundCodec::Mp3);
    if (codec > std::uint8_t(SoundCodec::Speex) || codec == 9 || codec == 10)
        return;
    SoundStreamHead head;
    head.stream = SoundFormat{codec, packet->rateCode, packet->sixteenBit, packet->stereo};
    head.playback = head.stream;
    Bytes block;
    // A timeline's MP3 block leads with its sample and seek counts; a tag's
    // frames start at once.
    if (codec == std::uint8_t(SoundCodec::Mp3))
        block.assign(4, 0);
    block.insert(block.end(), packet->sound.begin(), packet->sound.end());
    rt.streamSound(stream, head, block, std::exchange(s.soundContinues, true));
}

// Plays the tags up to the stream's position: pictures to show, handlers to
// call. A handler that seeks, plays or closes ends the run.
void playTags(Interpreter& in, MovieRuntime& rt, Object* stream, StreamState& s)
{
    const std::uint64_t epoch = s.epoch;
    while (s.next < s.file.tags.size() && s.file.tags[s.next].timestamp <= s.position) {
        const std::size_t index = s.next++;
        const flv::Tag& tag = s.file.tags[index];
        if (tag.type == std::uint8_t(flv::TagType::Video)) {
            if (s.videoIndex[index] >= 0)
                s.wantedFrame = s.videoIndex[index];
        } else if (tag.type == std::uint8_t(flv::TagType::Audio)) {
            // A paused stream shows where it is but stays silent.
            if (!s.paused)
                playSound(rt, stream, s, tag);
        } else if (tag.type == std::uint8_t(flv::TagType::ScriptData)) {
            const auto data = flv::readScriptData(tag.data);
            if (!data)
                continue;
            std::vector<Value> args;
            for (const flv::AmfValue& v : data->values)
                args.push_back(script::decodeAmf(in, v));
            in.callMethodFromHost(stream, data->name, args);
            if (s.epoch != epoch)
                return;
        }
    }
    showPicture(s);
}

// Pictures shown in the second of stream time up to the position.
double framesPerSecond(const StreamState& s)
{
    if (s.paused || s.phase != StreamState::Phase::Playing)
        return 0;
    int count = 0;
    for (std::size_t i = s.next; i-- > 0;) {
        const flv::Tag& tag = s.file.tags[i];
        if (tag.timestamp + 1000.0 <= s.position)
            break;
        if (s.videoIndex[i] >= 0)
            ++count;
    }
    return count;
}

// One step of a stream: `elapsed` milliseconds of the movie's clock passed.
void step(Interpreter& in, MovieRuntime& rt, Object* stream, StreamState& s, double elapsed)
{
    const std::uint64_t epoch = s.epoch;
    for (const char* code : std::exchange(s.pending, {})) {
        report(in, stream, code);
        if (s.epoch != epoch)
            return;
    }
    if (s.phase == StreamState::Phase::Buffering) {
        // The whole file is at hand: the buffer fills at once, or the file
        // ends first and what there is is flushed. A paused stream shows
        // what is at its position and waits to go on before it says so.
        if (!s.paused) {
            s.phase = StreamState::Phase::Playing;
            report(in, stream, s.end - s.position >= s.bufferTime * 1000.0 ? "NetStream.Buffer.Full" : "NetStream.Buffer.Flush");
            if (s.epoch != epoch)
                return;
        }
    } else if (s.phase == StreamState::Phase::Playing) {
        if (!s.paused)
            s.position = std::min(s.end, s.position + elapsed);
    } else {
        return;
    }
    playTags(in, rt, stream, s);
    if (s.epoch != epoch)
        return;
    s.currentFps = framesPerSecond(s);
    if (s.position >= s.end && s.next >= s.file.tags.size() && !s.paused) {
        s.phase = StreamState::Phase::Stopped;
        s.currentFps = 0;
        report(in, stream, "NetStream.Play.Stop");
        // The buffer runs empty a step after the stream stopped.
        if (s.epoch == epoch)
            s.pending.push_back("NetStream.Buffer.Empty");
    }
}

// Moves the stream to `seconds`, reported with the next step. Playing goes
// on from the last key picture at or before the time (pictures between need
// the ones before them): tags before it in the file, a script data tag of
// the same time among them, are passed.
void seekTo(MovieRuntime& rt, Object* stream, StreamState& s, double seconds)
{
    double target = seconds * 1000.0;
    if (!std::isfinite(target) || target < 0)
        target = 0;
    target = std::min(target, s.end);
    std::size_t next = std::size_t(std::find_if(s.file.tags.begin(), s.file.tags.end(),
                                                [target](const flv::Tag& t) { return t.timestamp >= target; })
                                   - s.file.tags.begin());
    if (!s.videoTags.empty()) {
        std::size_t key = s.videoTags.front();
        for (std::size_t i = 0; i < s.videoTags.size(); ++i) {
            if (s.file.tags[s.videoTags[i]].timestamp > target)
                break;
            if (s.videoKeys[i])
                key = s.videoTags[i];
        }
        next = key;
        target = s.file.tags[key].timestamp;
    }
    ++s.epoch;
    s.position = target;
    s.next = next;
    rt.stopStreamSound(stream);
    s.soundContinues = false;
    // A stream that stopped fills its buffer again; one playing goes on.
    if (s.phase == StreamState::Phase::Stopped)
        s.phase = StreamState::Phase::Buffering;
    s.pending.push_back("NetStream.Seek.Notify");
    rt.streamStarted(stream);
}

// The file arrived: its tags, its pictures' decoder, and the first step.
void begin(Interpreter& in, MovieRuntime& rt, Object* stream, StreamState& s, std::string bytes)
{
    s.bytes = std::make_shared<const std::string>(std::move(bytes));
    const auto* data = reinterpret_cast<const std::uint8_t*>(s.bytes->data());
    // Bytes that are no Flash Video play as a stream with nothing in it.
    if (auto file = flv::readFile({data, s.bytes->size()}))
        s.file = std::move(*file);
    std::vector<std::span<const std::uint8_t>> pictures;
    std::optional<std::uint8_t> codec;
    s.videoIndex.assign(s.file.tags.size(), -1);
    for (std::size_t i = 0; i < s.file.tags.size(); ++i) {
        const flv::Tag& tag = s.file.tags[i];
        s.end = std::max(s.end, double(tag.timestamp));
        if (tag.type != std::uint8_t(flv::TagType::Video))
            continue;
        const auto packet = flv::readVideoPacket(tag.data);
        // Command frames carry no picture; one stream has one codec.
        if (!packet || packet->frameType == std::uint8_t(flv::FrameType::Command) || (codec && *codec != packet->codec))
            continue;
        codec = packet->codec;
        s.videoIndex[i] = int(pictures.size());
        s.videoTags.push_back(i);
        s.videoCrops.emplace_back(packet->cropRight, packet->cropBottom);
        pictures.push_back(packet->picture);
        s.videoKeys.push_back(packet->keyFrame());
    }
    if (codec)
        s.decoder = std::make_unique<video::VideoDecoder>(*codec, std::move(pictures), s.videoKeys);
    s.phase = StreamState::Phase::Buffering;
    if (const auto seconds = std::exchange(s.seekOnArrival, std::nullopt))
        seekTo(rt, stream, s, *seconds);
    rt.streamStarted(stream);
    const std::uint64_t epoch = s.epoch;
    report(in, stream, "NetStream.Play.Start");
    if (s.epoch == epoch)
        step(in, rt, stream, s, 0);
}

// Replaces a method the library classes made, keeping its attributes.
void replaceMethod(Interpreter& in, Object* proto, const char* name, script::NativeFunction f)
{
    if (!proto)
        return;
    Object* fn = in.newFunction(std::move(f));
    if (script::Property* p = proto->findOwnAnyVersion(name))
        p->value = fn;
    else
        proto->put(name, fn, script::PropertyFlag::DontEnum | script::PropertyFlag::DontDelete);
}

} // namespace

void installNetStreams(Interpreter& in, MovieRuntime& rt)
{
    Object* stream = in.prototypeOf("NetStream");
    replaceMethod(in, stream, "play", [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        StreamState* s = streamOf(in, self);
        // Without a name there is nothing to play: the stream goes on as it was.
        if (!s || args.empty())
            return Value();
        s->reset();
        rt.stopStreamSound(self);
        s->phase = StreamState::Phase::Loading;
        const std::uint64_t epoch = s->epoch;
        const std::string url = in.toString(args[0]);
        Interpreter* vm = &in;
        MovieRuntime* runtime = &rt;
        const bool asked = in.host().loadFile(in.runningClip(), url, self, false,
                                              [vm, runtime, self, epoch](const std::optional<std::string>& bytes) {
            StreamState* s = stateOf(self);
            if (!s || s->epoch != epoch)
                return;
            if (!bytes) {
                s->phase = StreamState::Phase::Idle;
                report(*vm, self, "NetStream.Play.StreamNotFound", "error");
                return;
            }
            begin(*vm, *runtime, self, *s, *bytes);
        });
        if (!asked) {
            s->phase = StreamState::Phase::Idle;
            report(in, self, "NetStream.Play.StreamNotFound", "error");
        }
        return Value();
    });
    // pause() turns pausing over; pause(flag) pauses or goes on.
    replaceMethod(in, stream, "pause", [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        StreamState* s = stateOf(self);
        if (!s || s->phase == StreamState::Phase::Idle)
            return Value();
        s->paused = args.empty() || args[0].isUndefined() ? !s->paused : in.toBoolean(args[0]);
        // Pausing silences the sound at once; going on starts it afresh.
        if (s->paused) {
            rt.stopStreamSound(self);
            s->soundContinues = false;
        }
        return Value();
    });
    // A seek asked for while the file is on its way is done when it arrives.
    replaceMethod(in, stream, "seek", [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        StreamState* s = stateOf(self);
        if (!s || s->phase == StreamState::Phase::Idle)
            return Value();
        const double seconds = in.toNumber(script::arg(args, 0));
        if (s->phase == StreamState::Phase::Loading)
            s->seekOnArrival = seconds;
        else
            seekTo(rt, self, *s, seconds);
        return Value();
    });
    replaceMethod(in, stream, "close", [&rt](Interpreter&, Object* self, const Args&) -> Value {
        if (StreamState* s = stateOf(self)) {
            s->reset();
            rt.stopStreamSound(self);
        }
        return Value();
    });
    replaceMethod(in, stream, "setBufferTime", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (StreamState* s = streamOf(in, self)) {
            const double seconds = in.toNumber(script::arg(args, 0));
            if (std::isfinite(seconds))
                s->bufferTime = std::max(0.0, seconds);
        }
        return Value();
    });

    // A clip's attachAudio(stream) puts the stream's sound among the clip's
    // sounds, whose Sound objects set its volume and pan; attachAudio(false)
    // takes it out again.
    replaceMethod(in, in.prototypeOf("MovieClip"), "attachAudio", [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* source = script::arg(args, 0).asObject();
        rt.attachStreamAudio(self, stateOf(source) || streamOf(in, source) ? source : nullptr);
        return Value();
    });

    // A video on the stage shows the pictures of the stream attached to it;
    // anything else attached detaches it.
    Object* video = in.prototypeOf("Video");
    replaceMethod(in, video, "attachVideo", [&rt](Interpreter& in, Object* self, const Args& args) -> Value {
        Instance* inst = rt.instanceOf(self);
        if (!inst || !inst->object)
            return Value();
        StreamState* s = streamOf(in, script::arg(args, 0).asObject());
        inst->object->videoFeed = s ? s->feed : nullptr;
        inst->object->videoCleared.reset();
        if (s)
            showPicture(*s);
        return Value();
    });
    // Until the stream shows its next picture.
    replaceMethod(in, video, "clear", [&rt](Interpreter&, Object* self, const Args&) -> Value {
        Instance* inst = rt.instanceOf(self);
        if (inst && inst->object && inst->object->videoFeed)
            inst->object->videoCleared = inst->object->videoFeed->generation;
        return Value();
    });
}

sound::Owner MovieRuntime::streamSoundOwner(Object* stream) const
{
    const StreamState* s = stateOf(stream);
    return s && s->audioOwner ? *s->audioOwner : soundOwner(stream);
}

void MovieRuntime::streamSound(Object* stream, const SoundStreamHead& head, std::span<const std::uint8_t> block,
                               bool continues)
{
    m_sound.streamBlock(streamSoundOwner(stream), head, block, continues);
}

void MovieRuntime::stopStreamSound(Object* stream)
{
    m_sound.stopStream(streamSoundOwner(stream));
}

void MovieRuntime::attachStreamAudio(Object* clip, Object* stream)
{
    const Instance* inst = instanceOf(clip);
    if (!inst || !inst->object)
        return;
    const sound::Owner owner = soundOwner(clip);
    auto move = [&](Object* playing, std::optional<sound::Owner> to) {
        StreamState* s = stateOf(playing);
        if (!s || s->audioOwner == to)
            return;
        stopStreamSound(playing);
        s->audioOwner = to;
        s->soundContinues = false;
    };
    // The clip hears one source at a time: a stream it heard before goes
    // back to sounding on its own.
    for (Object* playing : m_streams) {
        if (playing != stream && streamSoundOwner(playing) == owner)
            move(playing, std::nullopt);
    }
    move(stream, owner);
}

void MovieRuntime::streamStarted(Object* stream)
{
    if (std::find(m_streams.begin(), m_streams.end(), stream) == m_streams.end())
        m_streams.push_back(stream);
}

void MovieRuntime::playStreams(double elapsed)
{
    // Handlers may start or close streams: the list is walked as it was.
    const std::vector<Object*> streams = m_streams;
    for (Object* stream : streams) {
        if (m_quit)
            return;
        if (StreamState* s = stateOf(stream))
            step(*m_vm, *this, stream, *s, elapsed);
    }
    std::erase_if(m_streams, [](Object* stream) {
        const StreamState* s = stateOf(stream);
        return !s || s->phase == StreamState::Phase::Idle
               || (s->phase == StreamState::Phase::Stopped && s->pending.empty());
    });
}

} // namespace swf::runtime
