// The mouse and the keyboard: buttons and their states, clip events and
// handlers for pointer and keys, the Mouse and Key listeners, dragging.

#include "swf/runtime/movie_runtime.h"

#include "swf/render/shape_painter.h"

#include <algorithm>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

// Button condition bits (ButtonCondAction::conditions) that the pointer
// moves between; bit 0 (over-down to idle) and bit 15 (idle to over-down)
// never happen with one pointer.
namespace Cond {
constexpr std::uint16_t IdleToOverUp = 1u << 8;   // roll over
constexpr std::uint16_t OverUpToIdle = 1u << 9;   // roll out
constexpr std::uint16_t OverUpToOverDown = 1u << 10; // press
constexpr std::uint16_t OverDownToOverUp = 1u << 11; // release
constexpr std::uint16_t OverDownToOutDown = 1u << 12; // drag out
constexpr std::uint16_t OutDownToOverDown = 1u << 13; // drag over
constexpr std::uint16_t OutDownToIdle = 1u << 14;     // release outside
// Menu items (trackAsMenu): the press passes from one to the next.
constexpr std::uint16_t OverDownToIdle = 1u << 0;
constexpr std::uint16_t IdleToOverDown = 1u << 15;
} // namespace Cond

const DefineButton* buttonOf(const movie::DisplayObject& object)
{
    if (!object.character || object.character->kind != movie::Character::Kind::Button || !object.character->tag)
        return nullptr;
    return std::get_if<DefineButton>(object.character->tag);
}

bool isButton(const Instance* inst) { return inst && inst->object && buttonOf(*inst->object); }

// The key codes button key-press conditions use for keys without a character.
int buttonKeyCode(int keyCode, int ascii)
{
    switch (keyCode) {
    case 37: return 1;  // left
    case 39: return 2;  // right
    case 36: return 3;  // home
    case 35: return 4;  // end
    case 45: return 5;  // insert
    case 46: return 6;  // delete
    case 8: return 8;   // backspace
    case 13: return 13; // enter
    case 38: return 14; // up
    case 40: return 15; // down
    case 33: return 16; // page up
    case 34: return 17; // page down
    case 9: return 18;  // tab
    case 27: return 19; // escape
    default: return ascii;
    }
}

} // namespace

void MovieRuntime::setButtonState(Instance* button, int state)
{
    if (!button->object || !buttonOf(*button->object))
        return;
    const int from = button->object->clip ? button->object->clip->buttonState : 0;
    m_runner.setButtonState(*button->object, state);
    if (from != state)
        buttonSound(button, from, state);
}

// Whether a button's hit area or a clip's drawing holds the stage point.
static bool buttonHit(const MovieRuntime& rt, const Instance* inst, const DefineButton& def, double x, double y)
{
    const QTransform toStage = rt.toStage(inst);
    for (const ButtonRecord& record : def.records) {
        if (!record.stateHitTest)
            continue;
        const movie::Character* character = rt.dictionaryOf(inst).find(record.characterId);
        if (!character)
            continue;
        movie::DisplayObject probe;
        probe.character = character;
        probe.matrix = record.matrix;
        bool invertible = false;
        const QTransform toRecord = (render::toQTransform(record.matrix) * toStage).inverted(&invertible);
        if (invertible && rt.characterCovers(probe, toRecord.map(QPointF(x, y)), rt.dictionaryOf(inst), pixelThrough(toRecord)))
            return true;
    }
    return false;
}

static bool reactsToMouse(script::Interpreter& vm, const Instance* inst)
{
    if (inst->answers(ClipEvent::Press | ClipEvent::Release | ClipEvent::ReleaseOutside | ClipEvent::RollOver
                      | ClipEvent::RollOut | ClipEvent::DragOver | ClipEvent::DragOut))
        return true;
    for (const char* name : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOver", "onDragOut"}) {
        Value v = vm.getMember(inst->self, name);
        if (v.isObject() && v.asObject()->isFunction())
            return true;
    }
    return false;
}

Instance* MovieRuntime::findMouseTarget(Instance* inst, double x, double y) const
{
    if (!inst->object || !inst->object->clip || !inst->object->visible)
        return nullptr;
    auto& objects = inst->object->clip->objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        movie::DisplayObject& child = it->second;
        Instance* childInst = child.visible ? instanceFor(child) : nullptr;
        if (!childInst)
            continue;
        if (const DefineButton* def = buttonOf(child)) {
            if (buttonHit(*this, childInst, *def, x, y))
                return childInst;
            continue;
        }
        if (!child.clip)
            continue;
        const Value enabled = m_vm->getMember(childInst->self, "enabled");
        if (reactsToMouse(*m_vm, childInst) && !(enabled.isBoolean() && !enabled.asBool())) {
            // A clip given a hitArea is hit where that clip's shapes are,
            // shown or hidden.
            const Instance* area = nullptr;
            if (Object* o = m_vm->getMember(childInst->self, "hitArea").asObject())
                area = instanceOf(o);
            if (area && area->object ? hitTest(area, x, y, true, true) : hitTest(childInst, x, y, true))
                return childInst;
            continue;
        }
        if (Instance* found = findMouseTarget(childInst, x, y))
            return found;
    }
    return nullptr;
}

