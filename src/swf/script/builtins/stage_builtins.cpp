// Stage: the player's window as scripts see it. Size, scale mode and
// alignment belong to the host; the runtime broadcasts "onResize" through
// Stage.broadcastMessage when the window changes.

#include "swf/script/builtins/env_support.h"
#include "swf/script/string_util.h"

#include <array>
#include <memory>

namespace swf::script {

namespace {

constexpr std::array<const char*, 4> kScaleModes = {"showAll", "noBorder", "exactFit", "noScale"};

// What the host does not keep: the context menu switch and the display state.
struct StageState {
    bool showMenu = true;
    bool fullScreen = false;
};

// "TL", "tl", "LT" and "topleft" all name the top left corner: only the
// letters T, B, L and R count. The player reports them in the order L, T, R, B.
std::string canonicalAlign(const std::string& value)
{
    bool left = false, top = false, right = false, bottom = false;
    for (char c : asciiUpper(value)) {
        left |= c == 'L';
        top |= c == 'T';
        right |= c == 'R';
        bottom |= c == 'B';
    }
    std::string out;
    if (left)
        out += 'L';
    if (top)
        out += 'T';
    if (right)
        out += 'R';
    if (bottom)
        out += 'B';
    return out;
}

} // namespace

void installStage(Interpreter& in)
{
    Object* stage = env::newSingleton(in, "Stage");
    auto state = std::make_shared<StageState>();
    const std::uint16_t flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

    env::defineAccessor(
        in, stage, "scaleMode", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().stageScaleMode(); },
        [](Interpreter& in, Object*, const Args& args) -> Value {
            // Any case is accepted; any other value is the default, showAll.
            // Called with nothing at all, the setter leaves the mode alone.
            if (args.empty())
                return Value();
            const std::string wanted = asciiLower(in.toString(arg(args, 0)));
            const char* chosen = kScaleModes[0];
            for (const char* mode : kScaleModes) {
                if (asciiLower(mode) == wanted)
                    chosen = mode;
            }
            in.host().setStageScaleMode(chosen);
            return Value();
        },
        flags);
    env::defineAccessor(
        in, stage, "align", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().stageAlign(); },
        [](Interpreter& in, Object*, const Args& args) -> Value {
            in.host().setStageAlign(canonicalAlign(in.toString(arg(args, 0))));
            return Value();
        },
        flags);
    env::defineAccessor(
        in, stage, "width", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().stageWidth(); }, {}, flags);
    env::defineAccessor(
        in, stage, "height", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().stageHeight(); }, {}, flags);
    env::defineAccessor(
        in, stage, "showMenu", [state](Interpreter&, Object*, const Args&) -> Value { return state->showMenu; },
        [state](Interpreter& in, Object*, const Args& args) -> Value {
            state->showMenu = in.toBoolean(arg(args, 0));
            return Value();
        },
        flags);
    // There is no full-screen window here: the state changes and listeners
    // hear "onFullScreen", the size stays.
    env::defineAccessor(
        in, stage, "displayState",
        [state](Interpreter&, Object*, const Args&) -> Value { return state->fullScreen ? "fullScreen" : "normal"; },
        [state](Interpreter& in, Object* self, const Args& args) -> Value {
            const std::string wanted = asciiLower(in.toString(arg(args, 0)));
            if (wanted != "fullscreen" && wanted != "normal")
                return Value();
            const bool full = wanted == "fullscreen";
            if (full == state->fullScreen)
                return Value();
            state->fullScreen = full;
            if (self)
                in.callMethod(self, "broadcastMessage", {"onFullScreen", full});
            return Value();
        },
        flags);

    env::initializeBroadcaster(in, stage);
    env::addFlagsToAll(stage, flags);
}

} // namespace swf::script
