// Typing into the focused text field: characters and editing commands.

#include "swf/runtime/movie_runtime.h"

#include "swf/script/builtins/text_field.h"
#include "swf/text/text_input.h"

#include <algorithm>

namespace swf::runtime {

namespace {

// The first character of the line that holds `index`, and the end of that
// line before its break.
std::pair<std::size_t, std::size_t> lineAround(const text::TextFieldState& field, std::size_t index)
{
    for (const text::TextLine& line : field.layout().lines) {
        if (index >= line.begin && (index < line.end || &line == &field.layout().lines.back())) {
            std::size_t end = std::min(line.end, field.length());
            if (end > line.begin && text::isParagraphBreak(field.text[end - 1]))
                --end;
            return {line.begin, std::max(end, line.begin)};
        }
    }
    return {0, field.length()};
}

} // namespace

void MovieRuntime::textInput(char32_t character)
{
    // A character a button or clip waits for works it instead of going in.
    if (character >= 32 && character < 128) {
        m_vm->beginFrame();
        if (runKeyPress(int(character)))
            return;
    }
    Instance* focused = instanceOf(m_focus);
    if (!focused || !focused->object->text || !focused->object->text->input)
        return;
    text::TextFieldState& field = *focused->object->text;
    // A line break goes in only where there can be more than one line;
    // other control characters (Tab, Escape) never go in.
    if (character == U'\r' || character == U'\n') {
        if (!field.multiline)
            return;
        character = U'\r';
    } else if (character < 0x20 || character == 0x7F) {
        return;
    }
    m_vm->beginFrame();
    if (text::typeText(field, std::u32string(1, character))) {
        script::textFieldEdited(*m_vm, m_focus);
        runQueue();
    }
}

void MovieRuntime::textControl(TextControl control)
{
    Instance* focused = instanceOf(m_focus);
    if (!focused || !focused->object->text)
        return;
    if (control == TextControl::Enter) {
        textInput(U'\r');
        return;
    }
    text::TextFieldState& field = *focused->object->text;
    const std::size_t length = field.length();
    std::size_t begin = std::min(field.selectionBegin, length);
    std::size_t end = std::min(field.selectionEnd, length);
    const std::size_t caret = end;
    if (end < begin)
        std::swap(begin, end);
    auto place = [&](std::size_t b, std::size_t e) {
        field.selectionBegin = b;
        field.selectionEnd = e;
    };
    // Takes out [b, e), leaves the caret there and tells the field's listeners.
    auto erase = [&](std::size_t b, std::size_t e) {
        m_vm->beginFrame();
        field.replace(b, e, std::u32string(), field.newTextFormat);
        place(b, b);
        script::textFieldEdited(*m_vm, m_focus);
        runQueue();
    };
    switch (control) {
    case TextControl::MoveLeft:
        begin == end ? place(caret ? caret - 1 : 0, caret ? caret - 1 : 0) : place(begin, begin);
        return;
    case TextControl::MoveRight:
        begin == end ? place(std::min(caret + 1, length), std::min(caret + 1, length)) : place(end, end);
        return;
    case TextControl::MoveLeftLine: {
        const std::size_t to = lineAround(field, caret).first;
        place(to, to);
        return;
    }
    case TextControl::MoveRightLine: {
        const std::size_t to = lineAround(field, caret).second;
        place(to, to);
        return;
    }
    case TextControl::SelectAll: place(0, length); return;
    case TextControl::Backspace:
    case TextControl::Delete: {
        if (!field.input)
            return;
        if (begin == end) {
            if (control == TextControl::Backspace && begin > 0)
                --begin;
            else if (control == TextControl::Delete && end < length)
                ++end;
            else
                return;
        }
        erase(begin, end);
        return;
    }
    case TextControl::Enter: return;
    case TextControl::Copy:
    case TextControl::Cut: {
        // A password field gives nothing away, and keeps what it holds.
        if (field.password || begin == end)
            return;
        m_clipboard = field.text.substr(begin, end - begin);
        if (control == TextControl::Copy || !field.input)
            return;
        erase(begin, end);
        return;
    }
    case TextControl::Paste: {
        // Pasted text goes in as if typed: through restrict and maxChars,
        // line breaks only where there can be more than one line.
        if (!field.input)
            return;
        std::u32string typed;
        for (char32_t c : m_clipboard) {
            if (c == U'\n' || c == U'\r') {
                if (field.multiline && !(c == U'\n' && !typed.empty() && typed.back() == U'\r'))
                    typed.push_back(U'\r');
            } else if (c >= 0x20 && c != 0x7F) {
                typed.push_back(c);
            }
        }
        m_vm->beginFrame();
        if (!typed.empty() && text::typeText(field, typed)) {
            script::textFieldEdited(*m_vm, m_focus);
            runQueue();
        }
        return;
    }
    }
}

} // namespace swf::runtime
