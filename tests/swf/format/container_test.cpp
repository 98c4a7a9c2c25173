// The movie container: headers of real movies, the three compression kinds,
// and every way a file can fail to be a readable movie.

#include "swf/format/container.h"
#include "swf/format/movie_builder.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

using namespace swf;

namespace {

const char* kImageDir = "../shared/testdata/swf-image/";

Bytes fileBytes(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    return Bytes(data.begin(), data.end());
}

// A reading of the header that shares no code with the reader: Qt's zlib for
// CWS, and the bit layout of the frame rectangle spelled out.
struct PlainHeader {
    int version = 0;
    int xMax = 0, yMax = 0;
    int rate88 = 0;
    int frames = 0;
};

PlainHeader plainHeader(const Bytes& file)
{
    PlainHeader h;
    h.version = file[3];
    QByteArray body(reinterpret_cast<const char*>(file.data()) + 8, qsizetype(file.size() - 8));
    if (file[0] == 'C') {
        const quint32 size = quint32(file[4]) | quint32(file[5]) << 8 | quint32(file[6]) << 16 | quint32(file[7]) << 24;
        QByteArray prefixed;
        prefixed.append(char(size >> 24)).append(char(size >> 16)).append(char(size >> 8)).append(char(size));
        body = qUncompress(prefixed + body);
    }
    auto bit = [&](int i) { return (quint8(body[i / 8]) >> (7 - i % 8)) & 1; };
    auto field = [&](int start, int n) {
        int v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 1) | bit(start + i);
        return n > 0 && (v >> (n - 1)) ? v - (1 << n) : v; // signed
    };
    const int n = (quint8(body[0]) >> 3);
    h.xMax = field(5 + n, n);
    h.yMax = field(5 + 3 * n, n);
    const int at = (5 + 4 * n + 7) / 8;
    h.rate88 = quint8(body[at]) | quint8(body[at + 1]) << 8;
    h.frames = quint8(body[at + 2]) | quint8(body[at + 3]) << 8;
    return h;
}

Bytes smallMovie(int frames)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(100), 12, 8);
    b.setBackground({255, 255, 255, 255});
    const auto box = b.defineRectangle({Twips(0), Twips(400), Twips(0), Twips(400)}, solidFill({255, 0, 0, 255}));
    b.place(1, box);
    for (int i = 0; i < frames; ++i)
        b.move(1, Matrix::translation(Twips(i * 20), Twips(0))).showFrame();
    return b.bytes();
}

std::size_t frameCount(const Movie& m)
{
    std::size_t n = 0;
    for (const Tag& t : m.tags)
        n += std::holds_alternative<ShowFrame>(t);
    return n;
}

} // namespace

TEST(Container, HeadersOfRealMoviesMatchAnIndependentReading)
{
    const char* movies[] = {"background-5.swf", "background-8.swf", "blend-mode-add-8.swf",
                            "BitmapData-copyPixels-7.swf", "beginBitmapFill-6.swf", "blend-mode-15-7.swf"};
    int compressed = 0;
    for (const char* name : movies) {
        const std::string path = std::string(kImageDir) + name;
        const Bytes file = fileBytes(path);
        ASSERT_GT(file.size(), 20u) << path;
        compressed += file[0] == 'C';
        const PlainHeader expected = plainHeader(file);
        auto header = readHeader(file);
        ASSERT_TRUE(header.ok()) << path << ": " << header.error().message;
        EXPECT_EQ(header->version, expected.version) << path;
        EXPECT_EQ(header->frameSize.xMax.get(), expected.xMax) << path;
        EXPECT_EQ(header->frameSize.yMax.get(), expected.yMax) << path;
        EXPECT_EQ(header->frameRate88, expected.rate88) << path;
        EXPECT_EQ(header->frameCount, expected.frames) << path;
        auto movie = readMovie(std::filesystem::path(path));
        ASSERT_TRUE(movie.ok()) << path;
        EXPECT_EQ(movie->header.frameCount, expected.frames) << path;
        EXPECT_FALSE(movie->truncated) << path;
    }
    EXPECT_GT(compressed, 0); // both container kinds are covered
    EXPECT_LT(compressed, int(std::size(movies)));
}

TEST(Container, FilesThatAreNotMoviesGiveClearErrors)
{
    const Bytes good = smallMovie(3);
    Bytes hugeLength = good;
    hugeLength[7] = 0x40; // 1 GiB declared
    Bytes tinyLength = good;
    tinyLength[4] = 4;
    tinyLength[5] = tinyLength[6] = tinyLength[7] = 0;
    Bytes badZlib = {'C', 'W', 'S', 8, 100, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 0x9A};
    Bytes badLzma = {'Z', 'W', 'S', 13, 100, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5};
    Bytes shortLzma = {'Z', 'W', 'S', 13, 100, 0, 0, 0, 5, 0, 0};
    const std::string text = "这不是动画\nhello\n";
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    } cases[] = {
        {"empty", {}, "empty"},
        {"text file", Bytes(text.begin(), text.end()), "not a Flash movie"},
        {"two bytes", {'F', 'W'}, "not a Flash movie"},
        {"signature only", {'F', 'W', 'S'}, "truncated"},
        {"no frame rectangle", Bytes(good.begin(), good.begin() + 8), "truncated"},
        {"cut inside the header", Bytes(good.begin(), good.begin() + 12), "truncated"},
        {"declared length too large", hugeLength, "too large"},
        {"declared length impossible", tinyLength, "damaged"},
        {"damaged zlib data", badZlib, "damaged"},
        {"damaged LZMA data", badLzma, "damaged"},
        {"LZMA header cut", shortLzma, "truncated"},
    };
    for (const Case& c : cases) {
        auto movie = readMovie(std::span<const std::uint8_t>(c.bytes));
        ASSERT_FALSE(movie.ok()) << c.name;
        EXPECT_NE(movie.error().message.find(c.message), std::string::npos) << c.name << ": " << movie.error().message;
    }
}

