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
    if (cause == FocusCause::Script || cause == FocusCause::Keyboard)
        m_focusShown = true;
    if (object == m_focus) {
        Instance* inst = instanceOf(object);
        if (cause == FocusCause::Keyboard || cause == FocusCause::Script)
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
    // The pointer and the focus share the one object that is rolled over: a
    // button or clip the focus reaches rolls out whatever the pointer rested
    // on, and takes its place until the pointer moves.
    if (cause == FocusCause::Removal) {
        m_focusRolled = false;
    } else if (cause != FocusCause::Mouse) {
        if (newInst && !newInst->object->text && !newInst->isRoot) {
            Instance* hovered = m_pointer.pressed ? nullptr : m_pointer.hover;
            if (hovered && hovered != oldInst)
                rollByFocus(hovered, false);
            if ((m_focusRolled || hovered == oldInst) && oldInst && !oldInst->object->text && !oldInst->isRoot)
                rollByFocus(oldInst, false);
            rollByFocus(newInst, true);
            m_focusRolled = true;
            if (!m_pointer.pressed)
                m_pointer.hover = newInst;
        } else {
            if (m_focusRolled && oldInst && !oldInst->object->text && !oldInst->isRoot) {
                rollByFocus(oldInst, false);
                if (m_pointer.hover == oldInst)
                    m_pointer.hover = nullptr;
            }
            m_focusRolled = false;
        }
        if (cause == FocusCause::Keyboard)
            runQueue();
    }
    const Value oldValue = old ? Value(old) : Value::null();
    const Value newValue = object ? Value(object) : Value::null();
    // The object losing the focus hears of it while it still has it; what
    // its handler does with the focus comes before the change it was told of.
    if (old && oldInst)
        m_vm->callMethodFromHost(old, "onKillFocus", {newValue});
    m_focus = object;
    // A field the keyboard or a script focuses has all its text selected,
    // once those told of the change have run: meanwhile it has no selection.
    const bool selectsAll = cause == FocusCause::Script || cause == FocusCause::Keyboard;
    if (selectsAll && newInst && newInst->object && newInst->object->text)
        newInst->object->text->selectionBegin = newInst->object->text->selectionEnd = std::u32string::npos;
    if (object)
        m_vm->callMethodFromHost(object, "onSetFocus", {oldValue});
    for (Object* global : m_vm->globalObjects()) {
        if (Object* o = m_vm->getMember(global, "Selection").asObject())
            m_vm->callMethodFromHost(o, "broadcastMessage", {Value("onSetFocus"), oldValue, newValue});
    }
    if (selectsAll && m_focus == object)
        selectAllOf(instanceOf(object));
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

// The topmost text field under a stage point: a selectable one, or any.
Instance* MovieRuntime::textFieldAt(Instance* inst, double x, double y, bool selectableOnly) const
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
            if ((child.text->selectable || !selectableOnly) && bounds.isValid()
                && toStage(childInst).map(QPolygonF(bounds)).containsPoint(QPointF(x, y), Qt::OddEvenFill))
                return childInst;
            continue;
        }
        if (child.clip) {
            if (Instance* found = textFieldAt(childInst, x, y, selectableOnly))
                return found;
        }
    }
    return nullptr;
}

// The character boundary nearest a point in a field's own space (twips), for
// the caret a click places: the line under the point, and in it the boundary
// whose text before it, laid out alone, ends nearest the point. With
// `under`, the character whose box holds the point instead, or none.
static constexpr std::size_t kNoCharacter = std::size_t(-1);
static std::size_t characterAt(const text::TextFieldState& field, QPointF local, bool under = false)
{
    const text::TextLayout& layout = field.layout();
    if (layout.lines.empty())
        return under ? kNoCharacter : field.length();
    constexpr double kGutter = 40; // twips between the border and the text
    // A field scrolled sideways shows its lines from hscroll pixels on.
    const double x = local.x() - field.bounds.xMin.get() - kGutter + field.hscroll * 20.0;
    double y = local.y() - field.bounds.yMin.get() - kGutter;
    const std::size_t first = std::min(std::size_t(std::max(0, field.scroll - 1)), layout.lines.size() - 1);
    const text::TextLine* line = under ? nullptr : &layout.lines.back();
    for (std::size_t i = first; i < layout.lines.size() && y >= 0; ++i) {
        if (y < layout.lines[i].height()) {
            line = &layout.lines[i];
            break;
        }
        y -= layout.lines[i].height();
    }
    if (!line)
        return kNoCharacter;
    std::size_t end = std::min(line->end, field.length());
    while (end > line->begin && text::isParagraphBreak(field.text[end - 1]))
        --end;
    if (under && (x < 0 || x >= line->width || end == line->begin))
        return kNoCharacter;
    if (x <= 0 || end == line->begin)
        return line->begin;
    if (x >= line->width)
        return end;
    // Long lines take the place their width suggests.
    constexpr std::size_t kMeasuredLine = 256;
    if (end - line->begin > kMeasuredLine) {
        const double at = x / line->width * double(end - line->begin);
        return line->begin + std::size_t(under ? std::floor(at) : std::lround(at));
    }
    double before = 0;
    for (std::size_t i = line->begin + 1; i <= end; ++i) {
        text::TextFieldState prefix = field;
        prefix.wordWrap = false;
        prefix.replace(i, prefix.length(), std::u32string(), prefix.newTextFormat);
        prefix.replace(0, line->begin, std::u32string(), prefix.newTextFormat);
        const double width = prefix.layout().extent;
        if (x < width)
            return under || x - before < width - x ? i - 1 : i;
        before = width;
    }
    return end;
}

