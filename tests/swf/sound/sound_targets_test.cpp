// Which clip a Sound object's volume belongs to: a path given to the
// constructor is read again at each call, from the clip whose script calls.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

namespace swf {
namespace {

using script::test::assembled;

// `name`.getVolume(), traced.
std::string traceVolume(const std::string& name)
{
    return "push 0, \"" + name + "\"\nGetVariable\npush \"getVolume\"\nCallMethod\nTrace\n";
}

// `name` = new Sound(`argument`), where `argument` is assembler pushes of one value.
std::string newSound(const std::string& name, const std::string& argument)
{
    return "push \"" + name + "\"\n" + argument + "\npush 1, \"Sound\"\nNewObject\nSetVariable\n";
}

std::string setVolume(const std::string& name, int volume)
{
    return "push " + std::to_string(volume) + ", 1, \"" + name
           + "\"\nGetVariable\npush \"setVolume\"\nCallMethod\nPop\n";
}

// A clip "mc" holding a clip "inner"; mc's script makes s = new Sound("inner")
// and sets its volume to 50, then the root reads mc.s from its own timeline
// and calls a function of mc that reads it from there.
TEST(SoundTargets, APathIsReadFromTheClipThatCalls)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline mc;
    mc.add(DoAction{assembled("push 1, \"inner\", 2, \"createEmptyMovieClip\"\nCallFunction\nPop\n"
                              + newSound("s", "push \"inner\"") + setVolume("s", 50) + traceVolume("s") + R"(
        function readS
            push 0, "s"
            GetVariable
            push "getVolume"
            CallMethod
            Trace
        end
    )")}).showFrame();
    b.place(1, b.defineSprite(mc), {}, {}, "mc");
    b.add(DoAction{assembled(newSound("s", "push \"mc.inner\"")
                             + traceVolume("mc.s") + setVolume("s", 30) + "push 0, \"mc\"\nGetVariable\n"
                             + "push \"readS\"\nCallMethod\nPop\n" + traceVolume("s"))})
        .showFrame();
    // From the root "inner" names nothing; from mc it is mc.inner, whose volume
    // the root's own Sound on "mc.inner" then set to 30.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "50\nundefined\n30\n30\n");
}

// The clip a Sound names is found again by its path: removed, the Sound has
// no volume; made anew under that name, the Sound controls the new clip,
// whose volume starts afresh. The clip comes from ASnative(901, 0) put in
// place of the method it stands for.
TEST(SoundTargets, ARemovedClipIsNoTargetUntilOneTakesItsName)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const std::string create = "push 1, \"c1\", 2, \"createEmptyMovieClip\"\nCallFunction\nPop\n";
    const std::string remove = "push 0, \"c1\"\nGetVariable\npush \"removeMovieClip\"\nCallMethod\nPop\n";
    b.add(DoAction{assembled(R"(
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "createEmptyMovieClip", 0, 901, 2, "ASnative"
        CallFunction
        SetMember
    )" + create + newSound("s", "push \"c1\"\nGetVariable") + setVolume("s", 80) + traceVolume("s") + remove
                             + traceVolume("s") + create + traceVolume("s"))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "80\nundefined\n100\n");
}

// checkPolicyFile is each Sound's own member, a boolean, from version 6 on.
TEST(SoundTargets, CheckPolicyFileIsAMemberOfEachSoundFromVersionSix)
{
    for (const int version : {5, 6}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, std::uint8_t(version));
        b.add(DoAction{assembled(newSound("s", "push undefined") + R"(
            push "s"
            GetVariable
            push "checkPolicyFile"
            GetMember
            TypeOf
            Trace
            push "Sound"
            GetVariable
            push "prototype"
            GetMember
            push "checkPolicyFile"
            GetMember
            TypeOf
            Trace
        )")})
            .showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
                  version == 5 ? "undefined\nundefined\n" : "boolean\nundefined\n");
    }
}

// A version 5 movie's text field is an object and a Sound's target, with a
// volume of its own, but shows the movie none of its members.
TEST(SoundTargets, AVersionFiveFieldIsATargetWithoutMembers)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 5);
    b.add(DoAction{assembled(R"(
        push 50, 100, 0, 0, 0, "t", 6, "createTextField"
        CallFunction
        Pop
        push "t"
        GetVariable
        push "text"
        GetMember
        Trace
        push "t"
        GetVariable
        push "own", "kept"
        SetMember
        push "t"
        GetVariable
        push "own"
        GetMember
        Trace
    )" + newSound("g", "push undefined") + newSound("s", "push \"t\"\nGetVariable") + setVolume("s", 40)
                             + traceVolume("s") + traceVolume("g"))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "undefined\nkept\n40\n100\n");
}

} // namespace
} // namespace swf
