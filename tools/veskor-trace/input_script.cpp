#include "input_script.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace veskor::tools {

using swf::runtime::InputEvent;

namespace {

struct Key {
    int code = 0;
    int ascii = 0;
};

// Named keys: their key codes, and the character those that type one give.
std::optional<Key> namedKey(const QString& name)
{
    static const std::array<std::pair<const char*, Key>, 30> keys = {{
        {"Backspace", {8, 8}},     {"Tab", {9, 9}},           {"Enter", {13, 13}},
        {"LeftShift", {16, 0}},    {"RightShift", {16, 0}},   {"Shift", {16, 0}},
        {"LeftControl", {17, 0}},  {"RightControl", {17, 0}}, {"Control", {17, 0}},
        {"LeftAlt", {18, 0}},      {"RightAlt", {18, 0}},     {"Alt", {18, 0}},
        {"CapsLock", {20, 0}},     {"Escape", {27, 27}},      {"Space", {32, 32}},
        {"PageUp", {33, 0}},       {"PageDown", {34, 0}},     {"End", {35, 0}},
        {"Home", {36, 0}},         {"ArrowLeft", {37, 0}},    {"ArrowUp", {38, 0}},
        {"ArrowRight", {39, 0}},   {"ArrowDown", {40, 0}},    {"Insert", {45, 0}},
        {"Delete", {46, 127}},     {"NumLock", {144, 0}},     {"ScrollLock", {145, 0}},
        {"Pause", {19, 0}},        {"Left", {37, 0}},         {"Right", {39, 0}},
    }};
    for (const auto& [keyName, key] : keys) {
        if (name == QLatin1String(keyName))
            return key;
    }
    // F1 to F12.
    if (name.size() >= 2 && name.size() <= 3 && name.startsWith('F')) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 12)
            return Key{111 + n, 0};
    }
    return std::nullopt;
}

// A character's key on a US keyboard: letters and digits are their own
// (upper-case) codes; the punctuation keys have codes of their own, the same
// for the shifted and the plain character.
std::optional<Key> charKey(const QString& text)
{
    if (text.size() != 1)
        return std::nullopt;
    const char16_t c = text.at(0).unicode();
    const int ascii = c;
    if (c >= 'a' && c <= 'z')
        return Key{c - 'a' + 'A', ascii};
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return Key{ascii, ascii};
    static const std::array<std::pair<const char*, int>, 11> punctuation = {{
        {";:", 186}, {"=+", 187}, {",<", 188}, {"-_", 189}, {".>", 190}, {"/?", 191},
        {"`~", 192}, {"[{", 219}, {"\\|", 220}, {"]}", 221}, {"'\"", 222},
    }};
    for (const auto& [chars, code] : punctuation) {
        if (c == static_cast<char16_t>(chars[0]) || c == static_cast<char16_t>(chars[1]))
            return Key{code, ascii};
    }
    static const char* const shiftedDigits = ")!@#$%^&*(";
    for (int digit = 0; digit < 10; ++digit) {
        if (c == static_cast<char16_t>(shiftedDigits[digit]))
            return Key{'0' + digit, ascii};
    }
    switch (c) {
    case ' ': return Key{32, 32};
    case '\t': return Key{9, 9};
    case '\r':
    case '\n': return Key{13, 13};
    default: return std::nullopt;
    }
}

std::optional<Key> keyOf(const QJsonValue& value)
{
    if (value.isString())
        return namedKey(value.toString());
    const QJsonObject object = value.toObject();
    if (object.contains("Char"))
        return charKey(object.value("Char").toString());
    if (object.contains("Numpad")) {
        const QString digit = object.value("Numpad").toString();
        if (digit.size() == 1 && digit.at(0) >= '0' && digit.at(0) <= '9')
            return Key{96 + (digit.at(0).unicode() - '0'), digit.at(0).unicode()};
    }
    return std::nullopt;
}

std::optional<swf::runtime::TextControl> textControlOf(const QString& code)
{
    using swf::runtime::TextControl;
    static const std::array<std::pair<const char*, TextControl>, 11> controls = {{
        {"MoveLeft", TextControl::MoveLeft},
        {"MoveRight", TextControl::MoveRight},
        {"MoveLeftLine", TextControl::MoveLeftLine},
        {"MoveRightLine", TextControl::MoveRightLine},
        {"Backspace", TextControl::Backspace},
        {"Delete", TextControl::Delete},
        {"SelectAll", TextControl::SelectAll},
        {"Enter", TextControl::Enter},
        {"Copy", TextControl::Copy},
        {"Cut", TextControl::Cut},
        {"Paste", TextControl::Paste},
    }};
    for (const auto& [name, control] : controls) {
        if (code == QLatin1String(name))
            return control;
    }
    return std::nullopt;
}

// A position [x, y] of finite numbers.
std::optional<std::pair<double, double>> positionOf(const QJsonValue& value)
{
    const QJsonArray pos = value.toArray();
    if (pos.size() != 2 || !pos.at(0).isDouble() || !pos.at(1).isDouble())
        return std::nullopt;
    const double x = pos.at(0).toDouble();
    const double y = pos.at(1).toDouble();
    // Far enough to leave any stage; keeps the twips of the engine finite and small.
    constexpr double kFar = 1e6;
    if (!std::isfinite(x) || !std::isfinite(y))
        return std::nullopt;
    return std::pair(std::clamp(x, -kFar, kFar), std::clamp(y, -kFar, kFar));
}

} // namespace