TEST(Container, MissingFilesAndFoldersAreErrors)
{
    EXPECT_FALSE(readMovie(std::filesystem::path("../shared/testdata/no-such-movie.swf")).ok());
    EXPECT_FALSE(readMovie(std::filesystem::path("../shared/testdata")).ok());
}

TEST(Container, TruncatedMoviesKeepTheFramesBeforeTheCut)
{
    const Bytes full = smallMovie(40);
    for (Compression kind : {Compression::None, Compression::Zlib, Compression::Lzma}) {
        auto movie = readMovie(std::span<const std::uint8_t>(full));
        ASSERT_TRUE(movie.ok());
        const Bytes packed = writeMovie(*movie, kind);
        const Bytes cut(packed.begin(), packed.begin() + std::ptrdiff_t(packed.size() * 8 / 10));
        auto partial = readMovie(std::span<const std::uint8_t>(cut));
        ASSERT_TRUE(partial.ok()) << int(kind) << ": " << partial.error().message;
        EXPECT_TRUE(partial->truncated) << int(kind);
        EXPECT_GT(frameCount(*partial), 5u) << int(kind);
        EXPECT_LT(frameCount(*partial), 40u) << int(kind);
        EXPECT_EQ(partial->header.frameCount, 40) << int(kind);
    }
}

TEST(Container, ARecordRunningPastItsTagSkipsOnlyThatTag)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    ShapeBuilder s;
    s.setStyles(s.addFill(solidFill({0, 0, 255, 255})), 0);
    for (int i = 1; i <= 4; ++i)
        s.ellipse({Twips(0), Twips(800 * i), Twips(0), Twips(800)});
    b.defineShape(s);
    b.label("after");
    b.showFrame();
    auto movie = readMovie(std::span<const std::uint8_t>(b.bytes()));
    ASSERT_TRUE(movie.ok());
    // Re-write the shape's tag with its body cut in half, keeping a consistent tag length.
    Bytes shapeTag = writeTag(movie->tags[0], 10);
    ASSERT_EQ(shapeTag[0] & 0x3F, 0x3F) << "expected the long tag header";
    const std::size_t bodyLength = (shapeTag.size() - 6) / 2;
    shapeTag.resize(6 + bodyLength);
    shapeTag[2] = std::uint8_t(bodyLength);
    shapeTag[3] = std::uint8_t(bodyLength >> 8);
    Movie broken = *movie;
    broken.tags[0] = UnknownTag{0xFFFF, {}}; // placeholder, replaced below
    Bytes bytes = writeMovie(broken);
    const Bytes placeholder = writeTag(broken.tags[0], 10);
    const auto at = std::search(bytes.begin(), bytes.end(), placeholder.begin(), placeholder.end());
    ASSERT_NE(at, bytes.end());
    const auto offset = at - bytes.begin();
    bytes.erase(at, at + std::ptrdiff_t(placeholder.size()));
    bytes.insert(bytes.begin() + offset, shapeTag.begin(), shapeTag.end());
    const std::uint32_t length = std::uint32_t(bytes.size());
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = std::uint8_t(length >> (8 * i));

    auto back = readMovie(std::span<const std::uint8_t>(bytes));
    ASSERT_TRUE(back.ok());
    ASSERT_GE(back->tags.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<UnknownTag>(back->tags[0]));
    EXPECT_EQ(back->tags[0].code(), std::uint16_t(TagCode::DefineShape3));
    EXPECT_EQ(back->warnings.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<FrameLabel>(back->tags[1]));
    EXPECT_FALSE(back->truncated);
}

TEST(Container, SpritesNestedPastTheLimitAreLeftOut)
{
    Tag tag = DefineSprite{1, 1, {Tag(ShowFrame{}), Tag(End{})}};
    for (int depth = 0; depth < 10; ++depth)
        tag = DefineSprite{std::uint16_t(depth + 2), 1, {tag, Tag(ShowFrame{}), Tag(End{})}};
    Movie m;
    m.tags = {tag, Tag(ShowFrame{})};
    const Bytes bytes = writeMovie(m);
    auto back = readMovie(std::span<const std::uint8_t>(bytes));
    ASSERT_TRUE(back.ok());
    EXPECT_FALSE(back->warnings.empty());
    EXPECT_TRUE(std::holds_alternative<DefineSprite>(back->tags[0]));
    EXPECT_TRUE(std::holds_alternative<ShowFrame>(back->tags[1]));
}
