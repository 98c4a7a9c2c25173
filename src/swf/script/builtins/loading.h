#pragma once

// What the loading classes (LoadVars, XML, the loadVariables action, style
// sheets) share: text as the original player decoded it from a file, and a
// request whose answer reaches the object's onData on a later frame.

#include "swf/script/builtins/builtins.h"

#include <string>

namespace swf::script {

// Text from a file: UTF-8, or UTF-16 of either order, after a byte-order mark;
// without one UTF-8. While System.useCodepage is set, and always for SWF 5
// movies, the system's code page instead (GB18030, as on the Chinese systems
// the courseware was made on), marks and all. The text ends at its first NUL.
std::string decodeLoadedText(Interpreter& in, const std::string& bytes);

// Asks the host for `url` on behalf of `target`. When it arrives,
// target._bytesLoaded and _bytesTotal give its size and target.onData gets
// the text; when it cannot be had, onData gets undefined and the sizes stay
// as they were. False when the host refuses the request outright.
bool loadTextInto(Interpreter& in, const std::string& url, Object* target);

// addRequestHeader of LoadVars and XML: the headers a request would send,
// as names and values pushed in turn onto self._customHeaders (an array
// made on first use). Nothing is sent anywhere; scripts only see the list.
Value addRequestHeader(Interpreter& in, Object* self, const std::vector<Value>& args);

// A load of LoadVars or XML begins: nothing has arrived yet (loaded false,
// _bytesLoaded 0, _bytesTotal unknown), then loadTextInto.
bool startLoad(Interpreter& in, Object* target, const std::string& url);

// send and sendAndLoad of LoadVars and XML: unless `method` names GET (in any
// case), the object's text (its toString) goes to `url` as the body of a
// POST, marked with the object's contentType. GET sends no body.
void postText(Interpreter& in, Object* self, const std::string& url, const Value& method);

// Sets one variable of `target` per "name=value" pair of form-encoded text.
void decodeVariables(Interpreter& in, Object* target, const std::string& text);

} // namespace swf::script
