#include "swf/format/sounds.h"

#include "swf/format/byte_reader.h"
#include "swf/format/byte_writer.h"

namespace swf {
namespace {

constexpr std::uint16_t kDefineSound = std::uint16_t(TagCode::DefineSound);
constexpr std::uint16_t kStartSound = std::uint16_t(TagCode::StartSound);
constexpr std::uint16_t kStartSound2 = std::uint16_t(TagCode::StartSound2);
constexpr std::uint16_t kButtonSound = std::uint16_t(TagCode::DefineButtonSound);
constexpr std::uint16_t kStreamHead = std::uint16_t(TagCode::SoundStreamHead);
constexpr std::uint16_t kStreamHead2 = std::uint16_t(TagCode::SoundStreamHead2);
constexpr std::uint16_t kStreamBlock = std::uint16_t(TagCode::SoundStreamBlock);

SoundFormat formatFrom(std::uint8_t bits)
{
    return SoundFormat{std::uint8_t(bits >> 4), std::uint8_t((bits >> 2) & 3), (bits & 2) != 0, (bits & 1) != 0};
}

std::uint8_t formatBits(const SoundFormat& f)
{
    return std::uint8_t((f.codec & 0xF) << 4 | (f.rateCode & 3) << 2 | (f.sixteenBit ? 2 : 0) | (f.stereo ? 1 : 0));
}

SoundInfo readInfo(ByteReader& r)
{
    SoundInfo info;
    const std::uint8_t flags = r.u8();
    info.stop = flags & 0x20;
    info.noMultiple = flags & 0x10;
    if (flags & 0x01)
        info.inPoint = r.u32();
    if (flags & 0x02)
        info.outPoint = r.u32();
    if (flags & 0x04)
        info.loops = r.u16();
    if (flags & 0x08) {
        const int points = r.u8();
        for (int i = 0; i < points && !r.failed(); ++i) {
            SoundEnvelopePoint p;
            p.position = r.u32();
            p.left = r.u16();
            p.right = r.u16();
            info.envelope.push_back(p);
        }
    }
    return info;
}

void writeInfo(ByteWriter& w, const SoundInfo& info)
{
    const std::size_t points = std::min<std::size_t>(info.envelope.size(), 255);
    w.u8(std::uint8_t((info.stop ? 0x20 : 0) | (info.noMultiple ? 0x10 : 0) | (points ? 0x08 : 0)
                      | (info.loops ? 0x04 : 0) | (info.outPoint ? 0x02 : 0) | (info.inPoint ? 0x01 : 0)));
    if (info.inPoint)
        w.u32(*info.inPoint);
    if (info.outPoint)
        w.u32(*info.outPoint);
    if (info.loops)
        w.u16(*info.loops);
    if (points) {
        w.u8(std::uint8_t(points));
        for (std::size_t i = 0; i < points; ++i) {
            w.u32(info.envelope[i].position);
            w.u16(info.envelope[i].left);
            w.u16(info.envelope[i].right);
        }
    }
}

Tag tagOf(std::uint16_t code, ByteWriter& w)
{
    return Tag(UnknownTag{code, w.take()});
}

} // namespace

double SoundFormat::rate() const
{
    switch (static_cast<SoundCodec>(codec)) {
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Speex:
        return 16000;
    case SoundCodec::Nellymoser8k:
    case SoundCodec::G711ALaw:
    case SoundCodec::G711MuLaw:
        return 8000;
    default:
        break;
    }
    static constexpr double rates[] = {5512.5, 11025, 22050, 44100};
    return rates[rateCode & 3];
}

std::optional<DefineSound> readDefineSound(const UnknownTag& tag)
{
    if (tag.code != kDefineSound)
        return std::nullopt;
    ByteReader r(tag.data);
    DefineSound s;
    s.id = r.u16();
    s.format = formatFrom(r.u8());
    s.sampleCount = r.u32();
    s.data = r.rest();
    if (r.failed())
        return std::nullopt;
    return s;
}

std::optional<StartSound> readStartSound(const UnknownTag& tag)
{
    if (tag.code != kStartSound && tag.code != kStartSound2)
        return std::nullopt;
    ByteReader r(tag.data);
    StartSound s;
    if (tag.code == kStartSound)
        s.soundId = r.u16();
    else
        s.className = r.string();
    s.info = readInfo(r);
    if (r.failed())
        return std::nullopt;
    return s;
}

std::optional<SoundStreamHead> readSoundStreamHead(const UnknownTag& tag)
{
    if (tag.code != kStreamHead && tag.code != kStreamHead2)
        return std::nullopt;
    ByteReader r(tag.data);
    SoundStreamHead h;
    h.version = tag.code == kStreamHead ? 1 : 2;
    h.playback = formatFrom(r.u8() & 0x0F); // no codec: the high bits are reserved
    h.stream = formatFrom(r.u8());
    h.samplesPerBlock = r.u16();
    // The latency field comes with MP3 streams only; some writers leave it out.
    if (h.stream.codec == std::uint8_t(SoundCodec::Mp3) && r.remaining() >= 2)
        h.latencySeek = r.s16();
    if (r.failed())
        return std::nullopt;
    return h;
}

std::optional<ButtonSounds> readButtonSounds(const UnknownTag& tag)
{
    if (tag.code != kButtonSound)
        return std::nullopt;
    ByteReader r(tag.data);
    ButtonSounds s;
    s.buttonId = r.u16();
    for (auto& entry : s.transitions) {
        if (r.atEnd())
            break;
        entry.soundId = r.u16();
        if (entry.soundId)
            entry.info = readInfo(r);
    }
    if (r.failed())
        return std::nullopt;
    return s;
}

std::optional<std::span<const std::uint8_t>> soundStreamBlock(const UnknownTag& tag)
{
    if (tag.code != kStreamBlock)
        return std::nullopt;
    return std::span<const std::uint8_t>(tag.data);
}

Tag writeDefineSound(const DefineSound& sound)
{
    ByteWriter w;
    w.u16(sound.id);
    w.u8(formatBits(sound.format));
    w.u32(sound.sampleCount);
    w.bytes(sound.data);
    return tagOf(kDefineSound, w);
}

Tag writeStartSound(const StartSound& start)
{
    ByteWriter w;
    const bool byName = !start.className.empty();
    if (byName)
        w.string(start.className);
    else
        w.u16(start.soundId);
    writeInfo(w, start.info);
    return tagOf(byName ? kStartSound2 : kStartSound, w);
}

Tag writeSoundStreamHead(const SoundStreamHead& head)
{
    ByteWriter w;
    w.u8(formatBits(head.playback));
    w.u8(formatBits(head.stream));
    w.u16(head.samplesPerBlock);
    if (head.stream.codec == std::uint8_t(SoundCodec::Mp3))
        w.s16(head.latencySeek);
    return tagOf(head.version == 1 ? kStreamHead : kStreamHead2, w);
}

Tag writeSoundStreamBlock(std::span<const std::uint8_t> data)
{
    ByteWriter w;
    w.bytes(data);
    return tagOf(kStreamBlock, w);
}

Tag writeButtonSounds(const ButtonSounds& sounds)
{
    ByteWriter w;
    w.u16(sounds.buttonId);
    for (const auto& entry : sounds.transitions) {
        w.u16(entry.soundId);
        if (entry.soundId)
            writeInfo(w, entry.info);
    }
    return tagOf(kButtonSound, w);
}

} // namespace swf
