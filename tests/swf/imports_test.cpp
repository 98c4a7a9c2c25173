// Movies that borrow characters from a library movie beside them: the borrowed
// sprite plays with its own script and init actions, the ids of both movies
// stay apart, and nothing is borrowed from outside the movie's folder.

#include "swf/format/actions.h"
#include "swf/format/imports.h"
#include "swf/format/movie_builder.h"
#include "swf/format/writer.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

using namespace swf;
namespace fs = std::filesystem;

namespace {

Rect box(int size)
{
    return Rect{Twips(0), Twips::fromPixels(size), Twips(0), Twips::fromPixels(size)};
}

Bytes names(const std::vector<std::pair<std::uint16_t, std::string>>& assets)
{
    Bytes out{std::uint8_t(assets.size()), 0};
    for (const auto& [id, name] : assets) {
        out.push_back(std::uint8_t(id & 0xFF));
        out.push_back(std::uint8_t(id >> 8));
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
    }
    return out;
}

Tag traceAction(const std::string& text)
{
    ActionWriter w;
    w.pushString(text).op(ActionCode::Trace);
    return Tag(DoAction{w.bytes()});
}

// A library whose sprite "lib" holds a 7-pixel square, traces when it plays and
// has an init action; its JPEG-less bitmap record leans on the shared tables.
Movie library()
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto square = b.defineRectangle(box(7), solidFill({0, 0, 255, 255}));
    Timeline inner;
    inner.add(traceAction("lent")).place(1, square).showFrame();
    const auto sprite = b.defineSprite(inner);
    ActionWriter init;
    init.pushString("init").op(ActionCode::Trace);
    b.add(DoInitAction{sprite, init.bytes()});
    b.add(UnknownTag{56, names({{sprite, "lib"}})});
    b.showFrame();
    return b.movie();
}

// A movie with a 30-pixel square of its own that borrows "lib" as character 40
// from `address` and places it.
Movie borrower(const std::string& address)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    b.defineRectangle(box(30), solidFill({255, 0, 0, 255}));
    Bytes import(address.begin(), address.end());
    import.push_back(0);
    const Bytes assets = names({{40, "lib"}});
    import.insert(import.end(), assets.begin(), assets.end());
    b.add(UnknownTag{57, import});
    b.place(1, 40).showFrame(2);
    return b.movie();
}

const DefineShape* shapeDefined(const Movie& movie, std::uint16_t id)
{
    for (const Tag& tag : movie.tags) {
        if (const auto* shape = std::get_if<DefineShape>(&tag); shape && shape->id == id)
            return shape;
    }
    return nullptr;
}

} // namespace

TEST(Imports, BorrowedCharactersComeWithWhatTheyUseUnderIdsOfTheirOwn)
{
    Movie movie = borrower("lib.swf");
    std::string asked;
    inlineImports(movie, [&](const std::string& address) -> std::optional<Movie> {
        asked = address;
        return library();
    });
    EXPECT_EQ(asked, "lib.swf");
    // The importer's character 1 is still its own square.
    ASSERT_NE(shapeDefined(movie, 1), nullptr);
    EXPECT_EQ(shapeDefined(movie, 1)->bounds.width(), Twips::fromPixels(30));
    // Character 40 is the library's sprite; the square it places came along under a new id.
    const DefineSprite* sprite = nullptr;
    for (const Tag& tag : movie.tags) {
        if (const auto* s = std::get_if<DefineSprite>(&tag); s && s->id == 40)
            sprite = s;
    }
    ASSERT_NE(sprite, nullptr);
    const PlaceObject* placed = nullptr;
    for (const Tag& tag : sprite->tags)
        placed = placed ? placed : std::get_if<PlaceObject>(&tag);
    ASSERT_TRUE(placed && placed->characterId);
    EXPECT_NE(*placed->characterId, 1);
    ASSERT_NE(shapeDefined(movie, *placed->characterId), nullptr);
    EXPECT_EQ(shapeDefined(movie, *placed->characterId)->bounds.width(), Twips::fromPixels(7));

    // Its init action runs, then its frame script as it plays in the importer.
    const std::string out = runtime::traceMovie(movie, {.frames = 1}).output;
    EXPECT_EQ(out, "init\nlent\n");
}

