#pragma once

// TextField objects: a script object over a text::TextFieldState. The movie
// runtime makes one for every text field on the stage (placed by the
// timeline or made by createTextField) and gives it the extension that
// answers its display properties (_x, _width, _name, _parent...).

#include "swf/script/interpreter.h"
#include "swf/text/text_field.h"

#include <functional>
#include <memory>

namespace swf::script {

// What a text field needs from the display list beyond its display properties.
struct TextFieldDisplayHooks {
    // getDepth(); undefined when unset.
    std::function<Value(Object& field)> depth;
    // removeTextField(); without it the host's removeClip is asked.
    std::function<void(Interpreter&, Object& field)> remove;
    // `filters`, kept with the field's place on the stage; without them the
    // field keeps its own copy.
    std::function<Value(Interpreter&, Object& field)> filters;
    std::function<void(Interpreter&, Object& field, const Value& list)> setFilters;
};

// Where a field on the stage keeps its state: the display list owns it, and
// the field's object looks it up there each time. Null when the field has
// no state any more.
using TextFieldLocator = std::function<text::TextFieldState*(Object& field)>;

// An object whose prototype is TextField.prototype and whose members read
// and write `state`, which it owns (a new 100 by 100 field when null); every
// other member goes to `displayExtension` (which may be null), then to the
// object's own properties.
Object* makeTextFieldObject(Interpreter& in, std::shared_ptr<text::TextFieldState> state,
                            std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks = {});

// Makes an existing object (one the runtime made for a display-list
// instance) a text field over the state `locate` finds: its extension
// answers the TextField members and passes the rest to `displayExtension`,
// which it replaces.
void attachTextField(Interpreter& in, Object* object, TextFieldLocator locate,
                     std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks = {});

// The state behind a TextField object, or null for any other object.
text::TextFieldState* textFieldState(Object* object);

// Sets the text as a script assignment does: objects convert through their
// own toString only (no valueOf); anything but a string result reads
// "[type Object]".
std::string textFieldStringFromValue(Interpreter& in, const Value& value);

// Variable binding: shows the bound variable's current value. The runtime
// calls this once per frame for every field with a variable.
void syncTextFieldVariable(Interpreter& in, Object* field);
// A field takes its variable (on the stage, or given a new one): a variable
// without a value takes the field's initial text, if it has one; then the
// field shows the variable.
void bindTextFieldVariable(Interpreter& in, Object* field);

// After the user edited the field: its variable takes the new text, then
// its listeners hear "onChanged".
void textFieldEdited(Interpreter& in, Object* field);

// Tells the field's listeners (and its own handler) that something changed:
// "onChanged" after input, "onScroller" after scrolling.
void broadcastTextFieldEvent(Interpreter& in, Object* field, const std::string& event);

} // namespace swf::script
