#include "swf/format/writer.h"

#include "swf/format/record_writers.h"

#include <lzma.h>
#include <zlib.h>

#include <fstream>

namespace swf {
namespace {

void body(ByteWriter& w, const Tag& tag, std::uint8_t swfVersion);

void tagList(ByteWriter& w, const std::vector<Tag>& tags, std::uint8_t swfVersion, bool terminate = true)
{
    for (const Tag& t : tags)
        w.bytes(writeTag(t, swfVersion));
    if (terminate && (tags.empty() || !std::holds_alternative<End>(tags.back())))
        w.bytes(writeTag(Tag(End{}), swfVersion));
}

void body(ByteWriter& w, const Tag& tag, std::uint8_t swfVersion)
{
    std::visit(
        [&](const auto& t) {
            using T = std::decay_t<decltype(t)>;
            if constexpr (std::is_same_v<T, ShowFrame> || std::is_same_v<T, End>) {
            } else if constexpr (std::is_same_v<T, SetBackgroundColor>) {
                w.rgb(t.color);
            } else if constexpr (std::is_same_v<T, FrameLabel>) {
                w.string(t.name);
                if (t.namedAnchor)
                    w.u8(1);
            } else if constexpr (std::is_same_v<T, DefineShape>) {
                write::defineShape(w, t);
            } else if constexpr (std::is_same_v<T, DefineMorphShape>) {
                write::defineMorphShape(w, t);
            } else if constexpr (std::is_same_v<T, PlaceObject>) {
                write::placeObject(w, t, swfVersion);
            } else if constexpr (std::is_same_v<T, RemoveObject>) {
                write::removeObject(w, t);
            } else if constexpr (std::is_same_v<T, DefineSprite>) {
                w.u16(t.id);
                w.u16(t.frameCount);
                tagList(w, t.tags, swfVersion, !t.unterminated);
            } else if constexpr (std::is_same_v<T, DefineBits>) {
                w.u16(t.id);
                w.bytes(t.jpegData);
            } else if constexpr (std::is_same_v<T, JpegTables>) {
                w.bytes(t.data);
            } else if constexpr (std::is_same_v<T, DefineBitsJpeg>) {
                write::defineBitsJpeg(w, t);
            } else if constexpr (std::is_same_v<T, DefineBitsLossless>) {
                write::defineBitsLossless(w, t);
            } else if constexpr (std::is_same_v<T, DefineFont>) {
                write::defineFont(w, t);
            } else if constexpr (std::is_same_v<T, DefineFontInfo>) {
                write::defineFontInfo(w, t);
            } else if constexpr (std::is_same_v<T, DefineText>) {
                write::defineText(w, t);
            } else if constexpr (std::is_same_v<T, DefineEditText>) {
                write::defineEditText(w, t);
            } else if constexpr (std::is_same_v<T, DefineButton>) {
                write::defineButton(w, t);
            } else if constexpr (std::is_same_v<T, DoAction>) {
                w.bytes(t.actions);
            } else if constexpr (std::is_same_v<T, DoInitAction>) {
                w.u16(t.spriteId);
                w.bytes(t.actions);
            } else if constexpr (std::is_same_v<T, UnknownTag>) {
                w.bytes(t.data);
            }
        },
        tag.variant());
}

Bytes zlibCompress(const Bytes& in)
{
    uLongf size = compressBound(uLong(in.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, in.data(), uLong(in.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

// Raw LZMA data and its 5 property bytes, from liblzma's .lzma encoder
// (whose 13-byte header is the properties and a 64-bit size).
bool lzmaCompress(const Bytes& in, Bytes& properties, Bytes& data)
{
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 6))
        return false;
    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&ls, &options) != LZMA_OK)
        return false;
    Bytes out(in.size() + in.size() / 2 + 1024);
    ls.next_in = in.data();
    ls.avail_in = in.size();
    lzma_ret rc = LZMA_OK;
    std::size_t produced = 0;
    while (rc == LZMA_OK) {
        if (produced == out.size())
            out.resize(out.size() * 2);
        ls.next_out = out.data() + produced;
        ls.avail_out = out.size() - produced;
        const std::size_t before = ls.avail_out;
        rc = lzma_code(&ls, LZMA_FINISH);
        produced += before - ls.avail_out;
    }
    lzma_end(&ls);
    if (rc != LZMA_STREAM_END || produced < 13)
        return false;
    properties.assign(out.begin(), out.begin() + 5);
    data.assign(out.begin() + 13, out.begin() + std::ptrdiff_t(produced));
    return true;
}

} // namespace

Bytes writeTag(const Tag& tag, std::uint8_t swfVersion)
{
    ByteWriter b;
    body(b, tag, swfVersion);
    const Bytes content = b.take();
    ByteWriter w;
    const std::uint16_t code = tag.code();
    if (content.size() < 0x3F) {
        w.u16(std::uint16_t((code << 6) | content.size()));
    } else {
        w.u16(std::uint16_t((code << 6) | 0x3F));
        w.u32(std::uint32_t(content.size()));
    }
    w.bytes(content);
    return w.take();
}

Bytes writeMovie(const Movie& movie, Compression compression)
{
    ByteWriter w;
    w.rect(movie.header.frameSize);
    w.u16(movie.header.frameRate88);
    w.u16(movie.header.frameCount);
    tagList(w, movie.tags, movie.header.version, !movie.truncated);
    const Bytes rest = w.take();
    const std::uint32_t fileLength = std::uint32_t(8 + rest.size());

    ByteWriter out;
    Bytes properties, lzmaData, zlibData;
    if (compression == Compression::Lzma && !lzmaCompress(rest, properties, lzmaData))
        compression = Compression::Zlib;
    if (compression == Compression::Zlib) {
        zlibData = zlibCompress(rest);
        if (zlibData.empty())
            compression = Compression::None;
    }
    const char* signature = compression == Compression::Zlib ? "CWS" : compression == Compression::Lzma ? "ZWS" : "FWS";
    out.u8(std::uint8_t(signature[0]));
    out.u8(std::uint8_t(signature[1]));
    out.u8(std::uint8_t(signature[2]));
    out.u8(movie.header.version);
    out.u32(fileLength);
    switch (compression) {
    case Compression::None:
        out.bytes(rest);
        break;
    case Compression::Zlib:
        out.bytes(zlibData);
        break;
    case Compression::Lzma:
        out.u32(std::uint32_t(lzmaData.size()));
        out.bytes(properties);
        out.bytes(lzmaData);
        break;
    }
    return out.take();
}

veskor::Result<void> writeMovieFile(const Movie& movie, const std::filesystem::path& path, Compression compression)
{
    const Bytes bytes = writeMovie(movie, compression);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return veskor::makeError("\"" + path.string() + "\" could not be created.");
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        return veskor::makeError("\"" + path.string() + "\" could not be written.");
    return {};
}

} // namespace swf
