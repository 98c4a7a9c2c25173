// The keyboard focus: which text field, button or clip has it, the events a
// change sends (onKillFocus, onSetFocus and Selection's listeners), the tab
// order the Tab key follows, and focus taken by a click.

#include "swf/runtime/movie_runtime.h"

#include "swf/script/builtins/button_handlers.h"
#include "swf/text/text_field.h"

#include <algorithm>
#include <cmath>

namespace swf::runtime {

using script::Object;
using script::Value;

namespace {

bool isButtonObject(const movie::DisplayObject& object)
{
    return object.character && object.character->kind == movie::Character::Kind::Button;
}

} // namespace

bool MovieRuntime::setFocus(Object* object)
{
    return changeFocus(object, FocusCause::Script);
}

bool MovieRuntime::changeFocus(Object* object, FocusCause cause)
{
    // The movie itself never takes the keyboard focus.
    if (object && object == m_rootInstance->self)
        return false;
    // The keyboard and scripts show the focus (and send keys to a focused
    // button or clip) until the mouse moves.
    if (cause != FocusCause::Mouse)
        m_focusShown = true;
    if (object == m_focus) {
        Instance* inst = instanceOf(object);
        if (cause == FocusCause::Keyboard)
            selectAllOf(inst);
        // A script focusing the focused button or clip again rolls it out and over anew.
        if (cause == FocusCause::Script && inst && !inst->object->text && !inst->isRoot) {
            if (m_focusRolled)
                rollByFocus(inst, false);
            rollByFocus(inst, true);
            m_focusRolled = true;
        }
        return true;
    }
    Object* old = m_focus;
    Instance* oldInst = instanceOf(old);
    Instance* newInst = instanceOf(object);
    // A button or clip that gains or loses the focus acts as if the pointer
    // entered or left it: at once when the keyboard moves the focus, after
    // the running script when a script does. Once the pointer moved, the old
    // one has rolled out already.
    if (cause != FocusCause::Mouse) {
        if (m_focusRolled && oldInst && !oldInst->object->text && !oldInst->isRoot)
            rollByFocus(oldInst, false);
        m_focusRolled = false;
        if (newInst && !newInst->object->text) {
            rollByFocus(newInst, true);
            m_focusRolled = true;
        }
        if (cause == FocusCause::Keyboard)
            runQueue();
    }
    m_focus = object;
    // A field the keyboard or a script focuses has all its text selected.
    if (cause != FocusCause::Mouse)
        selectAllOf(newInst);
    const Value oldValue = old ? Value(old) : Value::null();
    const Value newValue = object ? Value(object) : Value::null();
    if (old && oldInst)
        m_vm->callMethodFromHost(old, "onKillFocus", {newValue});
    if (object)
        m_vm->callMethodFromHost(object, "onSetFocus", {oldValue});
    for (Object* global : m_vm->globalObjects()) {
        if (Object* o = m_vm->getMember(global, "Selection").asObject())
            m_vm->callMethodFromHost(o, "broadcastMessage", {Value("onSetFocus"), oldValue, newValue});
    }
    return true;
}

void MovieRuntime::selectAllOf(Instance* inst)
{
    if (inst && inst->object && inst->object->text) {
        inst->object->text->selectionBegin = 0;
        inst->object->text->selectionEnd = inst->object->text->length();
    }
}

// ---------------------------------------------------------------- tab order

struct TabStop {
    Instance* inst = nullptr;
    bool automatic = false; // in the order by position
    bool indexed = false;   // has a tabIndex of its own
    std::int32_t index = 0;
    double x = 0, y = 0; // the top left corner of its bounds on the stage
};

// Every object Tab can reach, in display order (depth by depth, a clip
// before its children): buttons, input text fields and clips that are
// tab-enabled or act as buttons, inside clips whose tabChildren allows it.
void MovieRuntime::collectTabStops(Instance* inst, std::vector<TabStop>& out) const
{
    if (!inst->object || !inst->object->clip)
        return;
    auto defined = [](const Value& v) { return !v.isUndefined(); };
    const Value children = m_vm->getMember(inst->self, "tabChildren");
    if (defined(children) && !m_vm->toBoolean(children))
        return;
    for (auto& [depth, child] : inst->object->clip->objects) {
        Instance* childInst = child.visible ? instanceFor(child) : nullptr;
        if (!childInst || !childInst->self)
            continue;
        const Value enabled = m_vm->getMember(childInst->self, "tabEnabled");
        bool byDefault = false;
        if (child.text)
            byDefault = child.text->input;
        else if (isButtonObject(child))
            byDefault = true;
        else if (child.clip) {
            for (const char* handler : script::kButtonHandlers)
                byDefault = byDefault || m_vm->hasProperty(childInst->self, handler);
        } else {
            continue;
        }
        TabStop stop;
        stop.inst = childInst;
        stop.automatic = defined(enabled) ? m_vm->toBoolean(enabled) : byDefault;
        const Value index = m_vm->getMember(childInst->self, "tabIndex");
        if (defined(index) && !index.isNull()) {
            stop.index = script::toInt32(m_vm->toNumber(index));
            // The player keeps the index unsigned, with all bits set meaning none.
            stop.indexed = stop.index != -1;
        }
        const QRectF bounds = localBounds(child);
        const QPointF corner = toStage(childInst).map(bounds.isValid() ? bounds.topLeft() : QPointF());
        // Whole twips, as the player keeps positions: objects at one place compare equal.
        stop.x = std::round(corner.x());
        stop.y = std::round(corner.y());
        if (stop.automatic || (stop.indexed && !(defined(enabled) && !m_vm->toBoolean(enabled))))
            out.push_back(stop);
        if (child.clip)
            collectTabStops(childInst, out);
    }
}

// Tab and Shift+Tab. Once any object has a tabIndex, Tab visits only those
// that have one, lowest index first (ties in display order); otherwise it
// goes by position on the stage, row by row from the top, left to right,
// to the next object further on than the focused one, so that objects at
// the same place are visited once.
void MovieRuntime::tabFocus(bool backwards)
{
    std::vector<TabStop> stops;
    collectTabStops(m_rootInstance, stops);
    const bool custom = std::any_of(stops.begin(), stops.end(), [](const TabStop& s) { return s.indexed; });
    std::erase_if(stops, [&](const TabStop& s) { return custom ? !s.indexed : !s.automatic; });
    if (stops.empty())
        return;
    Instance* focused = instanceOf(m_focus);
    Instance* next = nullptr;
    if (custom) {
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) { return a.index < b.index; });
        auto at = std::find_if(stops.begin(), stops.end(), [&](const TabStop& s) { return s.inst == focused; });
        if (at == stops.end())
            next = backwards ? stops.back().inst : stops.front().inst;
        else if (backwards)
            next = at == stops.begin() ? stops.back().inst : std::prev(at)->inst;
        else
            next = std::next(at) == stops.end() ? stops.front().inst : std::next(at)->inst;
    } else {
        auto before = [](const TabStop& a, const TabStop& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
        std::stable_sort(stops.begin(), stops.end(), before);
        auto at = std::find_if(stops.begin(), stops.end(), [&](const TabStop& s) { return s.inst == focused; });
        if (at == stops.end()) {
            next = backwards ? stops.back().inst : stops.front().inst;
        } else if (backwards) {
            auto it = std::find_if(stops.rbegin(), stops.rend(), [&](const TabStop& s) { return before(s, *at); });
            next = it != stops.rend() ? it->inst : stops.back().inst;
        } else {
            auto it = std::find_if(stops.begin(), stops.end(), [&](const TabStop& s) { return before(*at, s); });
            next = it != stops.end() ? it->inst : stops.front().inst;
        }
    }
    if (next)
        changeFocus(next->self, FocusCause::Keyboard);
}

