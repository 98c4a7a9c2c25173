// Courseware of many files, made with the project's writer: a menu that
// loads its chapters into a clip and a level and unloads them, a quiz that
// reads its questions from text files, a preloader, and a movie that asks
// for files outside its folder and gets none of them.

#include "support/assembler.h"
#include "support/pixel_box.h"
#include "swf/format/imports.h"
#include "swf/format/movie_builder.h"
#include "swf/format/writer.h"
#include "swf/player.h"
#include "swf/runtime/file_access.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <QStringEncoder>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <set>

using namespace swf;
namespace fs = std::filesystem;

namespace {

// A movie of one DoAction a frame.
Movie scripted(const std::vector<std::string>& frames, std::uint8_t version = 7)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
    for (const std::string& source : frames) {
        auto code = script::test::assemble(source);
        EXPECT_TRUE(code.ok()) << (code.ok() ? "" : code.error().message);
        if (code.ok())
            b.add(DoAction{*code});
        b.showFrame();
    }
    return b.movie();
}

void save(const Movie& movie, const fs::path& path)
{
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(writeMovieFile(movie, path).ok());
}

void write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string play(const fs::path& path, int frames)
{
    auto movie = loadMovie(path);
    return movie.ok() ? runtime::traceMovie(*movie, {.frames = frames, .moviePath = path}).output : movie.error().message;
}

const std::string kMakeHolder = "push 1, \"holder\", 2, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\n"
                                "CallMethod\nPop\n";
// A MovieClipLoader in "mcl" with the root timeline among its listeners.
const std::string kRootListensToALoader = "push \"mcl\", 0, \"MovieClipLoader\"\nNewObject\nSetVariable\n"
                                          "push \"_root\"\nGetVariable\npush 1, \"mcl\"\nGetVariable\n"
                                          "push \"addListener\"\nCallMethod\nPop\n";
const std::string kTraceWhere = "push \"this\"\nGetVariable\nTargetPath\nAdd2\nTrace\n";

} // namespace

TEST(CourseFolder, MenuLoadsChaptersIntoAClipAndALevelAndUnloadsThem)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({kMakeHolder + "push \"chapter1.swf\", \"holder\"\ngeturl2 64\n"
                                 "geturl \"chapters/chapter2.swf\" \"_level1\"\npush \"menu\"\nTrace",
                   "",
                   "",
                   "",
                   "push \"\", \"holder\"\ngeturl2 64\ngeturl \"\" \"_level1\"",
                   "push \"_level1\"\nGetVariable\nTypeOf\nTrace\n"
                   "push \"holder\"\nGetVariable\npush \"_totalframes\"\nGetMember\nTrace",
                   "push \"holder\"\nGetVariable\npush \"_totalframes\"\nGetMember\nTrace\nStop"}),
         dir / "menu.swf");
    save(scripted({"push \"chapter 1 in \"\n" + kTraceWhere, "Stop"}), dir / "chapter1.swf");
    // The chapter in a folder of its own reads its text from there.
    save(scripted({"push \"chapter 2 in \"\n" + kTraceWhere + "push \"topic.txt\", \"_level1\"\ngeturl2 128", "",
                   "push \"topic\"\nGetVariable\nTrace\nStop"}),
         dir / "chapters" / "chapter2.swf");
    write(dir / "chapters" / "topic.txt", "topic=levels");
    write(dir / "topic.txt", "topic=the menu's");

    // What a frame asks for arrives when it is over and a movie shows its
    // first frame then; a level that is not there yet comes a frame later.
    // An empty address unloads a level at once and makes the clip anew, empty,
    // a frame later.
    EXPECT_EQ(play(dir / "menu.swf", 6), "menu\n"
                                         "chapter 1 in _level0.holder\n"
                                         "chapter 2 in _level1\n"
                                         "levels\n"
                                         "undefined\n"
                                         "2\n"
                                         "1\n");
}

