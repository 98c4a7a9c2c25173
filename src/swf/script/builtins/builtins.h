#pragma once

// The built-in objects of the global scope, installed once per interpreter.
// Each file installs one family; helpers here keep the natives short.

#include "swf/script/interpreter.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace swf::script {

using Args = std::vector<Value>;

void installBuiltins(Interpreter& in);
void installObject(Interpreter& in);
void installFunction(Interpreter& in);
void installArray(Interpreter& in);
void installString(Interpreter& in);
void installNumberAndBoolean(Interpreter& in);
void installMath(Interpreter& in);
void installDate(Interpreter& in);
void installGlobalFunctions(Interpreter& in);
void installBroadcaster(Interpreter& in);
void installError(Interpreter& in);
// A broadcaster's empty _listeners, made as the player made its own arrays.
Object* newListenerList(Interpreter& in);
void installXml(Interpreter& in);
void installLoadVars(Interpreter& in);
void installSystem(Interpreter& in);
void installLibraryClasses(Interpreter& in);
// ASnative: installed after every other built-in, whose code it shares.
void installNativeTable(Interpreter& in);
void installTextField(Interpreter& in);
// TextField.StyleSheet, on the TextField constructor.
void installStyleSheet(Interpreter& in, Object* textField);
// Stage; Key, Mouse and Selection; Color, Sound and TextFormat.
void installStage(Interpreter& in);
void installInput(Interpreter& in);
void installColor(Interpreter& in);
void installSound(Interpreter& in);
void installTextFormat(Interpreter& in);
void installTextSnapshot(Interpreter& in);
// Gives a TextSnapshot object the static text `clip` holds now; a snapshot
// of anything but a clip on the stage stays empty and answers nothing.
void fillTextSnapshot(Interpreter& in, Object* snapshot, const Value& clip);

inline Value arg(const Args& args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

// The number Number(), isNaN() and isFinite() read from an argument: the
// empty string is no number there, in every version.
double numberArgument(Interpreter& in, const Value& v);
// parseInt of a string without a radix.
double parseIntText(const std::string& s);

// Creates a global constructor `name` with the given prototype (a new
// object when null) and links prototype.constructor back to it.
Object* makeConstructor(Interpreter& in, const std::string& name, NativeFunction call, NativeFunction construct, Object* prototype = nullptr);

// Hides existing own properties from movies older than a version flag.
inline void markVersion(Object* on, std::initializer_list<const char*> names, std::uint16_t versionFlag)
{
    for (const char* name : names) {
        if (Property* p = on->findOwnAnyVersion(name))
            p->flags |= versionFlag;
    }
}

// The primitive inside a String / Number / Boolean / Date object, or the
// value itself for a primitive `this`.
Value thisPrimitive(Object* thisObject);

} // namespace swf::script
