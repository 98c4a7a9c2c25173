#include "swf/format/reader.h"

#include "swf/format/container.h"
#include "swf/format/limits.h"
#include "swf/format/record_readers.h"

#include <fstream>
#include <string>

namespace swf {
namespace {

using veskor::makeError;

struct Context {
    std::uint8_t swfVersion = 0;
    std::size_t tagCount = 0;
    // Memory the decoded records may still take (limits::kMaxDecodedSize in all).
    std::size_t budget = limits::kMaxDecodedSize;
    std::vector<std::string>* warnings = nullptr;
    bool truncated = false;
};

std::vector<Tag> readTagList(std::span<const std::uint8_t> data, Context& ctx, int nesting);

// The decoded tag, or nothing when the body could not be read.
std::optional<Tag> decode(const RawTag& raw, Context& ctx, int nesting)
{
    ByteReader r(raw.body, &ctx.budget);
    // The tag itself and the copies of its bytes (images, actions, unknown
    // tags); a sprite's bytes are its tags, which charge for themselves.
    const bool sprite = raw.code == std::uint16_t(TagCode::DefineSprite);
    if (!r.charge(sizeof(Tag) + (sprite ? 0 : raw.body.size())))
        return std::nullopt;
    const int v = ctx.swfVersion;
    auto done = [&](auto&& record) -> std::optional<Tag> {
        if (r.failed())
            return std::nullopt;
        return Tag(std::forward<decltype(record)>(record));
    };
    switch (static_cast<TagCode>(raw.code)) {
    case TagCode::End: return Tag(End{});
    case TagCode::ShowFrame: return Tag(ShowFrame{});
    case TagCode::SetBackgroundColor: return done(SetBackgroundColor{r.rgb()});
    case TagCode::FrameLabel: {
        FrameLabel label;
        label.name = r.string();
        if (!r.failed() && !r.atEnd())
            label.namedAnchor = r.u8() == 1;
        return done(std::move(label));
    }
    case TagCode::DefineShape: return done(read::defineShape(r, 1));
    case TagCode::DefineShape2: return done(read::defineShape(r, 2));
    case TagCode::DefineShape3: return done(read::defineShape(r, 3));
    case TagCode::DefineShape4: return done(read::defineShape(r, 4));
    case TagCode::DefineMorphShape: return done(read::defineMorphShape(r, 1));
    case TagCode::DefineMorphShape2: return done(read::defineMorphShape(r, 2));
    case TagCode::PlaceObject: return done(read::placeObject(r, 1, v));
    case TagCode::PlaceObject2: return done(read::placeObject(r, 2, v));
    case TagCode::PlaceObject3: return done(read::placeObject(r, 3, v));
    case TagCode::RemoveObject: return done(read::removeObject(r, 1));
    case TagCode::RemoveObject2: return done(read::removeObject(r, 2));
    case TagCode::DefineBits: return done(read::defineBits(r));
    case TagCode::JpegTables: return done(read::jpegTables(r));
    case TagCode::DefineBitsJpeg2: return done(read::defineBitsJpeg(r, 2));
    case TagCode::DefineBitsJpeg3: return done(read::defineBitsJpeg(r, 3));
    case TagCode::DefineBitsJpeg4: return done(read::defineBitsJpeg(r, 4));
    case TagCode::DefineBitsLossless: return done(read::defineBitsLossless(r, 1));
    case TagCode::DefineBitsLossless2: return done(read::defineBitsLossless(r, 2));
    case TagCode::DefineFont: return done(read::defineFont(r, 1));
    case TagCode::DefineFont2: return done(read::defineFont(r, 2));
    case TagCode::DefineFont3: return done(read::defineFont(r, 3));
    case TagCode::DefineFontInfo: return done(read::defineFontInfo(r, 1));
    case TagCode::DefineFontInfo2: return done(read::defineFontInfo(r, 2));
    case TagCode::DefineText: return done(read::defineText(r, 1));
    case TagCode::DefineText2: return done(read::defineText(r, 2));
    case TagCode::DefineEditText: return done(read::defineEditText(r));
    case TagCode::DefineButton: return done(read::defineButton(r, 1));
    case TagCode::DefineButton2: return done(read::defineButton(r, 2));
    case TagCode::DoAction: {
        const auto bytes = r.rest();
        return done(DoAction{Bytes(bytes.begin(), bytes.end())});
    }
    case TagCode::DoInitAction: {
        DoInitAction a;
        a.spriteId = r.u16();
        const auto bytes = r.rest();
        a.actions.assign(bytes.begin(), bytes.end());
        return done(std::move(a));
    }
    case TagCode::DefineSprite: {
        if (nesting >= limits::kMaxSpriteNesting)
            return std::nullopt;
        DefineSprite s;
        s.id = r.u16();
        s.frameCount = r.u16();
        if (r.failed())
            return std::nullopt;
        const auto stream = r.rest();
        s.streamLength = std::uint32_t(stream.size());
        s.tags = readTagList(stream, ctx, nesting + 1);
        s.unterminated = s.tags.empty() || !std::holds_alternative<End>(s.tags.back());
        return Tag(std::move(s));
    }
    default:
        return Tag(UnknownTag{raw.code, Bytes(raw.body.begin(), raw.body.end())});
    }
}

std::vector<Tag> readTagList(std::span<const std::uint8_t> data, Context& ctx, int nesting)
{
    std::vector<Tag> tags;
    TagStream stream(data);
    while (auto raw = stream.next()) {
        if (++ctx.tagCount > limits::kMaxTagCount) {
            ctx.warnings->push_back("Too many tags: the rest of the movie was left out.");
            ctx.truncated = true;
            return tags;
        }
        auto tag = decode(*raw, ctx, nesting);
        if (ctx.budget == 0) {
            ctx.warnings->push_back("The movie's records take too much memory: the rest was left out.");
            ctx.truncated = true;
            return tags;
        }
        if (tag) {
            tags.push_back(std::move(*tag));
        } else {
            ctx.warnings->push_back("Tag " + std::to_string(raw->code) + " at offset " + std::to_string(raw->offset)
                                    + " could not be read and was skipped.");
            tags.push_back(Tag(UnknownTag{raw->code, Bytes(raw->body.begin(), raw->body.end())}));
        }
        if (raw->code == 0)
            return tags;
    }
    // The data ended without an End tag: a movie cut short (or a sprite whose
    // last tag was lost). What was read so far stays.
    if (nesting == 0 || stream.truncated())
        ctx.truncated = true;
    return tags;
}

} // namespace

veskor::Result<Tag> readTag(const RawTag& raw, std::uint8_t swfVersion)
{
    std::vector<std::string> warnings;
    Context ctx;
    ctx.swfVersion = swfVersion;
    ctx.warnings = &warnings;
    if (auto tag = decode(raw, ctx, 0))
        return std::move(*tag);
    return makeError("Tag " + std::to_string(raw.code) + " could not be read.");
}

veskor::Result<Movie> readMovie(std::span<const std::uint8_t> file)
{
    Container container = TRY(openContainer(file));
    Movie movie;
    movie.header = container.header;
    Context ctx;
    ctx.swfVersion = movie.header.version;
    ctx.warnings = &movie.warnings;
    movie.tags = readTagList(container.tagData, ctx, 0);
    movie.truncated = ctx.truncated || container.truncated;
    movie.loadedLength = container.loadedLength;
    if (container.truncated)
        movie.warnings.push_back("The movie is truncated: it ends before its declared length.");
    return movie;
}

veskor::Result<Bytes> readFileBytes(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return makeError("\"" + path.string() + "\" is a folder, not a movie.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return makeError("\"" + path.string() + "\" could not be opened.");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return makeError("\"" + path.string() + "\" could not be read.");
    if (std::uint64_t(size) > limits::kMaxMovieSize)
        return makeError("\"" + path.string() + "\" is too large to be a movie.");
    in.seekg(0, std::ios::beg);
    Bytes bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return makeError("\"" + path.string() + "\" could not be read.");
    return bytes;
}

veskor::Result<Movie> readMovie(const std::filesystem::path& path)
{
    const Bytes bytes = TRY(readFileBytes(path));
    return readMovie(std::span<const std::uint8_t>(bytes));
}

} // namespace swf
