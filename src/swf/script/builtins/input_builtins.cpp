// Key, Mouse and Selection: the keyboard, the pointer and the keyboard
// focus. The host owns the devices; the runtime broadcasts their events
// ("onKeyDown", "onMouseMove", ...) through each object's broadcastMessage,
// and focus changes through Selection's "onSetFocus". A text field keeps
// its own selection; Selection reads and sets the focused field's.

#include "swf/script/builtins/button_handlers.h"
#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/text_field.h"

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

// The focused text field's state, or null when nothing or a clip or button
// has the focus. The field keeps its own selection.
text::TextFieldState* focusedField(Interpreter& in)
{
    Object* focus = in.host().focus();
    return focus ? textFieldState(focus) : nullptr;
}

// -1 for a field without a selection.
int clampedIndex(std::size_t index, const text::TextFieldState& field)
{
    if (field.selectionBegin == std::u32string::npos || field.selectionEnd == std::u32string::npos)
        return -1;
    return int(std::min({index, field.length(), std::size_t(2147483647)}));
}

void installSelection(Interpreter& in)
{
    Object* selection = env::newSingleton(in, "Selection");

    in.defineMethod(selection, "getFocus", [](Interpreter& in, Object*, const Args&) -> Value {
        Object* focus = in.host().focus();
        return focus ? Value(in.host().targetPath(focus, false)) : Value::null();
    });
    in.defineMethod(selection, "setFocus", [](Interpreter& in, Object*, const Args& args) -> Value {
        // The call takes exactly one target; with none or more it does nothing.
        if (args.size() != 1)
            return false;
        const Value& target = args[0];
        if (target.isNullish()) {
            in.host().setFocus(nullptr);
            return true;
        }
        Object* o = target.isString() ? in.resolveTarget(env::callingClip(in), target.asString()) : target.asObject();
        if (!o)
            return false;
        if (o->objectClass() == ObjectClass::Clip) {
            // A clip takes the focus only when its focusEnabled says so or it
            // acts as a button. The call answers false even then up to SWF 8,
            // as the player's did; later movies hear whether it took it. The
            // movie's root never takes it.
            bool focusable = in.toBoolean(in.getMember(o, "focusEnabled"));
            for (const char* handler : kButtonHandlers)
                focusable = focusable || in.hasProperty(o, handler);
            const bool taken = focusable && in.host().root(o) != o && in.host().setFocus(o);
            return taken && in.swfVersion() >= 9;
        }
        return in.host().setFocus(o);
    });
    in.defineMethod(selection, "getBeginIndex", [](Interpreter& in, Object*, const Args&) -> Value {
        const text::TextFieldState* field = focusedField(in);
        return field ? clampedIndex(std::min(field->selectionBegin, field->selectionEnd), *field) : -1;
    });
    in.defineMethod(selection, "getEndIndex", [](Interpreter& in, Object*, const Args&) -> Value {
        const text::TextFieldState* field = focusedField(in);
        return field ? clampedIndex(std::max(field->selectionBegin, field->selectionEnd), *field) : -1;
    });
    in.defineMethod(selection, "getCaretIndex", [](Interpreter& in, Object*, const Args&) -> Value {
        const text::TextFieldState* field = focusedField(in);
        return field ? clampedIndex(field->selectionEnd, *field) : -1;
    });
    in.defineMethod(selection, "setSelection", [](Interpreter& in, Object*, const Args& args) -> Value {
        text::TextFieldState* field = focusedField(in);
        if (!field || args.size() != 2)
            return Value();
        const double length = double(field->length());
        auto clamp = [&](const Value& v) {
            const double n = in.toNumber(v);
            return std::isfinite(n) ? std::size_t(std::clamp(n, 0.0, length)) : std::size_t(0);
        };
        // The caret goes to the second index, before the first when that is
        // the smaller; without one, the end stays where it was.
        const std::size_t begin = clamp(args[0]);
        const bool keepsEnd = args.size() < 2 && field->selectionEnd != std::u32string::npos;
        field->selectionBegin = begin;
        field->selectionEnd = args.size() > 1 ? clamp(args[1]) : keepsEnd ? std::min(field->selectionEnd, field->length()) : begin;
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