TEST(CourseFolder, QuizReadsUtf8AndTheChineseCodePage)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({"push \"utf8.txt\", \"_level0\"\ngeturl2 128",
                   "push \"q1\"\nGetVariable\nTrace\npush \"System\"\nGetVariable\npush \"useCodepage\", true\n"
                   "SetMember\npush \"gb.txt\", \"_level0\"\ngeturl2 128",
                   "push \"q2\"\nGetVariable\nTrace\nStop"}),
         dir / "quiz.swf");
    write(dir / "utf8.txt", "q1=\xE4\xBD\xA0\xE5\xA5\xBD");
    QStringEncoder gb("GB18030");
    const QByteArray encoded = gb.encode(QString::fromUtf8("q2=中文课件"));
    write(dir / "gb.txt", encoded.toStdString());

    EXPECT_EQ(play(dir / "quiz.swf", 3), "你好\n中文课件\n");
}

TEST(CourseFolder, PreloaderSeesEveryByteOfWhatArrived)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const auto bytes = [](const std::string& clip, const std::string& which) {
        return "push 0, \"" + clip + "\"\nGetVariable\npush \"getBytes" + which + "\"\nCallMethod\n";
    };
    save(scripted({kMakeHolder + "push \"chapter.swf\", \"holder\"\ngeturl2 64\n" + bytes("_root", "Loaded")
                       + bytes("_root", "Total") + "Equals2\nTrace",
                   "",
                   bytes("holder", "Loaded") + bytes("holder", "Total") + "Equals2\nTrace\n" + bytes("holder", "Total")
                       + "Trace\npush \"holder\"\nGetVariable\npush \"_framesloaded\"\nGetMember\nTrace\nStop"}),
         dir / "preloader.swf");
    save(scripted({"", "", ""}), dir / "chapter.swf");

    EXPECT_EQ(play(dir / "preloader.swf", 2), "true\ntrue\n" + std::to_string(fs::file_size(dir / "chapter.swf")) + "\n3\n");
}

TEST(CourseFolder, BrokenFilesArriveAsEmptyClipsAndTheMovieGoesOn)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    write(dir / "broken.swf", std::string("FWS\x08\xff\xff\xff\x7f", 8) + "not a movie");
    write(dir / "broken.png", "\x89PNG\r\n\x1a\n and nothing more");
    save(scripted({kMakeHolder + "push \"broken.swf\", \"holder\"\ngeturl2 64\n"
                                 "geturl \"broken.png\" \"_level1\"",
                   "",
                   "",
                   "push \"holder\"\nGetVariable\npush \"_totalframes\"\nGetMember\nTrace\n"
                   "push \"_level1\"\nGetVariable\npush \"_totalframes\"\nGetMember\nTrace\nStop"}),
         dir / "course.swf");

    EXPECT_EQ(play(dir / "course.swf", 3), "1\n1\n");
}

TEST(CourseFolder, NothingOutsideTheOpenedMoviesFolderIsRead)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const fs::path course = dir / "course";
    save(scripted({"push \"escaped\"\nTrace"}), dir / "outside.swf");
    write(dir / "outside.txt", "leak=1");
    fs::create_directories(course);
    fs::create_symlink(dir / "outside.swf", course / "escape.swf");
    fs::create_symlink(dir / "outside.txt", course / "escape.txt");

    const std::vector<std::string> addresses{"../outside.swf", "/etc/passwd", "escape.swf",
                                             "http://example.com/outside.swf",
                                             "file://" + (dir / "outside.swf").string()};
    std::string probe = "function onLoadError target code\npush \"refused: \", \"code\"\nGetVariable\nAdd2\nTrace\nend\n"
                        + kRootListensToALoader + kMakeHolder;
    for (const std::string& address : addresses)
        probe += "push \"holder\", \"" + address + "\", 2, \"mcl\"\nGetVariable\npush \"loadClip\"\nCallMethod\nPop\n";
    for (const std::string& address : std::vector<std::string>{"../outside.txt", "escape.txt", "file://" + (dir / "outside.txt").string()})
        probe += "push \"" + address + "\", \"_level0\"\ngeturl2 128\n";
    save(scripted({probe, "", "push \"leak\"\nGetVariable\nTrace\nStop"}), course / "probe.swf");

    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            names.insert(entry.path().string());
        return names;
    };
    const std::set<std::string> before = listing();
    EXPECT_EQ(play(course / "probe.swf", 2), "refused: URLNotFound\nrefused: URLNotFound\nrefused: URLNotFound\n"
                                             "refused: URLNotFound\nrefused: URLNotFound\nundefined\n");
    EXPECT_EQ(listing(), before);
}