// What a dragged clip would be dropped on: the topmost text field, or clip
// whose own drawing or shape lies under the pointer, the dragged clip and
// what it holds left out.
Instance* MovieRuntime::dropTargetIn(Instance* inst, double x, double y) const
{
    if (!inst->object || !inst->object->clip || !inst->object->visible)
        return nullptr;
    const QTransform toOwn = toStage(inst).inverted();
    const QPointF local = toOwn.map(QPointF(x, y));
    Instance* owner = inst->isRoot ? nullptr : inst;
    auto& objects = inst->object->clip->objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        movie::DisplayObject& child = it->second;
        if (!child.visible || child.clipDepth > 0 || child.isScriptMask)
            continue;
        Instance* childInst = instanceFor(child);
        if (childInst == m_drag.clip && childInst)
            continue;
        if (child.clip) {
            if (Instance* inner = childInst ? dropTargetIn(childInst, x, y) : nullptr)
                return inner;
            continue;
        }
        const QRectF bounds = localBounds(child);
        if (!bounds.isValid() || !bounds.contains(render::toQTransform(child.matrix).inverted().map(local)))
            continue;
        if (child.text || isButton(childInst))
            return childInst;
        return owner;
    }
    if (inst->object->clip->drawing && inst->object->clip->drawing->contains(PointF{local.x(), local.y()}))
        return owner;
    return nullptr;
}

void MovieRuntime::updateDropTarget()
{
    if (!m_drag.clip || !m_drag.clip->object)
        return;
    Instance* target = dropTargetIn(m_rootInstance, m_pointer.x, m_pointer.y);
    m_drag.clip->dropTarget = target && target->self ? targetPath(target->self, true) : std::string();
}

bool MovieRuntime::tracksAsMenu(Instance* inst) const
{
    const Value track = m_vm->getMember(inst->self, "trackAsMenu");
    if (!track.isUndefined())
        return m_vm->toBoolean(track);
    const DefineButton* def = buttonOf(*inst->object);
    return def && def->trackAsMenu;
}

void MovieRuntime::runButtonActions(Instance* button, std::uint16_t conditionMask)
{
    const DefineButton* def = buttonOf(*button->object);
    if (!def)
        return;
    Instance* target = button->parent ? button->parent : m_rootInstance;
    if (def->version == 1) {
        if (conditionMask & Cond::OverDownToOverUp)
            queueCode(target, m_index->decode(def->actions));
        return;
    }
    for (const ButtonCondAction& action : def->condActions) {
        if (action.conditions & conditionMask & 0xFF01)
            queueCode(target, m_index->decode(action.actions));
    }
}

// The clips that hear of the mouse and the keys, in the order they do: the
// last placed first, a clip's children before it, the root last.
std::vector<Instance*> MovieRuntime::clipsForInput() const
{
    std::vector<Instance*> clips;
    collectClips(m_rootInstance, clips);
    for (const auto& [number, level] : m_levels)
        collectClips(level.inst, clips);
    // The newest clip hears the pointer and the keys first, whatever its depth.
    std::stable_sort(clips.begin(), clips.end(), [](const Instance* a, const Instance* b) { return a->born > b->born; });
    return clips;
}

void MovieRuntime::broadcast(const char* object, const char* message, const std::vector<Value>& args)
{
    std::vector<Value> call{Value(message)};
    call.insert(call.end(), args.begin(), args.end());
    // Key and Mouse of each set of globals have listeners of their own.
    for (Object* global : m_vm->globalObjects()) {
        if (Object* o = m_vm->getMember(global, object).asObject())
            m_vm->callMethodFromHost(o, "broadcastMessage", call);
    }
}