// ---------------------------------------------------------------- the mouse

// The topmost selectable text field under a stage point.
Instance* MovieRuntime::textFieldAt(Instance* inst, double x, double y) const
{
    if (!inst->object || !inst->object->clip || !inst->object->visible)
        return nullptr;
    auto& objects = inst->object->clip->objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        movie::DisplayObject& child = it->second;
        Instance* childInst = child.visible ? instanceFor(child) : nullptr;
        if (!childInst)
            continue;
        if (child.text) {
            const QRectF bounds = localBounds(child);
            if (child.text->selectable && bounds.isValid()
                && toStage(childInst).map(QPolygonF(bounds)).containsPoint(QPointF(x, y), Qt::OddEvenFill))
                return childInst;
            continue;
        }
        if (child.clip) {
            if (Instance* found = textFieldAt(childInst, x, y))
                return found;
        }
    }
    return nullptr;
}

// The character boundary nearest a point in a field's own space (twips), for
// the caret a click places: the line under the point, and in it the boundary
// whose text before it, laid out alone, ends nearest the point.
static std::size_t characterAt(const text::TextFieldState& field, QPointF local)
{
    const text::TextLayout& layout = field.layout();
    if (layout.lines.empty())
        return field.length();
    constexpr double kGutter = 40; // twips between the border and the text
    const double x = local.x() - field.bounds.xMin.get() - kGutter;
    double y = local.y() - field.bounds.yMin.get() - kGutter;
    const std::size_t first = std::min(std::size_t(std::max(0, field.scroll - 1)), layout.lines.size() - 1);
    const text::TextLine* line = &layout.lines.back();
    for (std::size_t i = first; i < layout.lines.size(); ++i) {
        if (y < layout.lines[i].height()) {
            line = &layout.lines[i];
            break;
        }
        y -= layout.lines[i].height();
    }
    std::size_t end = std::min(line->end, field.length());
    while (end > line->begin && text::isParagraphBreak(field.text[end - 1]))
        --end;
    if (x <= 0 || end == line->begin)
        return line->begin;
    if (x >= line->width)
        return end;
    // Long lines take the place their width suggests.
    constexpr std::size_t kMeasuredLine = 256;
    if (end - line->begin > kMeasuredLine)
        return line->begin + std::size_t(std::lround(x / line->width * double(end - line->begin)));
    double before = 0;
    for (std::size_t i = line->begin + 1; i <= end; ++i) {
        text::TextFieldState prefix = field;
        prefix.wordWrap = false;
        prefix.replace(i, prefix.length(), std::u32string(), prefix.newTextFormat);
        prefix.replace(0, line->begin, std::u32string(), prefix.newTextFormat);
        const double width = prefix.layout().textWidth;
        if (x < width)
            return x - before < width - x ? i - 1 : i;
        before = width;
    }
    return end;
}

// A press gives the focus to the selectable text field under the pointer,
// with the caret where it was pressed; anywhere else it takes the focus away
// from a text field. A button or clip that a script or the Tab key focused
// keeps it: components focus themselves when pressed and count on keeping
// the focus while the pointer works inside them (a list opened below a
// combo box closes when its box loses the focus).
void MovieRuntime::focusByMouse()
{
    Instance* field = m_pointer.hover ? nullptr : textFieldAt(m_rootInstance, m_pointer.x, m_pointer.y);
    if (field) {
        text::TextFieldState& state = *field->object->text;
        const QPointF local = toStage(field).inverted().map(QPointF(m_pointer.x, m_pointer.y));
        state.selectionBegin = state.selectionEnd = characterAt(state, local);
    } else if (Instance* focused = instanceOf(m_focus); focused && !focused->object->text) {
        return;
    }
    changeFocus(field ? field->self : nullptr, FocusCause::Mouse);
}

} // namespace swf::runtime