TEST(CourseFolder, AMovieOpenedInItsOwnPlaceReplacesTheOneThatAskedAndCommandsReachTheProgram)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({"geturl \"fscommand:fullscreen\" \"true\"",
                   "geturl \"next.swf\" \"_self\"\ngeturl \"fscommand:exec\" \"calc\"", "Stop"}),
         dir / "menu.swf");
    save(scripted({"push \"next\"\nTrace", "", "", ""}), dir / "next.swf");
    auto player = Player::fromFile(dir / "menu.swf");
    ASSERT_TRUE(player.ok());
    std::string log;
    (*player)->setTraceHandler([&](const std::string& line) { log += line + "\n"; });
    (*player)->setCommandHandler([&](const std::string& command, const std::string& arguments) {
        log += command + " " + arguments + "\n";
    });
    // The first frame's command waited for someone to hear it.
    EXPECT_EQ(log, "fullscreen true\n");
    EXPECT_EQ((*player)->frameCount(), 3);
    (*player)->advance();
    // The program hears every command (and refuses exec itself); the movie
    // beside it arrives when the frame is over.
    EXPECT_EQ(log, "fullscreen true\nexec calc\nnext\n");
    EXPECT_EQ((*player)->frameCount(), 4);
}

TEST(CourseFolder, ALevelsNameYieldsToATimelineVariableButNotToAGlobalOne)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const std::string traceLevel = "push \"_level0\"\nGetVariable\nTrace\n";
    save(scripted({"push \"_level0\", \"shadow\"\nSetVariable\n" + traceLevel + "push \"_level0\"\nDelete2\nPop\n"
                   + traceLevel + "push \"_global\"\nGetVariable\npush \"_level0\", \"global\"\nSetMember\n" + traceLevel
                   + "push \"this\"\nGetVariable\npush \"_level0\", \"member\"\nSetMember\n" + traceLevel}),
         dir / "menu.swf");

    EXPECT_EQ(play(dir / "menu.swf", 0), "shadow\n_level0\n_level0\nmember\n");

    // The levels lie at the bottom of the depths.
    const auto depthOf = [](const std::string& level) {
        return "push 0, \"" + level + "\"\nGetVariable\npush \"getDepth\"\nCallMethod\nTrace\n";
    };
    save(scripted({"geturl \"menu.swf\" \"_level5\"\n" + depthOf("_level0"), "", depthOf("_level5") + "Stop"}),
         dir / "levels.swf");
    EXPECT_EQ(play(dir / "levels.swf", 2), "-16384\nshadow\n_level0\n_level0\nmember\n-16379\n");
}

TEST(CourseFolder, AnyClipLocksItsRootFromSwf7On)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    // a holds b; a locks its root; b's _root is then a, and b itself once it locks too.
    const std::string source = "push 0, \"a\", 2, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
                               "push 1, \"b\", 2, \"a\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
                               "push \"a\"\nGetVariable\npush \"_lockroot\", true\nSetMember\n"
                               "push \"a\"\nGetVariable\npush \"b\"\nGetMember\npush \"_root\"\nGetMember\nTrace\n"
                               "push \"a\"\nGetVariable\npush \"b\"\nGetMember\npush \"_lockroot\", true\nSetMember\n"
                               "push \"a\"\nGetVariable\npush \"b\"\nGetMember\npush \"_root\"\nGetMember\nTrace\n";
    save(scripted({source}, 7), dir / "seven.swf");
    save(scripted({source}, 6), dir / "six.swf");

    EXPECT_EQ(play(dir / "seven.swf", 0), "_level0.a\n_level0.a.b\n");
    EXPECT_EQ(play(dir / "six.swf", 0), "_level0\n_level0\n");

    // Inside with (clip): _lockroot reads the clip's, false until set, but as a
    // member of the clip's prototype it is not the clip's own: assigning it
    // there lands on the timeline, as every inherited name does, and the
    // clip's _root stays the level.
    save(scripted({"push 0, \"a\", 2, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
                   "push \"a\"\nGetVariable\nwith\npush \"_lockroot\"\nGetVariable\nTrace\n"
                   "push \"_lockroot\", true\nSetVariable\npush \"_root\"\nGetVariable\nTrace\nendwith\n"
                   "push \"_root\"\nGetVariable\nTrace"}),
         dir / "with.swf");
    EXPECT_EQ(play(dir / "with.swf", 0), "false\n_level0\n_level0\n");
}