void MovieRuntime::mouseMove(double x, double y)
{
    m_vm->beginFrame();
    const bool moved = x != m_pointer.x || y != m_pointer.y || !m_pointer.seen;
    m_pointer.x = x;
    m_pointer.y = y;
    m_pointer.seen = true;
    // The mouse takes over from the keyboard: keys no longer go to a focused
    // button or clip, and one the focus had rolled over rolls out once the
    // pointer really moves.
    m_focusShown = false;
    // What the focus rolled over stays over until the pointer really moves;
    // then the pointer decides what is rolled over again.
    const bool focusHolds = m_focusRolled && !moved;
    if (moved)
        m_focusRolled = false;
    if (m_drag.clip && m_drag.clip->object) {
        const QPointF local = toStage(m_drag.clip->parent).inverted().map(QPointF(x, y));
        double nx = m_drag.lockCenter ? local.x() : local.x() + m_drag.dx;
        double ny = m_drag.lockCenter ? local.y() : local.y() + m_drag.dy;
        if (m_drag.constrained) {
            nx = std::clamp(nx, m_drag.bounds[0] * 20.0, m_drag.bounds[2] * 20.0);
            ny = std::clamp(ny, m_drag.bounds[1] * 20.0, m_drag.bounds[3] * 20.0);
        }
        m_drag.clip->object->matrix.translateX = Twips(static_cast<std::int32_t>(std::lround(nx)));
        m_drag.clip->object->matrix.translateY = Twips(static_cast<std::int32_t>(std::lround(ny)));
        m_drag.clip->object->scriptTransformed = true;
        updateDropTarget();
    }
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::MouseMove, "onMouseMove");
    runQueue();
    broadcast("Mouse", "onMouseMove");
    if (!focusHolds)
        updateButtons(false, false);
    runQueue();
}

void MovieRuntime::mouseButtonKey(int keyCode, bool down)
{
    std::erase(m_keys.down, keyCode);
    if (down)
        m_keys.down.push_back(keyCode);
}

void MovieRuntime::mouseDown()
{
    m_vm->beginFrame();
    m_pointer.down = true;
    mouseButtonKey(1, true);
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::MouseDown, "onMouseDown");
    runQueue();
    broadcast("Mouse", "onMouseDown");
    const bool focusMoved = focusByMouse();
    updateButtons(true, false);
    // The pointer and the focus share the one object that is rolled over: a
    // press that takes the focus away rolls out the button or clip pressed,
    // once it heard of the press. It stays pressed.
    if (Instance* pressed = m_pointer.pressed; focusMoved && pressed && pressed == m_pointer.hover) {
        if (isButton(pressed))
            runButtonActions(pressed, Cond::OverUpToIdle);
        queueEvent(pressed, ClipEvent::RollOut, "onRollOut");
    }
    runQueue();
}

void MovieRuntime::mouseUp()
{
    m_vm->beginFrame();
    m_pointer.down = false;
    mouseButtonKey(1, false);
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::MouseUp, "onMouseUp");
    runQueue();
    broadcast("Mouse", "onMouseUp");
    updateButtons(false, true);
    runQueue();
    followLink();
}

// The text field under the pointer scrolls by the lines the wheel turned,
// back towards its first line for a turn up, unless its script turned the
// wheel off for it; then the Mouse listeners hear of the turn with the
// object under the pointer.
void MovieRuntime::mouseWheel(int lines)
{
    if (lines == 0)
        return;
    m_vm->beginFrame();
    Instance* field = m_pointer.hover ? nullptr : textFieldAt(m_rootInstance, m_pointer.x, m_pointer.y, false);
    if (field && field->object->text->mouseWheelEnabled) {
        text::TextFieldState& state = *field->object->text;
        const int before = state.scroll;
        state.scroll = int(std::clamp<std::int64_t>(std::int64_t(state.scroll) - lines, 1, std::max(1, state.maxScroll())));
        if (state.scroll != before)
            ++state.revision;
    }
    Instance* under = m_pointer.hover ? m_pointer.hover : dropTargetIn(m_rootInstance, m_pointer.x, m_pointer.y);
    broadcast("Mouse", "onMouseWheel", {Value(double(lines)), under && under->self ? Value(under->self) : Value()});
    runQueue();
}

void MovieRuntime::pointerStill()
{
    if (m_pointer.seen && !m_focusRolled) {
        updateButtons(false, false);
        runQueue();
    }
    // A button that left and was not put back by the frame is gone for good.
    m_pointer.left = {};
}

void MovieRuntime::pointerLoses(Instance* inst)
{
    const bool hover = m_pointer.hover == inst;
    const bool pressed = m_pointer.pressed == inst;
    if (!hover && !pressed)
        return;
    if (hover)
        m_pointer.hover = nullptr;
    if (pressed)
        m_pointer.pressed = nullptr;
    if (isButton(inst) && inst->parent)
        m_pointer.left = {inst->parent, inst->depth, inst->object->character, hover, pressed};
}

