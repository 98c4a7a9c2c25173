// Text fields on the stage: the script side of their live state, and the
// timeline variables they show.

#include "swf/movie/static_text.h"
#include "swf/render/shape_painter.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/script/builtins/text_field.h"

namespace swf::runtime {

// A text field's object reads and writes the state the display list keeps for
// it; once the field has left the stage, the state it took along.
void MovieRuntime::attachTextFieldObject(Instance* inst)
{
    if (!inst->object || !inst->object->text)
        return;
    script::TextFieldDisplayHooks hooks;
    hooks.depth = [](script::Object& field) -> script::Value {
        auto* i = static_cast<Instance*>(field.hostData);
        if (!i || !i->object)
            return script::Value();
        return double(i->depth - kScriptDepthOffset);
    };
    hooks.remove = [this](script::Interpreter&, script::Object& field) {
        if (Instance* i = instanceOf(&field))
            remove(i);
    };
    hooks.filters = [this](script::Interpreter& in, script::Object& field) { return objectFilters(in, *this, &field); };
    hooks.setFilters = [this](script::Interpreter& in, script::Object& field, const script::Value& list) {
        setObjectFilters(in, *this, &field, list);
    };
    auto locate = [](script::Object& field) -> text::TextFieldState* {
        auto* i = static_cast<Instance*>(field.hostData);
        if (!i)
            return nullptr;
        return i->object ? i->object->text.get() : i->removedText.get();
    };
    script::attachTextField(*m_vm, inst->self, locate, m_clipExtension, hooks);
}

// When a frame's scripts are done, fields bound to a variable show its
// current value, and an autosized field still waiting for text fits its box.
void MovieRuntime::settleTextFields()
{
    for (const auto& inst : m_instances) {
        if (!inst->object || !inst->object->text)
            continue;
        text::TextFieldState& field = *inst->object->text;
        if (inst->self && !field.variable.empty())
            script::syncTextFieldVariable(*m_vm, inst->self);
        if (field.fitPending)
            field.fitToText();
    }
}

// The static texts placed directly in a clip, lowest depth first.
std::optional<std::vector<std::u32string>> MovieRuntime::staticText(script::Object* clip)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return std::nullopt;
    std::vector<std::u32string> lines;
    for (const auto& [depth, object] : inst->object->clip->objects) {
        const DefineText* text = object.character ? object.character->text() : nullptr;
        if (!text)
            continue;
        for (std::u32string& line : movie::staticTextLines(*text, dictionaryOf(inst)))
            lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<script::StaticTextGlyph> MovieRuntime::staticTextGlyphs(script::Object* clip)
{
    std::vector<script::StaticTextGlyph> out;
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object->clip)
        return out;
    const movie::CharacterDictionary& dictionary = dictionaryOf(inst);
    const auto pixels = [](double twips) { return std::round(twips) / 20.0; };
    for (const auto& [depth, object] : inst->object->clip->objects) {
        const DefineText* text = object.character ? object.character->text() : nullptr;
        if (!text)
            continue;
        const QTransform toClip = render::toQTransform(text->matrix) * render::toQTransform(object.matrix);
        for (const movie::StaticGlyph& g : movie::staticTextGlyphs(*text, dictionary)) {
            script::StaticTextGlyph info;
            info.font = dictionary.font(g.fontId).name;
            info.color = (std::uint32_t(g.color.r) << 16) | (std::uint32_t(g.color.g) << 8) | g.color.b;
            info.height = pixels(g.height);
            const QPointF origin = toClip.map(QPointF(g.x, g.y));
            const double matrix[6] = {toClip.m11(), toClip.m12(), toClip.m21(), toClip.m22(), pixels(origin.x()),
                                      pixels(origin.y())};
            std::copy(std::begin(matrix), std::end(matrix), info.matrix);
            const QPointF corners[4] = {{g.x, g.y + g.descent}, {g.x + g.width, g.y + g.descent},
                                        {g.x + g.width, g.y - g.ascent}, {g.x, g.y - g.ascent}};
            for (int k = 0; k < 4; ++k) {
                const QPointF p = toClip.map(corners[k]);
                info.corners[2 * k] = pixels(p.x());
                info.corners[2 * k + 1] = pixels(p.y());
            }
            out.push_back(std::move(info));
        }
    }
    return out;
}

std::shared_ptr<std::vector<bool>> MovieRuntime::staticTextSelection(script::Object* clip)
{
    Instance* inst = instanceOf(clip);
    if (!inst || !inst->object || !inst->object->clip)
        return nullptr;
    if (!inst->textSelection)
        inst->textSelection = std::make_shared<std::vector<bool>>();
    return inst->textSelection;
}

} // namespace swf::runtime