TEST(CourseFolder, ALoaderHandlerThatQuitsLetsTheNextFramePlay)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({"function onLoadError target code\npush \"error\"\nTrace\ngeturl \"fscommand:quit\" \"\"\nend\n"
                   + kRootListensToALoader + kMakeHolder
                   + "push \"holder\", \"missing.swf\", 2, \"mcl\"\nGetVariable\npush \"loadClip\"\nCallMethod\nPop",
                   "push \"frame 2\"\nTrace", "push \"frame 3\"\nTrace", "push \"frame 4\"\nTrace"}),
         dir / "menu.swf");

    EXPECT_EQ(play(dir / "menu.swf", 3), "frame 2\nerror\nframe 3\n");
}

TEST(CourseFolder, ALoaderHearsOfLoadsIntoClipsThatWentOrWereUnloaded)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const std::string handlers =
        "function onLoadStart target\npush \"start \", \"target\"\nGetVariable\nAdd2\nTrace\nend\n"
        "function onLoadError target code\npush \"error \", \"target\"\nGetVariable\nAdd2\npush \" \"\nAdd2\n"
        "push \"code\"\nGetVariable\nAdd2\nTrace\nend\n"
        "function onLoadInit target\npush \"init\"\nTrace\nend\n" + kRootListensToALoader;
    const auto load = [](const std::string& clip) {
        return "push \"" + clip + "\", \"chapter.swf\", 2, \"mcl\"\nGetVariable\npush \"loadClip\"\nCallMethod\nPop\n";
    };
    const std::string make = "push 1, \"gone\", 2, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
                             "push 2, \"kept\", 3, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n";
    save(scripted({handlers + make + load("gone") + load("kept")
                       + "push \"gone\"\nGetVariable\nRemoveSprite\n"
                         "push \"kept\", 1, \"mcl\"\nGetVariable\npush \"unloadClip\"\nCallMethod\nPop\n"
                         // The progress is a bare record that inherits nothing.
                         "push \"kept\", 1, \"mcl\"\nGetVariable\npush \"getProgress\"\nCallMethod\n"
                         "push \"__proto__\"\nGetMember\nTypeOf\nTrace",
                   "", "", ""}),
         dir / "menu.swf");
    save(scripted({"push \"chapter\"\nTrace"}), dir / "chapter.swf");

    // The removed clip's load fails without a target; the unloaded clip's
    // starts and goes no further.
    EXPECT_EQ(play(dir / "menu.swf", 3), "undefined\nerror undefined URLNotFound\nstart _level0.kept\n");
}

TEST(CourseFolder, AMovieOnALevelThatQuitsLetsTheNextFramePlay)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({"geturl \"chapter.swf\" \"_level1\"", "push \"menu frame 2\"\nTrace",
                   "push \"menu frame 3\"\nTrace", "push \"menu frame 4\"\nTrace"}),
         dir / "menu.swf");
    save(scripted({"push \"chapter quits\"\nTrace\ngeturl \"fscommand:quit\" \"\"\nStop"}), dir / "chapter.swf");

    EXPECT_EQ(play(dir / "menu.swf", 3), "menu frame 2\nchapter quits\nmenu frame 3\n");
}

TEST(CourseFolder, ALoadedMovieRunsUnderItsOwnVersion)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    // What a SWF 7 function sees: undefined as "undefined" and getDepth
    // (from SWF 6); what it sees when run under SWF 5 rules: neither.
    const std::string probe = "push undefined, \"|\"\nAdd2\npush \"getDepth\"\nGetVariable\nTypeOf\nAdd2\n";
    // A SWF 5 menu calls the SWF 7 chapter's function as its clip's method
    // and as a plain function from its own local: the second runs under the
    // menu's rules, on the menu's timeline.
    save(scripted({"function ready\n"
                   "push \"method \", 0, \"_level1\"\nGetVariable\npush \"f\"\nCallMethod\nAdd2\nTrace\n"
                   "push \"f\", \"_level1\"\nGetVariable\npush \"f\"\nGetMember\nDefineLocal\n"
                   "push \"plain \", 0, \"f\"\nCallFunction\nAdd2\nTrace\nend\n"
                   "geturl \"chapter7.swf\" \"_level1\"\ngeturl \"chapter5.swf\" \"_level2\"",
                   "", "Stop"},
                  5),
         dir / "menu.swf");
    save(scripted({"function f\n" + probe + "Return\nend\npush \"own \", 0, \"f\"\nCallFunction\nAdd2\nTrace\n"
                   "push 0, \"_level0\"\nGetVariable\npush \"ready\"\nCallMethod\nPop"},
                  7),
         dir / "chapter7.swf");
    save(scripted({"push \"five \"\n" + probe + "Add2\nTrace"}, 5), dir / "chapter5.swf");
    // The newest load shows its first frame first.
    EXPECT_EQ(play(dir / "menu.swf", 3), "five |undefined\n"
                                         "own undefined|function\n"
                                         "method undefined|function\n"
                                         "plain |undefined\n");

    // The other way round: a SWF 5 movie in a SWF 7 one keeps its own rules.
    save(scripted({"geturl \"chapter5.swf\" \"_level1\"", "", "Stop"}, 7), dir / "menu7.swf");
    EXPECT_EQ(play(dir / "menu7.swf", 3), "five |undefined\n");
}

