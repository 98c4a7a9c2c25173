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

} // namespace
} // namespace swf