Result<InputScript> parseInputScript(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return makeError("not JSON: " + error.errorString().toStdString() + " at byte " + std::to_string(error.offset));
    if (!document.isArray())
        return makeError("not a list of events");
    const QJsonArray list = document.array();
    if (static_cast<std::size_t>(list.size()) > kMaxInputEvents)
        return makeError("more than " + std::to_string(kMaxInputEvents) + " events");
    InputScript script;
    for (const QJsonValue& item : list) {
        const QJsonObject object = item.toObject();
        const QString type = object.value("type").toString();
        auto skip = [&](const std::string& why) { ++script.skipped[(type.isEmpty() ? "?" : type.toStdString()) + ": " + why]; };
        InputEvent event;
        if (type == "Wait") {
            script.events.push_back(event);
            continue;
        }
        if (type == "MouseMove" || type == "MouseDown" || type == "MouseUp") {
            const auto pos = positionOf(object.value("pos"));
            if (!pos) {
                skip("no position [x, y]");
                continue;
            }
            event.x = pos->first;
            event.y = pos->second;
            event.kind = InputEvent::Kind::MouseMove;
            if (type != "MouseMove") {
                const QString button = object.value("btn").toString("Left");
                event.button = button == "Left" ? 1 : button == "Right" ? 2 : button == "Middle" ? 4 : 0;
                // A button the player does not know only moves the pointer there.
                if (event.button == 0)
                    skip("unknown button " + button.toStdString() + ", pointer moved only");
                else
                    event.kind = type == "MouseDown" ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
            }
            script.events.push_back(event);
            continue;
        }
        if (type == "MouseWheel") {
            // Whole lines a turn; a turn of no lines, or of more than any
            // wheel gives at once, is no turn.
            constexpr double kMaxLines = 1000;
            const QJsonValue lines = object.value("lines");
            const double n = lines.toDouble(0);
            if (!lines.isDouble() || n != std::trunc(n) || n == 0 || std::abs(n) > kMaxLines) {
                skip("no whole number of lines");
                continue;
            }
            event.kind = InputEvent::Kind::MouseWheel;
            event.wheelLines = int(n);
            script.events.push_back(event);
            continue;
        }
        if (type == "KeyDown" || type == "KeyUp") {
            const auto key = keyOf(object.value("key"));
            if (!key) {
                skip("unknown key " + QJsonDocument(QJsonArray{object.value("key")}).toJson(QJsonDocument::Compact).toStdString());
                continue;
            }
            event.kind = type == "KeyDown" ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
            event.keyCode = key->code;
            event.ascii = key->ascii;
            script.events.push_back(event);
            continue;
        }
        if (type == "TextInput") {
            const QString text = object.value("codepoint").toString();
            const QList<uint> units = text.toUcs4();
            if (units.size() != 1) {
                skip("not one character");
                continue;
            }
            event.kind = InputEvent::Kind::TextInput;
            event.character = char32_t(units.front());
            script.events.push_back(event);
            continue;
        }
        if (type == "SetClipboardText") {
            const QJsonValue text = object.value("text");
            if (!text.isString()) {
                skip("no text");
                continue;
            }
            event.kind = InputEvent::Kind::SetClipboard;
            const QList<uint> units = text.toString().toUcs4();
            if (units.size() > kMaxClipboardCharacters)
                skip("text cut to " + std::to_string(kMaxClipboardCharacters) + " characters");
            event.text.assign(units.begin(), units.begin() + std::min(units.size(), kMaxClipboardCharacters));
            script.events.push_back(event);
            continue;
        }
        if (type == "TextControl") {
            const auto control = textControlOf(object.value("code").toString());
            if (!control) {
                skip("command " + object.value("code").toString().toStdString() + " not played");
                continue;
            }
            event.kind = InputEvent::Kind::TextControl;
            event.control = *control;
            script.events.push_back(event);
            continue;
        }
        skip(type.isEmpty() ? "no type" : "not played");
    }
    // A list that never types text stands for keyboards whose keys type
    // their characters: each key with one types it as it goes down.
    const bool types = std::any_of(script.events.begin(), script.events.end(),
                                   [](const InputEvent& e) { return e.kind == InputEvent::Kind::TextInput; });
    if (!types) {
        std::vector<InputEvent> events;
        events.reserve(script.events.size());
        for (const InputEvent& event : script.events) {
            events.push_back(event);
            if (event.kind == InputEvent::Kind::KeyDown && (event.ascii >= 32 || event.ascii == 13) && event.ascii != 127) {
                InputEvent typed;
                typed.kind = InputEvent::Kind::TextInput;
                typed.character = char32_t(event.ascii);
                events.push_back(typed);
            }
        }
        script.events = std::move(events);
    }
    return script;
}

Result<InputScript> readInputScript(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return makeError("cannot read: " + file.errorString().toStdString());
    if (file.size() > kMaxInputFileBytes)
        return makeError("larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MB");
    return parseInputScript(file.read(kMaxInputFileBytes + 1));
}

} // namespace veskor::tools
