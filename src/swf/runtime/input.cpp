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
    if (button->object && buttonOf(*button->object))
        m_runner.setButtonState(*button->object, state);
}

// Whether a button's hit area or a clip's drawing holds the stage point.
static bool buttonHit(const MovieRuntime& rt, const Instance* inst, const DefineButton& def, double x, double y)
{
    const QTransform toStage = rt.toStage(inst);
    for (const ButtonRecord& record : def.records) {
        if (!record.stateHitTest)
            continue;
        const movie::Character* character = rt.dictionary().find(record.characterId);
        if (!character)
            continue;
        movie::DisplayObject probe;
        probe.character = character;
        const QRectF bounds = rt.localBounds(probe);
        if (!bounds.isValid())
            continue;
        const QTransform t = render::toQTransform(record.matrix) * toStage;
        if (t.map(QPolygonF(bounds)).containsPoint(QPointF(x, y), Qt::OddEvenFill))
            return true;
    }
    return false;
}

static bool reactsToMouse(script::Interpreter& vm, const Instance* inst)
{
    if (inst->clipActions) {
        for (const ClipAction& action : *inst->clipActions) {
            if (action.eventFlags
                & (ClipEvent::Press | ClipEvent::Release | ClipEvent::ReleaseOutside | ClipEvent::RollOver
                   | ClipEvent::RollOut | ClipEvent::DragOver | ClipEvent::DragOut))
                return true;
        }
    }
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
            if (hitTest(childInst, x, y, true))
                return childInst;
            continue;
        }
        if (Instance* found = findMouseTarget(childInst, x, y))
            return found;
    }
    return nullptr;
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
    std::reverse(clips.begin(), clips.end());
    return clips;
}

void MovieRuntime::broadcast(const char* object, const char* message)
{
    Value listener = m_vm->getMember(m_vm->global(), object);
    if (Object* o = listener.asObject())
        m_vm->callMethodFromHost(o, "broadcastMessage", {Value(message)});
}

void MovieRuntime::mouseMove(double x, double y)
{
    m_vm->beginFrame();
    m_pointer.x = x;
    m_pointer.y = y;
    m_pointer.seen = true;
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
    }
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::MouseMove, "onMouseMove");
    runQueue();
    broadcast("Mouse", "onMouseMove");
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
    updateButtons(true, false);
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
}

void MovieRuntime::pointerStill()
{
    if (!m_pointer.seen)
        return;
    updateButtons(false, false);
    runQueue();
}

// Moves buttons and mouse-aware clips through their states for the pointer's
// position and the press or release that just happened.
void MovieRuntime::updateButtons(bool pressed, bool released)
{
    Instance* over = findMouseTarget(m_rootInstance, m_pointer.x, m_pointer.y);
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
            if (old == m_pointer.pressed) {
                event(old, Cond::OverDownToOutDown, ClipEvent::DragOut, "onDragOut");
                state(old, 1);
            }
            if (over == m_pointer.pressed) {
                event(over, Cond::OutDownToOverDown, ClipEvent::DragOver, "onDragOver");
                state(over, 2);
            }
        } else {
            if (old) {
                event(old, Cond::OverUpToIdle, ClipEvent::RollOut, "onRollOut");
                state(old, 0);
            }
            if (over) {
                event(over, Cond::IdleToOverUp, ClipEvent::RollOver, "onRollOver");
                state(over, 1);
            }
        }
    }
    over = m_pointer.hover;
    if (pressed && over && !disabled(over)) {
        m_pointer.pressed = over;
        event(over, Cond::OverUpToOverDown, ClipEvent::Press, "onPress");
        state(over, 2);
    }
    if (released && m_pointer.pressed) {
        Instance* was = m_pointer.pressed;
        m_pointer.pressed = nullptr;
        if (was == over) {
            event(was, Cond::OverDownToOverUp, ClipEvent::Release, "onRelease");
            state(was, 1);
        } else {
            event(was, Cond::OutDownToIdle, ClipEvent::ReleaseOutside, "onReleaseOutside");
            state(was, 0);
            if (over) {
                event(over, Cond::IdleToOverUp, ClipEvent::RollOver, "onRollOver");
                state(over, 1);
            }
        }
    }
}

void MovieRuntime::keyDown(int keyCode, int ascii)
{
    m_vm->beginFrame();
    if (std::find(m_keys.down.begin(), m_keys.down.end(), keyCode) == m_keys.down.end())
        m_keys.down.push_back(keyCode);
    m_keys.lastCode = keyCode;
    m_keys.lastAscii = ascii;
    for (Instance* inst : clipsForInput()) {
        queueEvent(inst, ClipEvent::KeyDown, "onKeyDown");
        if (inst->clipActions) {
            for (const ClipAction& action : *inst->clipActions) {
                if ((action.eventFlags & ClipEvent::KeyPress) && action.keyCode == buttonKeyCode(keyCode, ascii))
                    queueCode(inst, m_index->decode(action.actions));
            }
        }
    }
    // The clips hear of the key before the listeners do.
    runQueue();
    broadcast("Key", "onKeyDown");
    // Buttons listen for their key anywhere on the stage; one key press works
    // one button, the first placed of those that wait for it.
    const int code = buttonKeyCode(keyCode, ascii);
    std::vector<Instance*> buttons;
    for (const auto& inst : m_instances) {
        if (inst->object && isButton(inst.get()))
            buttons.push_back(inst.get());
    }
    for (Instance* button : buttons) {
        const DefineButton* def = buttonOf(*button->object);
        bool worked = false;
        for (const ButtonCondAction& action : def->condActions) {
            if (code && ((action.conditions >> 1) & 0x7F) == code) {
                queueCode(button->parent ? button->parent : m_rootInstance, m_index->decode(action.actions));
                worked = true;
            }
        }
        if (worked)
            break;
    }
    runQueue();
}

void MovieRuntime::keyUp(int keyCode)
{
    m_vm->beginFrame();
    std::erase(m_keys.down, keyCode);
    m_keys.lastCode = keyCode;
    for (Instance* inst : clipsForInput())
        queueEvent(inst, ClipEvent::KeyUp, "onKeyUp");
    runQueue();
    broadcast("Key", "onKeyUp");
    runQueue();
}

} // namespace swf::runtime