// Every init action of a library runs in the movie that borrows from it, in
// the library's order, whether its sprite was named or not; a second import
// from the same library runs none again.
TEST(Imports, ALibrarysInitActionsAllRunOnce)
{
    MovieBuilder lib(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto unnamed = lib.defineSprite(Timeline().showFrame());
    const auto named = lib.defineSprite(Timeline().showFrame());
    for (const auto& [sprite, text] : {std::pair{unnamed, "first"}, std::pair{named, "second"}}) {
        ActionWriter init;
        init.pushString(text).op(ActionCode::Trace);
        lib.add(DoInitAction{sprite, init.bytes()});
    }
    lib.add(UnknownTag{56, names({{named, "lib"}})});
    lib.showFrame();

    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    for (std::uint16_t id : {40, 41}) {
        const std::string address = "lib.swf";
        Bytes import(address.begin(), address.end());
        import.push_back(0);
        const Bytes assets = names({{id, "lib"}});
        import.insert(import.end(), assets.begin(), assets.end());
        b.add(UnknownTag{57, import});
    }
    b.showFrame();
    Movie movie = b.movie();
    inlineImports(movie, [&](const std::string&) -> std::optional<Movie> { return lib.movie(); });
    EXPECT_EQ(runtime::traceMovie(movie, {.frames = 0}).output, "first\nsecond\n");
}

TEST(Imports, LibrariesAreReadFromTheMoviesFolderOnly)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path dir = temp.path().toStdString();
    fs::create_directories(dir / "sub");
    const auto save = [](const Movie& movie, const fs::path& path) { ASSERT_TRUE(writeMovieFile(movie, path).ok()); };
    save(library(), dir / "lib.swf");
    save(borrower("lib.swf"), dir / "beside.swf");
    save(borrower("file://" + (dir / "lib.swf").string()), dir / "by-file-address.swf");
    save(borrower("../lib.swf"), dir / "sub" / "above.swf");
    fs::create_symlink(dir / "lib.swf", dir / "sub" / "link.swf");
    save(borrower("link.swf"), dir / "sub" / "through-link.swf");
    save(borrower("http://example.com/lib.swf"), dir / "web.swf");

    const auto traced = [](const fs::path& path) {
        auto movie = loadMovie(path);
        return movie.ok() ? runtime::traceMovie(*movie, {.frames = 1}).output : movie.error().message;
    };
    EXPECT_EQ(traced(dir / "beside.swf"), "init\nlent\n");
    EXPECT_EQ(traced(dir / "by-file-address.swf"), "init\nlent\n");
    // Above the movie's folder, through a link that leads there, or on the web: nothing borrowed.
    EXPECT_EQ(traced(dir / "sub" / "above.swf"), "");
    EXPECT_EQ(traced(dir / "sub" / "through-link.swf"), "");
    EXPECT_EQ(traced(dir / "web.swf"), "");
}

TEST(Imports, AMovieLoadedLaterBorrowsFromTheOpenedMoviesFolder)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path dir = temp.path().toStdString();
    fs::create_directories(dir / "course" / "chapters");
    const auto save = [](const Movie& movie, const fs::path& path) { ASSERT_TRUE(writeMovieFile(movie, path).ok()); };
    save(library(), dir / "course" / "lib.swf");
    save(library(), dir / "outside.swf");
    // A chapter may borrow from above its own folder as long as the opened movie's folder holds the library.
    save(borrower("../lib.swf"), dir / "course" / "chapters" / "inside.swf");
    save(borrower("../../outside.swf"), dir / "course" / "chapters" / "outside.swf");
    const auto menu = [&](const std::string& chapter) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
        ActionWriter load;
        load.getUrl(chapter, "_level1");
        b.add(DoAction{load.bytes()});
        b.showFrame(3);
        return b.movie();
    };
    save(menu("chapters/inside.swf"), dir / "course" / "menu-inside.swf");
    save(menu("chapters/outside.swf"), dir / "course" / "menu-outside.swf");

    const auto traced = [](const fs::path& path) {
        auto movie = loadMovie(path);
        return movie.ok() ? runtime::traceMovie(*movie, {.frames = 2, .moviePath = path}).output : movie.error().message;
    };
    EXPECT_EQ(traced(dir / "course" / "menu-inside.swf"), "init\nlent\n");
    EXPECT_EQ(traced(dir / "course" / "menu-outside.swf"), "");
}