// Movies up to SWF 6 share one set of globals and movies from SWF 7 on
// another: a SWF 8 menu shares _global, its classes and MovieClip.prototype
// with a SWF 7 chapter, but none of them with a SWF 6 one, whose objects
// come from its own classes.
TEST(CourseFolder, MoviesEitherSideOfSwf7SeeTheirOwnGlobals)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const std::string keep = "push \"g\", \"_global\"\nGetVariable\nSetVariable\n"
                             "push \"o\", 0\nInitObject\nSetVariable\n";
    save(scripted({keep}, 6), dir / "chapter6.swf");
    save(scripted({keep}, 7), dir / "chapter7.swf");
    std::string checks;
    for (const char* level : {"_level1", "_level2"}) {
        const std::string clip = std::string("push \"") + level + "\"\nGetVariable\n";
        checks += clip + "push \"g\"\nGetMember\npush \"_global\"\nGetVariable\nStrictEquals\nTrace\n"
                + clip + "push \"o\"\nGetMember\npush \"Object\"\nGetVariable\nInstanceOf\nTrace\n"
                + clip + "push \"__proto__\"\nGetMember\npush \"MovieClip\"\nGetVariable\npush \"prototype\"\n"
                         "GetMember\nStrictEquals\nTrace\n";
    }
    save(scripted({"geturl \"chapter6.swf\" \"_level1\"\ngeturl \"chapter7.swf\" \"_level2\"", "", checks + "Stop"}, 8),
         dir / "menu.swf");
    EXPECT_EQ(play(dir / "menu.swf", 3), "false\nfalse\nfalse\ntrue\ntrue\ntrue\n");

    // A movie of one side alone makes no second set: the SWF 6 chapter's
    // globals are the SWF 5 menu's.
    save(scripted({"geturl \"chapter6.swf\" \"_level1\"", "",
                   "push \"_level1\"\nGetVariable\npush \"g\"\nGetMember\npush \"_global\"\nGetVariable\nEquals2\nTrace\nStop"},
                  6),
         dir / "menu6.swf");
    EXPECT_EQ(play(dir / "menu6.swf", 3), "true\n");
}

TEST(CourseFolder, ALevelsRootTakesANameUntilAnotherMovieReplacesIt)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const std::string traceName = "push \"_name\"\nGetVariable\nTrace\n";
    save(scripted({"push \"_name\", \"menu\"\nSetVariable\n" + traceName + "geturl \"chapter.swf\" \"_level0\""}),
         dir / "menu.swf");
    save(scripted({"push \"[\", \"_name\"\nGetVariable\nAdd2\npush \"]\"\nAdd2\nTrace\nStop"}), dir / "chapter.swf");
    EXPECT_EQ(play(dir / "menu.swf", 3), "menu\n[]\n");
}

TEST(CourseFolder, AClipReportsTheAddressItFailedToLoad)
{
    QTemporaryDir temp;
    const fs::path dir = fs::weakly_canonical(temp.path().toStdString());
    save(scripted({kMakeHolder + "push \"missing.swf\", \"holder\"\ngeturl2 64", "",
                   "push \"holder\"\nGetVariable\npush \"_url\"\nGetMember\nTrace\nStop"}),
         dir / "menu.swf");
    EXPECT_EQ(play(dir / "menu.swf", 3), runtime::fileUrl(dir / "missing.swf") + "\n");
}