void MovieRuntime::resumeLeftButton()
{
    const LeftButton left = std::exchange(m_pointer.left, {});
    if (!left.parent || !left.parent->object || !left.parent->object->clip)
        return;
    auto& objects = left.parent->object->clip->objects;
    const auto at = objects.find(left.depth);
    if (at == objects.end() || at->second.character != left.character)
        return;
    Instance* successor = instanceFor(at->second);
    if (!isButton(successor) || successor == m_pointer.hover || successor == m_pointer.pressed)
        return;
    if (left.hover && !m_pointer.hover)
        m_pointer.hover = successor;
    if (left.pressed && !m_pointer.pressed)
        m_pointer.pressed = successor;
    const int state = left.pressed ? (left.hover ? 2 : 1) : 1;
    m_runner.setButtonState(*successor->object, state);
}

// Moves buttons and mouse-aware clips through their states for the pointer's
// position and the press or release that just happened.
void MovieRuntime::updateButtons(bool pressed, bool released)
{
    resumeLeftButton();
    // What a button's earlier state kept for its unload events leaves before
    // the pointer moves the button on; a timeline's keeps to the next frame.
    std::erase_if(m_keptLeaving, [this](Instance* kept) {
        if (!isButton(kept->parent))
            return false;
        if (kept->object)
            removeAt(kept->parent, kept->depth);
        return true;
    });
    // The levels lie over _level0, the highest on top.
    Instance* over = nullptr;
    for (auto it = m_levels.rbegin(); it != m_levels.rend() && !over; ++it)
        over = findMouseTarget(it->second.inst, m_pointer.x, m_pointer.y);
    if (!over)
        over = findMouseTarget(m_rootInstance, m_pointer.x, m_pointer.y);
    // A disabled button still covers what lies under it, but its state is
    // frozen: the pointer neither enters nor leaves it, nor presses it, and
    // a release only ends a press made before it was disabled, silently.
    auto disabled = [&](const Instance* inst) {
        if (!isButton(inst))
            return false;
        const Value enabled = m_vm->getMember(inst->self, "enabled");
        return enabled.isBoolean() && !enabled.asBool();
    };
    auto event = [&](Instance* inst, std::uint16_t cond, std::uint32_t clipEvent, const char* handler) {
        if (!inst || !inst->object)
            return;
        if (isButton(inst))
            runButtonActions(inst, cond);
        queueEvent(inst, clipEvent, handler);
    };
    auto state = [&](Instance* inst, int s) {
        if (inst && inst->object && isButton(inst) && inst->object->clip && inst->object->clip->buttonState != s)
            setButtonState(inst, s);
    };
    if (released && m_pointer.pressed && disabled(m_pointer.pressed)) {
        Instance* was = m_pointer.pressed;
        m_pointer.pressed = nullptr;
        if (m_pointer.hover == was)
            m_pointer.hover = nullptr;
        state(was, 0);
        released = false;
    }
    if (over != m_pointer.hover && !disabled(over) && !disabled(m_pointer.hover)) {
        Instance* old = m_pointer.hover;
        m_pointer.hover = over;
        if (m_pointer.pressed) {
            // A press on a menu item passes to the next item the pointer
            // enters; the one it leaves goes back to idle.
            const bool toMenu = over && over != m_pointer.pressed && tracksAsMenu(over);
            if (old == m_pointer.pressed) {
                state(old, toMenu ? 0 : 1);
                event(old, toMenu ? Cond::OverDownToIdle : Cond::OverDownToOutDown, ClipEvent::DragOut, "onDragOut");
            }
            if (over == m_pointer.pressed) {
                state(over, 2);
                event(over, Cond::OutDownToOverDown, ClipEvent::DragOver, "onDragOver");
            } else if (toMenu) {
                m_pointer.pressed = over;
                state(over, 2);
                event(over, Cond::IdleToOverDown, ClipEvent::DragOver, "onDragOver");
            }
        } else {
            if (old) {
                state(old, 0);
                event(old, Cond::OverUpToIdle, ClipEvent::RollOut, "onRollOut");
            }
            if (over) {
                state(over, 1);
                event(over, Cond::IdleToOverUp, ClipEvent::RollOver, "onRollOver");
            }
        }
    }
    over = m_pointer.hover;
    if (pressed && over && !disabled(over)) {
        m_pointer.pressed = over;
        state(over, 2);
        event(over, Cond::OverUpToOverDown, ClipEvent::Press, "onPress");
    }
    if (released && m_pointer.pressed) {
        Instance* was = m_pointer.pressed;
        m_pointer.pressed = nullptr;
        if (was == over) {
            state(was, 1);
            event(was, Cond::OverDownToOverUp, ClipEvent::Release, "onRelease");
        } else {
            state(was, 0);
            event(was, Cond::OutDownToIdle, ClipEvent::ReleaseOutside, "onReleaseOutside");
            if (over) {
                state(over, 1);
                event(over, Cond::IdleToOverUp, ClipEvent::RollOver, "onRollOver");
            }
        }
    }
}

