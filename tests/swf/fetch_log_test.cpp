// Requests a movie sends with a body, as the trace run logs them in turn
// with its traces: loadVariables with POST posts the asking clip's variables
// as a form; GET sends no body and leaves no entry.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

using namespace swf;
using script::test::assembled;

TEST(FetchLog, PostedVariablesAreLoggedAsTheyGoOut)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline inner;
    inner.showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, {}, {}, "mc");
    b.add(DoAction{assembled(R"(
        push "mc"
        GetVariable
        push "b", 1
        SetMember
        push "mc"
        GetVariable
        push "a", "x y&z"
        SetMember
        push "mc"
        GetVariable
        push "o", 0
        InitObject
        SetMember
        push "POST", "vars.txt", 2, "mc"
        GetVariable
        push "loadVariables"
        CallMethod
        Pop
        push "GET", "get.txt", 2, "mc"
        GetVariable
        push "loadVariables"
        CallMethod
        Pop
        push "v", "1"
        SetVariable
        push "root.txt", "mc"
        GetURL2 194
        push "after"
        Trace
    )")});
    b.showFrame();
    runtime::TraceOptions options{.frames = 0};
    options.describeRequest = runtime::recordedRequest;
    // Newest variables first, as for..in lists them, the values as strings;
    // the root's include the player's $version.
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output,
              "Navigator::fetch:\n  URL: vars.txt\n  Method: POST\n  Mime-Type: application/x-www-form-urlencoded\n"
              "  Body: o=%5Bobject+Object%5D&a=x+y%26z&b=1\n"
              "Navigator::fetch:\n  URL: root.txt\n  Method: POST\n  Mime-Type: application/x-www-form-urlencoded\n"
              "  Body: v=1&%24version=LNX+9%2C0%2C999%2C0\n"
              "after\n");
    // Binary bodies are listed byte by byte.
    EXPECT_EQ(runtime::recordedRequest({"u", "POST", "application/x-amf", std::string("\x00\x0A\xFF", 3), true}),
              "Navigator::fetch:\n  URL: u\n  Method: POST\n  Mime-Type: application/x-amf\n  Body: [00, 0A, FF]\n");
}