namespace {

using test::box;

Bytes code(const std::string& source)
{
    auto bytes = script::test::assemble(source);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().message);
    return bytes.ok() ? *bytes : Bytes{};
}

// The pieces a hand-made course is drawn with: text in the system's sans-serif
// font and buttons that act when released.
class CoursePage {
public:
    explicit CoursePage(std::uint8_t version = 6) : m_builder(Twips::fromPixels(480), Twips::fromPixels(360), 12, version)
    {
        m_builder.setBackground({236, 240, 246, 255});
        m_font = m_builder.define([](std::uint16_t id) {
            DefineFont font;
            font.version = 2;
            font.id = id;
            font.name = "_sans";
            return Tag(font);
        });
    }

    CoursePage& text(const std::string& words, const Rect& where, int size, Rgba color)
    {
        m_builder.place(m_depth++, label(words, where, size, color));
        return *this;
    }

    CoursePage& panel(const Rect& where, Rgba color)
    {
        m_builder.place(m_depth++, m_builder.defineRectangle(where, solidFill(color)));
        return *this;
    }

    // A button of 180 by 40 pixels at (x, y) whose release runs `action`.
    CoursePage& button(const std::string& caption, int x, int y, const std::string& action)
    {
        const auto up = m_builder.defineRectangle(box(0, 0, 180, 40), solidFill({52, 101, 164, 255}),
                                                  solidLine(Twips::fromPixels(1), {32, 74, 135, 255}));
        const auto over = m_builder.defineRectangle(box(0, 0, 180, 40), solidFill({114, 159, 207, 255}),
                                                    solidLine(Twips::fromPixels(1), {32, 74, 135, 255}));
        const auto words = label(caption, box(0, 8, 180, 26), 16, {255, 255, 255, 255});
        const auto id = m_builder.define([&](std::uint16_t id) {
            DefineButton def;
            def.version = 2;
            def.id = id;
            auto record = [](std::uint16_t character, std::uint16_t depth, bool up, bool over, bool hit) {
                ButtonRecord r;
                r.characterId = character;
                r.depth = depth;
                r.stateUp = up;
                r.stateOver = over;
                r.stateDown = over;
                r.stateHitTest = hit;
                return r;
            };
            def.records = {record(up, 1, true, false, true), record(over, 2, false, true, false),
                           record(words, 3, true, true, false)};
            def.condActions = {ButtonCondAction{std::uint16_t(1u << 11), code(action)}};
            return Tag(def);
        });
        m_builder.place(m_depth++, id, Matrix::translation(Twips::fromPixels(x), Twips::fromPixels(y)));
        return *this;
    }

    void save(const fs::path& path)
    {
        m_builder.add(DoAction{code("Stop")});
        m_builder.showFrame();
        ::save(m_builder.movie(), path);
    }

private:
    std::uint16_t label(const std::string& words, const Rect& where, int size, Rgba color)
    {
        return m_builder.define([&](std::uint16_t id) {
            DefineEditText edit;
            edit.id = id;
            edit.bounds = where;
            edit.readOnly = true;
            edit.noSelect = true;
            edit.fontId = m_font;
            edit.height = Twips::fromPixels(size);
            edit.color = color;
            EditTextLayout centred;
            centred.align = TextAlign::Center;
            edit.layout = centred;
            edit.initialText = words;
            return Tag(edit);
        });
    }

    MovieBuilder m_builder;
    std::uint16_t m_font = 0;
    std::uint16_t m_depth = 1;
};

} // namespace

