// Text fields on the stage: their live state, and the timeline variables
// they show.

#include "swf/movie/limits.h"
#include "swf/render/font_library.h"
#include "swf/render/text_field_layout.h"
#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/script/builtins/text_field.h"
#include "swf/script/text_field_state.h"

namespace swf::runtime {

namespace {

void collectFonts(render::FontLibrary& fonts, const std::vector<Tag>& tags, int nesting)
{
    if (nesting > movie::kMaxNesting)
        return;
    for (const Tag& tag : tags) {
        if (const auto* font = std::get_if<DefineFont>(&tag))
            fonts.add(*font);
        else if (const auto* info = std::get_if<DefineFontInfo>(&tag))
            fonts.addInfo(*info);
        else if (const auto* sprite = std::get_if<DefineSprite>(&tag))
            collectFonts(fonts, sprite->tags, nesting + 1);
    }
}

} // namespace

std::shared_ptr<const render::FontLibrary> MovieRuntime::fonts()
{
    if (!m_fonts) {
        auto fonts = std::make_shared<render::FontLibrary>();
        collectFonts(*fonts, m_movie.tags, 0);
        m_fonts = std::move(fonts);
    }
    return m_fonts;
}

void installTextField(MovieRuntime& runtime, Instance* inst, const QRectF* bounds)
{
    movie::DisplayObject& object = *inst->object;
    script::Interpreter& vm = runtime.interpreter();
    const int version = vm.swfVersion();
    std::shared_ptr<script::TextFieldState> state;
    if (bounds) {
        state = script::newTextField(bounds->width() / 20.0, bounds->height() / 20.0, version);
    } else if (const DefineEditText* record = object.character ? object.character->editText() : nullptr) {
        std::string fontName;
        if (record->fontId) {
            if (const render::Font* font = runtime.fonts()->font(*record->fontId))
                fontName = font->name().toStdString();
        }
        state = script::textFieldFromDefinition(*record, version, fontName);
    }
    if (!state)
        return;
    state->measurer = render::textMeasurer(runtime.fonts());
    if (state->autoSize != script::AutoSize::None)
        state->fitToText();
    script::TextFieldDisplayHooks hooks;
    hooks.depth = [](script::Object& field) -> script::Value {
        auto* i = static_cast<Instance*>(field.hostData);
        if (!i || !i->object)
            return script::Value();
        return double(i->depth - kScriptDepthOffset);
    };
    hooks.remove = [&runtime](script::Interpreter&, script::Object& field) {
        if (Instance* i = runtime.instanceOf(&field))
            runtime.remove(i);
    };
    script::attachTextField(vm, inst->self, state, runtime.clipExtension(), hooks);
    object.text = std::move(state);
}

// Fields bound to a variable show its current value.
void MovieRuntime::syncTextVariables()
{
    for (const auto& inst : m_instances) {
        if (inst->object && inst->object->text && inst->self && !inst->object->text->variable.empty())
            script::syncTextFieldVariable(*m_vm, inst->self);
    }
}

} // namespace swf::runtime