void MovieRuntime::rollByFocus(Instance* inst, bool over)
{
    if (!inst || !inst->object)
        return;
    if (isButton(inst)) {
        runButtonActions(inst, over ? Cond::IdleToOverUp : Cond::OverUpToIdle);
        setButtonState(inst, over ? 1 : 0);
    }
    if (over)
        queueEvent(inst, ClipEvent::RollOver, "onRollOver");
    else
        queueEvent(inst, ClipEvent::RollOut, "onRollOut");
}

// The first placed button with an action for the key-press code, or null.
Instance* MovieRuntime::buttonForKey(int code) const
{
    if (code <= 0)
        return nullptr;
    for (const auto& inst : m_instances) {
        if (!inst->object || !isButton(inst.get()))
            continue;
        for (const ButtonCondAction& action : buttonOf(*inst->object)->condActions) {
            if (((action.conditions >> 1) & 0x7F) == code)
                return inst.get();
        }
    }
    return nullptr;
}

// Key-press actions: the clips' for the code, and those of one button, the
// first placed of those that wait for it. Keys without a character work them
// when pressed, characters when typed. Returns whether a button took the key.
bool MovieRuntime::runKeyPress(int code)
{
    for (Instance* inst : clipsForInput()) {
        inst->forClipActions(ClipEvent::KeyPress, [&](const ClipAction& action) {
            if (action.keyCode == code)
                queueCode(inst, m_index->decode(action.actions));
        });
    }
    runQueue();
    Instance* button = buttonForKey(code);
    if (!button)
        return false;
    for (const ButtonCondAction& action : buttonOf(*button->object)->condActions) {
        if (((action.conditions >> 1) & 0x7F) == code)
            queueCode(button->parent ? button->parent : m_rootInstance, m_index->decode(action.actions));
    }
    runQueue();
    return true;
}

void MovieRuntime::keyDown(int keyCode, int ascii)
{
    m_vm->beginFrame();
    if (std::find(m_keys.down.begin(), m_keys.down.end(), keyCode) == m_keys.down.end())
        m_keys.down.push_back(keyCode);
    m_keys.lastCode = keyCode;
    m_keys.lastAscii = ascii;
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::KeyDown, nullptr);
    // Of the handler methods, only the focused button's or clip's hears the
    // key, while its focus is shown.
    Instance* focused = m_focusShown ? instanceOf(m_focus) : nullptr;
    if (focused && !focused->object->text)
        queueEvent(focused, 0, "onKeyDown");
    // The clips hear of the key before the listeners do.
    runQueue();
    broadcast("Key", "onKeyDown");
    runQueue();
    const int code = buttonKeyCode(keyCode, ascii);
    const bool taken = code > 0 && code < 32 ? runKeyPress(code) : buttonForKey(code) != nullptr;
    // Enter or Space that no button waits for presses and releases the
    // focused button or clip, while its focus is shown.
    focused = m_focusShown ? instanceOf(m_focus) : nullptr;
    if (!taken && (keyCode == 13 || keyCode == 32) && focused && !focused->object->text && focusShown(focused)) {
        if (isButton(focused))
            runButtonActions(focused, Cond::OverUpToOverDown);
        queueEvent(focused, ClipEvent::Press, "onPress");
        runQueue();
        if (isButton(focused))
            runButtonActions(focused, Cond::OverDownToOverUp);
        queueEvent(focused, ClipEvent::Release, "onRelease");
        runQueue();
    }
    // Tab moves the focus once the scripts heard of it; Shift+Tab moves it back.
    if (keyCode == 9)
        tabFocus(keyIsDown(16));
}

void MovieRuntime::keyUp(int keyCode, int ascii)
{
    m_vm->beginFrame();
    std::erase(m_keys.down, keyCode);
    // Key.getAscii tells of the last key pressed or released.
    m_keys.lastCode = keyCode;
    m_keys.lastAscii = ascii;
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::KeyUp, nullptr);
    Instance* focused = m_focusShown ? instanceOf(m_focus) : nullptr;
    if (focused && !focused->object->text)
        queueEvent(focused, 0, "onKeyUp");
    runQueue();
    broadcast("Key", "onKeyUp");
    runQueue();
}

} // namespace swf::runtime