// A course as a teacher gets it on a disc: a menu whose buttons load the first
// chapter into level 1 and ask for full screen; each chapter replaces itself
// with the next, and the last one unloads itself to show the menu again.
// VESKOR_COURSE_OUT=DIR keeps the folder there, to be opened in the program.
TEST(CourseFolder, AMenuOfButtonsPlaysItsChaptersOneAfterAnother)
{
    QTemporaryDir temp;
    const QString kept = qEnvironmentVariable("VESKOR_COURSE_OUT");
    const fs::path dir = kept.isEmpty() ? fs::path(temp.path().toStdString()) : fs::path(kept.toStdString());
    const Rgba chapterOne{115, 210, 22, 255}, chapterTwo{245, 121, 0, 255};
    CoursePage()
        .text("The Moon: a course in two chapters", box(0, 20, 480, 34), 24, {46, 52, 54, 255})
        .button("Chapter 1", 40, 80, "geturl \"chapters/phases.swf\" \"_level1\"")
        .button("Full screen", 260, 80, "geturl \"fscommand:fullscreen\" \"true\"")
        .save(dir / "menu.swf");
    CoursePage()
        .panel(box(0, 150, 480, 210), chapterOne)
        .text("Chapter 1: the phases of the Moon", box(0, 170, 480, 30), 20, {255, 255, 255, 255})
        .button("Next chapter", 150, 280, "geturl \"eclipses.swf\" \"_level1\"")
        .save(dir / "chapters" / "phases.swf");
    CoursePage()
        .panel(box(0, 150, 480, 210), chapterTwo)
        .text("Chapter 2: eclipses", box(0, 170, 480, 30), 20, {255, 255, 255, 255})
        .button("Back to the menu", 150, 280, "geturl \"\" \"_level1\"")
        .save(dir / "chapters" / "eclipses.swf");

    auto player = Player::fromFile(dir / "menu.swf");
    ASSERT_TRUE(player.ok()) << player.error().message;
    Player& p = **player;
    std::string commands;
    p.setCommandHandler([&](const std::string& command, const std::string& arguments) {
        commands += command + " " + arguments + "\n";
    });
    auto colourAt = [&](int x, int y) {
        const QColor c = p.renderImage().pixelColor(x, y);
        return Rgba{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()), 255};
    };
    auto click = [&](int x, int y) {
        p.mouseMove(QPointF(x, y), QRectF(0, 0, 480, 360), ScaleMode::ShowAll);
        p.mousePress();
        p.mouseRelease();
        p.advance();
        p.advance();
    };
    const Rgba background = colourAt(10, 340);
    click(100, 100);
    EXPECT_EQ(colourAt(10, 340), chapterOne);
    click(240, 300);
    EXPECT_EQ(colourAt(10, 340), chapterTwo);
    click(240, 300);
    EXPECT_EQ(colourAt(10, 340), background) << "the last chapter unloads itself";
    click(340, 100);
    EXPECT_EQ(commands, "fullscreen true\n");
}

TEST(CourseFolder, ALoaderCountsTheBytesAMovieDeclaresAndHearsOfALevelTwice)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    const std::string handlers =
        "function onLoadProgress target loaded total\npush \"progress \", \"loaded\"\nGetVariable\nAdd2\n"
        "push \"/\"\nAdd2\npush \"total\"\nGetVariable\nAdd2\npush \" \"\nAdd2\npush \"target\"\nGetVariable\nAdd2\n"
        "Trace\nend\n"
        "function onLoadInit target\npush \"init \", \"target\"\nGetVariable\nAdd2\nTrace\nend\n" + kRootListensToALoader;
    const auto load = [](const std::string& target) {
        return "push " + target + ", \"chapter.swf\", 2, \"mcl\"\nGetVariable\npush \"loadClip\"\nCallMethod\nPop\n";
    };
    const std::string frame = "push \"frame \", \"_currentframe\"\nGetVariable\nAdd2\nTrace\n";
    // A level number past 2^32 wraps around: 4294967299 is level 3, and -1 none.
    save(scripted({handlers + kMakeHolder + load("4294967299") + load("-1") + load("\"holder\""), frame, frame,
                   frame + "push 0, \"_level3\"\nGetVariable\npush \"getBytesTotal\"\nCallMethod\n"
                           "push 0, \"_level3\"\nGetVariable\npush \"getBytesLoaded\"\nCallMethod\nEquals2\nTrace\nStop"}),
         dir / "menu.swf");
    Movie chapter = scripted({"push \"chapter \"\n" + kTraceWhere + "Stop"});
    chapter.tags.push_back(Tag(DoAction{Bytes(200, 0)})); // some bytes that compress well
    ASSERT_TRUE(writeMovieFile(chapter, dir / "chapter.swf", Compression::Zlib).ok());
    const std::string declared = std::to_string(writeMovie(chapter).size());
    ASSERT_LT(fs::file_size(dir / "chapter.swf"), writeMovie(chapter).size());

    // The level hears of its progress twice and of its init a frame after
    // its first frame; the clip, once and at once.
    const std::string figures = declared + "/" + declared;
    EXPECT_EQ(play(dir / "menu.swf", 3), "frame 2\n"
                                         "progress " + figures + " _level3\n"
                                         "progress " + figures + " _level3\n"
                                         "progress " + figures + " _level0.holder\n"
                                         "chapter _level0.holder\n"
                                         "chapter _level3\n"
                                         "init _level0.holder\n"
                                         "frame 3\n"
                                         "init _level3\n"
                                         "frame 4\n"
                                         "true\n");
}