// A press gives the focus to the selectable text field under the pointer,
// with the caret where it was pressed; anywhere else it takes the focus away
// from a text field. A button or clip that a script or the Tab key focused
// keeps it: components focus themselves when pressed and count on keeping
// the focus while the pointer works inside them (a list opened below a
// combo box closes when its box loses the focus). Returns whether the
// focus moved.
bool MovieRuntime::focusByMouse()
{
    Instance* field = m_pointer.hover ? nullptr : textFieldAt(m_rootInstance, m_pointer.x, m_pointer.y);
    if (field) {
        text::TextFieldState& state = *field->object->text;
        const QPointF local = toStage(field).inverted().map(QPointF(m_pointer.x, m_pointer.y));
        state.selectionBegin = state.selectionEnd = characterAt(state, local);
    } else if (Instance* focused = instanceOf(m_focus); focused && !focused->object->text) {
        return false;
    }
    Object* const before = m_focus;
    changeFocus(field ? field->self : nullptr, FocusCause::Mouse);
    return m_focus != before;
}

// A click on linked text follows the link: "asfunction:name,argument" calls
// the function the name leads to from the field's clip (the text after the
// first comma its one argument), other addresses go where getURL sends them.
void MovieRuntime::followLink()
{
    if (m_pointer.hover)
        return;
    Instance* field = textFieldAt(m_rootInstance, m_pointer.x, m_pointer.y, false);
    if (!field || !field->object->text || !field->object->text->html)
        return;
    const text::TextFieldState& state = *field->object->text;
    const QPointF local = toStage(field).inverted().map(QPointF(m_pointer.x, m_pointer.y));
    const std::size_t index = characterAt(state, local, true);
    if (index == kNoCharacter || index >= state.length())
        return;
    const text::TextFieldFormat format = state.formatAt(index);
    if (!format.url || format.url->empty())
        return;
    Instance* owner = field->parent ? field->parent : m_rootInstance;
    const std::string& url = *format.url;
    m_vm->beginFrame();
    constexpr std::string_view kScheme = "asfunction:";
    if (url.size() >= kScheme.size() && lowerAscii(url.substr(0, kScheme.size())) == kScheme) {
        const std::string call = url.substr(kScheme.size());
        const std::size_t comma = call.find(',');
        const std::string path = call.substr(0, comma);
        std::vector<Value> args;
        if (comma != std::string::npos)
            args.push_back(Value(call.substr(comma + 1)));
        // The name's last part is the method; what leads to it is looked up
        // from the clip, and a first name the clip lacks is a global one.
        const std::size_t dot = path.find_last_of('.');
        const std::string method = dot == std::string::npos ? path : path.substr(dot + 1);
        if (method.empty())
            return;
        Object* base = owner->self;
        std::size_t from = 0;
        while (dot != std::string::npos && from <= dot && base) {
            const std::size_t next = path.find('.', from);
            const std::string part = path.substr(from, next - from);
            Value v = m_vm->getMember(base, part);
            if (v.isUndefined() && base == owner->self)
                v = m_vm->getMember(m_vm->global(), part);
            base = v.asObject();
            from = next + 1;
        }
        if (base == owner->self && dot == std::string::npos && m_vm->getMember(base, method).isUndefined())
            base = m_vm->global();
        if (base)
            m_vm->callMethodFromHost(base, method, args);
        runQueue();
        return;
    }
    getUrl(owner->self, url, format.target.value_or(std::string()), 0, false, false);
    runQueue();
}

} // namespace swf::runtime
