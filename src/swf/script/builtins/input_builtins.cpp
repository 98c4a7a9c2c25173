// Key, Mouse and Selection: the keyboard, the pointer and the keyboard
// focus. The host owns the devices; the runtime broadcasts their events
// ("onKeyDown", "onMouseMove", ...) through each object's broadcastMessage,
// and focus changes through Selection's "onSetFocus".

#include "swf/script/builtins/env_support.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace swf::script {

namespace {

struct KeyCode {
    const char* name;
    int code;
};

constexpr KeyCode kKeyCodes[] = {
    {"ALT", 18},   {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40},
    {"END", 35},   {"ENTER", 13},    {"ESCAPE", 27},   {"HOME", 36},    {"INSERT", 45},    {"LEFT", 37},
    {"PGDN", 34},  {"PGUP", 33},     {"RIGHT", 39},    {"SHIFT", 16},   {"SPACE", 32},     {"TAB", 9},
    {"UP", 38},
};

// A key code argument; anything that is not a number names no key.
int keyCodeArg(Interpreter& in, const Args& args)
{
    const double n = in.toNumber(arg(args, 0));
    return std::isfinite(n) ? int(toInt32(n)) : -1;
}

void installKey(Interpreter& in)
{
    Object* key = env::newSingleton(in, "Key");
    for (const KeyCode& k : kKeyCodes)
        key->put(k.name, k.code);
    in.defineMethod(key, "getAscii", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().lastKeyAscii(); });
    in.defineMethod(key, "getCode", [](Interpreter& in, Object*, const Args&) -> Value { return in.host().lastKeyCode(); });
    in.defineMethod(key, "isDown", [](Interpreter& in, Object*, const Args& args) -> Value {
        const int code = keyCodeArg(in, args);
        return code > 0 && in.host().keyIsDown(code);
    });
    // Caps Lock and Num Lock states are not reported by the host: never toggled.
    in.defineMethod(key, "isToggled", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    // No screen reader is ever attached.
    in.defineMethod(key, "isAccessible", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    env::initializeBroadcaster(in, key);
    env::addFlagsToAll(key, env::kLocked);
}

void installMouse(Interpreter& in)
{
    Object* mouse = env::newSingleton(in, "Mouse");
    // show and hide answer 1 when the pointer was visible before the call, 0 when hidden.
    auto visible = std::make_shared<bool>(true);
    in.defineMethod(mouse, "show", [visible](Interpreter& in, Object*, const Args&) -> Value {
        const bool was = *visible;
        *visible = true;
        in.host().setMouseVisible(true);
        return was ? 1 : 0;
    });
    in.defineMethod(mouse, "hide", [visible](Interpreter& in, Object*, const Args&) -> Value {
        const bool was = *visible;
        *visible = false;
        in.host().setMouseVisible(false);
        return was ? 1 : 0;
    });
    env::initializeBroadcaster(in, mouse);
    env::addFlagsToAll(mouse, env::kLocked);
}

// The selection inside the focused text field, in characters. The host
// knows which object has the focus; the range is kept here and starts as
// the whole text when a field gains the focus, as the player selects it.
struct SelectionState {
    Object* field = nullptr;
    int begin = 0;
    int end = 0;
};

int textLength(Interpreter& in, Object* field)
{
    const double n = in.toNumber(in.getMember(field, "length"));
    return std::isfinite(n) && n > 0 ? int(std::min(n, 2147483647.0)) : 0;
}

// The focused text field with its selection brought up to date, or null
// when nothing or a clip or button has the focus.
Object* focusedField(Interpreter& in, SelectionState& state)
{
    Object* focus = in.host().focus();
    if (!focus || focus->objectClass() == ObjectClass::Clip) {
        state.field = nullptr;
        return nullptr;
    }
    if (state.field != focus) {
        state.field = focus;
        state.begin = 0;
        state.end = textLength(in, focus);
    }
    return focus;
}

void installSelection(Interpreter& in)
{
    Object* selection = env::newSingleton(in, "Selection");
    auto state = std::make_shared<SelectionState>();

    in.defineMethod(selection, "getFocus", [](Interpreter& in, Object*, const Args&) -> Value {
        Object* focus = in.host().focus();
        return focus ? Value(in.host().targetPath(focus, false)) : Value::null();
    });
    in.defineMethod(selection, "setFocus", [state](Interpreter& in, Object*, const Args& args) -> Value {
        if (args.empty())
            return false;
        const Value& target = args[0];
        if (target.isNullish()) {
            in.host().setFocus(nullptr);
            state->field = nullptr;
            return true;
        }
        Object* o = target.isString() ? in.resolveTarget(env::callingClip(in), target.asString()) : target.asObject();
        if (!o)
            return false;
        if (o->objectClass() == ObjectClass::Clip) {
            // A clip takes the focus only when its focusEnabled says so, and
            // the call answers false even then, as the player's did. The
            // movie's root never takes it.
            if (in.toBoolean(in.getMember(o, "focusEnabled")) && in.host().root(o) != o)
                in.host().setFocus(o);
            return false;
        }
        const bool taken = in.host().setFocus(o);
        if (taken) {
            state->field = nullptr;
            focusedField(in, *state);
        }
        return taken;
    });
    in.defineMethod(selection, "getBeginIndex", [state](Interpreter& in, Object*, const Args&) -> Value {
        return focusedField(in, *state) ? state->begin : -1;
    });
    in.defineMethod(selection, "getEndIndex", [state](Interpreter& in, Object*, const Args&) -> Value {
        return focusedField(in, *state) ? state->end : -1;
    });
    in.defineMethod(selection, "getCaretIndex", [state](Interpreter& in, Object*, const Args&) -> Value {
        return focusedField(in, *state) ? state->end : -1;
    });
    in.defineMethod(selection, "setSelection", [state](Interpreter& in, Object*, const Args& args) -> Value {
        Object* field = focusedField(in, *state);
        if (!field || args.empty())
            return Value();
        const int length = textLength(in, field);
        auto clamp = [&](const Value& v) {
            const double n = in.toNumber(v);
            return std::isfinite(n) ? int(std::clamp(n, 0.0, double(length))) : 0;
        };
        state->begin = clamp(args[0]);
        state->end = args.size() > 1 ? clamp(args[1]) : state->begin;
        if (state->end < state->begin)
            std::swap(state->begin, state->end);
        return Value();
    });
    env::initializeBroadcaster(in, selection);
    env::addFlagsToAll(selection, env::kLocked);
}

} // namespace

void installInput(Interpreter& in)
{
    installKey(in);
    installMouse(in);
    installSelection(in);
}

} // namespace swf::script