TEST(CourseFolder, AnEmptyAddressMakesARenamedClipAnewAFrameLater)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    // The clip made as "b" and renamed "a" is replaced by an empty "a" that
    // the old reference is not; a level's root is unloaded at once.
    const std::string same = "push \"x\"\nGetVariable\npush \"a\"\nGetVariable\nEquals2\nTrace\n";
    save(scripted({"push \"x\", 1, \"b\", 2, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\n"
                   "SetVariable\npush \"x\"\nGetVariable\npush \"_name\", \"a\"\nSetMember\n"
                   "push \"\", 1, \"x\"\nGetVariable\npush \"loadMovie\"\nCallMethod\nPop\n" + same,
                   same, same + "push \"a\"\nGetVariable\nTypeOf\nTrace\nStop"}),
         dir / "menu.swf");

    EXPECT_EQ(play(dir / "menu.swf", 2), "true\ntrue\nfalse\nmovieclip\n");
}

TEST(CourseFolder, WebAddressesGoOutInTurnWithTracesAndANewWindowHasOneName)
{
    const Movie movie = scripted({"geturl \"https://a.example/1\" \"bLaNk\"\npush \"between\"\nTrace\n"
                                  "push \"https://a.example/2\", \"_BLANK\"\ngeturl2 0\n"
                                  "geturl \"https://a.example/3\" \"self\"\ngeturl \"https://a.example/4\" \"\"\n"
                                  "geturl \"https://a.example/5\" \"_blanks\""});
    runtime::TraceOptions options{.frames = 0};
    options.describeUrl = [](const std::string& url, const std::string& window) {
        return url + " in [" + window + "]\n";
    };
    EXPECT_EQ(runtime::traceMovie(movie, options).output,
              "https://a.example/1 in [_blank]\nbetween\nhttps://a.example/2 in [_blank]\n"
              "https://a.example/3 in [self]\nhttps://a.example/4 in []\nhttps://a.example/5 in [_blanks]\n");
    // Without a description the addresses leave no line.
    EXPECT_EQ(runtime::traceMovie(movie, {.frames = 0}).output, "between\n");
}

// swapDepths moves a level among the levels once: slash paths name it by its
// new number, dots by the one it was loaded as. At a depth a script reaches,
// removeMovieClip takes it away without its unload event. "_level" alone is
// the first level.
TEST(CourseFolder, ALevelMovesOnceAndLeavesFromADepthScriptsReach)
{
    QTemporaryDir temp;
    const fs::path dir = temp.path().toStdString();
    save(scripted({""}), dir / "part.swf");
    const std::string level = "push \"_level16394\"\nGetVariable\n";
    const std::string depth = "push 0\n" + level + "push \"getDepth\"\nCallMethod\nTrace\n";
    save(scripted({"geturl \"part.swf\" \"_level5\"", "",
                   "push 10, 1, \"_level5\"\nGetVariable\npush \"swapDepths\"\nCallMethod\nPop\n" + level
                       + "push \"_target\"\nGetMember\nTrace\npush \"\"\n" + level + "Add2\nTrace\n" + depth
                       + "push 20, 1\n" + level + "push \"swapDepths\"\nCallMethod\nPop\n" + depth
                       + "push \"_level5\"\nGetVariable\nTypeOf\nTrace\n" + level
                       + "push \"onUnload\"\nfunction\npush \"unload\"\nTrace\nend\nSetMember\npush 0\n" + level
                       + "push \"removeMovieClip\"\nCallMethod\nPop\n" + level
                       + "TypeOf\nTrace\npush \"_level\"\nGetVariable\nTargetPath\nTrace\nStop"}),
         dir / "menu.swf");
    EXPECT_EQ(play(dir / "menu.swf", 4), "_level16394\n_level5\n10\n10\nundefined\nundefined\n_level0\n");
}
