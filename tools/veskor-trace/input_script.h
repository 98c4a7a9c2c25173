#pragma once

// Scripted input for a trace run, read from a JSON list of events:
//   {"type":"Wait"}                                   one frame passes
//   {"type":"MouseMove","pos":[x,y]}                  stage pixels
//   {"type":"MouseDown","pos":[x,y],"btn":"Left"}     also MouseUp; "Right", "Middle"
//   {"type":"KeyDown","key":{"Char":"a"}}             also KeyUp; a key is a
//       named key ("ArrowLeft", "Tab", "LeftShift", ...), {"Char":"x"} or {"Numpad":"1"}
//   {"type":"TextInput","codepoint":"a"}             a character typed
//   {"type":"TextControl","code":"Backspace"}         an editing command: MoveLeft,
//       MoveRight, MoveLeftLine, MoveRightLine, Backspace, Delete, SelectAll, Enter
// A list without TextInput types the character of each key pressed.
// Events the player cannot act on (other editing commands, the clipboard,
// the wheel) are skipped and counted in `skipped`, as are keys it does not know.

#include "common/result.h"
#include "swf/runtime/trace_run.h"

#include <QByteArray>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace veskor::tools {

struct InputScript {
    std::vector<swf::runtime::InputEvent> events;
    // Why events were left out ("TextInput: not played"), with how many each time.
    std::map<std::string, int> skipped;
};

// The longest input file read, and the most events taken from one.
inline constexpr qint64 kMaxInputFileBytes = 16 << 20;
inline constexpr std::size_t kMaxInputEvents = 1'000'000;
// The most characters clipboard text keeps: pasting it again and again
// must not grow a field without end.
inline constexpr qsizetype kMaxClipboardCharacters = 64 * 1024;

Result<InputScript> parseInputScript(const QByteArray& json);
Result<InputScript> readInputScript(const std::filesystem::path& path);

} // namespace veskor::tools
