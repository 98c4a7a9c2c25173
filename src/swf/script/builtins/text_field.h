#pragma once

// TextField objects: a script object over a TextFieldState. The movie
// runtime makes one for every text field on the stage (placed by the
// timeline or made by createTextField) and gives it the extension that
// answers its display properties (_x, _width, _name, _parent...).

#include "swf/script/interpreter.h"
#include "swf/script/text_field_state.h"

#include <functional>
#include <memory>

namespace swf::script {

// What a text field needs from the display list beyond its display properties.
struct TextFieldDisplayHooks {
    // getDepth(); undefined when unset.
    std::function<Value(Object& field)> depth;
    // removeTextField(); without it the host's removeClip is asked.
    std::function<void(Interpreter&, Object& field)> remove;
};

// An object whose prototype is TextField.prototype and whose members read
// and write `state`; every other member goes to `displayExtension` (which
// may be null), then to the object's own properties.
Object* makeTextFieldObject(Interpreter& in, std::shared_ptr<TextFieldState> state,
                            std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks = {});

// Makes an existing object (one the runtime made for a display-list
// instance) a text field over `state`: its extension answers the TextField
// members and passes the rest to `displayExtension`, which it replaces.
void attachTextField(Interpreter& in, Object* object, std::shared_ptr<TextFieldState> state,
                     std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks = {});

// The state behind a TextField object, or null for any other object.
std::shared_ptr<TextFieldState> textFieldState(Object* object);

// Sets the text as a script assignment does: objects convert through their
// own toString only (no valueOf); anything but a string result reads
// "[type Object]".
std::string textFieldStringFromValue(Interpreter& in, const Value& value);

// Variable binding: shows the bound variable's current value. The runtime
// calls this once per frame for every field with a variable.
void syncTextFieldVariable(Interpreter& in, Object* field);

// Tells the field's listeners (and its own handler) that something changed:
// "onChanged" after input, "onScroller" after scrolling.
void broadcastTextFieldEvent(Interpreter& in, Object* field, const std::string& event);

} // namespace swf::script
