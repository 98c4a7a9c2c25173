#pragma once

// A ScriptHost for tests: one root clip object, recorded trace lines,
// timeline calls and URLs, a settable clock and a fixed random sequence.

#include "swf/script/host.h"
#include "swf/script/interpreter.h"

#include <memory>
#include <string>
#include <vector>

namespace swf::script::test {

class TestHost : public ScriptHost {
public:
    Object* rootClip = nullptr;
    std::vector<std::string> lines;
    std::vector<std::string> calls; // timeline and URL calls, as text
    std::vector<OutgoingRequest> requests;
    bool quit = false;              // the movie asked to quit (fscommand "quit")
    std::vector<std::string> aborts;
    double now = 0;
    double wallNow = 1136073600000.0; // 2006-01-01 00:00:00 UTC
    int zoneMinutes = 60;
    std::uint32_t nextRandom = 0;

    Object* root(Object*) override { return rootClip; }
    Object* parent(Object*) override { return nullptr; }
    Object* child(Object*, const std::string&) override { return nullptr; }
    // The root is the only clip on this host's stage; other objects marked as
    // clips stand for clips of no display tree.
    bool onStage(Object* clip) override { return clip && clip == rootClip; }
    std::string targetPath(Object*, bool) override { return "_level0"; }
    void gotoFrame(Object*, int frame, bool play) override;
    bool gotoLabel(Object*, const std::string& label, bool play) override;
    void play(Object*) override { calls.push_back("play"); }
    void stop(Object*) override { calls.push_back("stop"); }
    void nextFrame(Object*) override { calls.push_back("next"); }
    void prevFrame(Object*) override { calls.push_back("prev"); }
    bool frameLoaded(Object*, int frame) override { return frame < 2; }
    Value getProperty(Object*, int index) override { return double(index); }
    void setProperty(Object*, int index, const Value&) override;
    void cloneClip(Object*, const std::string&, int) override {}
    void removeClip(Object*) override {}
    void startDrag(Object*, bool, bool, double, double, double, double) override {}
    void stopDrag() override {}
    void getUrl(Object*, const std::string& url, const std::string& window, int method, bool, bool) override;
    void sendRequest(const OutgoingRequest& request) override { requests.push_back(request); }
    void stopSounds() override {}
    void toggleQuality() override {}
    void trace(const std::string& line) override { lines.push_back(line); }
    // As the player: a movie that asked to quit logs nothing more.
    void uncaughtException(const std::string& thrown) override
    {
        if (!quit)
            ScriptHost::uncaughtException(thrown);
    }
    double movieTime() override { return now; }
    double wallClock() override { return wallNow; }
    int timeZoneOffsetMinutes(double) override { return zoneMinutes; }
    std::uint32_t random(std::uint32_t max) override { return max ? nextRandom++ % max : 0; }
    void scriptAborted(const std::string& reason) override { aborts.push_back(reason); }
    void addGarbageRoots(std::vector<Object*>& roots) override { roots.push_back(rootClip); }

    // All trace lines joined with "\n".
    std::string output() const;
};

// An interpreter with a TestHost and a root clip, ready to run assembly.
struct Machine {
    explicit Machine(int swfVersion, Limits limits = {});
    // Assembles and runs `source` on the root clip; returns the trace output
    // of this run only, or "ASSEMBLY ERROR: ..." when the source is bad.
    std::string run(const std::string& source);

    TestHost host;
    std::unique_ptr<Interpreter> vm;
};

} // namespace swf::script::test
