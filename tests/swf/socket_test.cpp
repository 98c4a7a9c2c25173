// XMLSocket against a scripted server: messages end at a zero byte and may
// arrive in parts; a server's close is reported, the movie's own is not, and
// nothing arrives after it; without a server the connection fails.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

using namespace swf;
using script::test::assembled;

namespace {

// s = new XMLSocket(); s.onConnect = function (ok) { trace("connect " + ok);
// s.send("a"); s.send(new XML("<b/>")); }; s.onData = function (d) {
// trace("data " + d); if (d == "stop") s.close(); }; s.onClose = function ()
// { trace("closed"); }; trace(s.connect(null, 2000)); trace(s.connect("h", 70000));
const char* const kSocketScript = R"(
    push "s", 0, "XMLSocket"
    NewObject
    SetVariable
    push "s"
    GetVariable
    push "onConnect"
    function - ok
      push "connect ", "ok"
      GetVariable
      Add2
      Trace
      push "a", 1, "s"
      GetVariable
      push "send"
      CallMethod
      Pop
      push "<b/>", 1, "XML"
      NewObject
      push 1, "s"
      GetVariable
      push "send"
      CallMethod
      Pop
    end
    SetMember
    push "s"
    GetVariable
    push "onData"
    function - d
      push "data ", "d"
      GetVariable
      Add2
      Trace
      push "d"
      GetVariable
      push "stop"
      Equals2
      Not
      if skip
      push 0, "s"
      GetVariable
      push "close"
      CallMethod
      Pop
    skip:
    end
    SetMember
    push "s"
    GetVariable
    push "onClose"
    function -
      push "closed"
      Trace
    end
    SetMember
    push 2000, null, 2, "s"
    GetVariable
    push "connect"
    CallMethod
    Trace
)";

Movie socketMovie()
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(kSocketScript)});
    b.showFrame();
    return b.movie();
}

using Kind = runtime::SocketStep::Kind;

} // namespace

TEST(Sockets, MessagesArriveWholeUntilTheMovieCloses)
{
    runtime::TraceOptions options{.frames = 5};
    options.describeSocket = runtime::recordedSocket;
    options.socketServer = std::vector<runtime::SocketStep>{
        {Kind::Receive, std::string("a\0<b />\0", 8)},
        {Kind::Send, std::string("x\0y", 3)},
        {Kind::Send, std::string("z\0stop\0tail\0", 12)},
        {Kind::Close},
    };
    // The server's own close comes after the movie closed: it is not heard.
    EXPECT_EQ(runtime::traceMovie(socketMovie(), options).output,
              "Navigator::connect_socket\n    Host: localhost; Port: 2000\n"
              "true\n"
              "connect true\n"
              "data x\n"
              "data yz\n"
              "data stop\n");
}

TEST(Sockets, AServerClosingIsHeardAndNoServerMeansNoConnection)
{
    runtime::TraceOptions options{.frames = 4};
    options.socketServer = std::vector<runtime::SocketStep>{{Kind::Send, std::string("hi\0", 3)}, {Kind::Close}};
    EXPECT_EQ(runtime::traceMovie(socketMovie(), options).output, "true\nconnect true\ndata hi\nclosed\n");

    options.socketServer.reset();
    EXPECT_EQ(runtime::traceMovie(socketMovie(), options).output, "true\nconnect false\n");

    // A port no TCP connection can have is refused at once.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push 70000, "h", 2, 0, "XMLSocket"
        NewObject
        push "connect"
        CallMethod
        Trace
    )")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "false\n");
}
