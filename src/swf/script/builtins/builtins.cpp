#include "swf/script/builtins/builtins.h"

namespace swf::script {

void installBuiltins(Interpreter& in)
{
    // Function first, so that every native function links to it.
    installFunction(in);
    installObject(in);
    installArray(in);
    installString(in);
    installNumberAndBoolean(in);
    installMath(in);
    installDate(in);
    installGlobalFunctions(in);
    installBroadcaster(in);
    installError(in);
    installXml(in);
    installLoadVars(in);
    installSystem(in);
    installLibraryClasses(in);
    installTextField(in);
    installStage(in);
    installInput(in);
    installColor(in);
    installSound(in);
    installTextFormat(in);
    installTextSnapshot(in);
    // Keep last: ASnative shares the code of the built-ins installed above.
    installNativeTable(in);
}

Object* makeConstructor(Interpreter& in, const std::string& name, NativeFunction call, NativeFunction construct, Object* prototype)
{
    Object* ctor = in.newFunction(std::move(call), std::move(construct));
    if (!prototype)
        prototype = in.newObject();
    ctor->put("prototype", prototype, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    prototype->put("constructor", ctor, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    in.global()->put(name, ctor, PropertyFlag::DontEnum);
    return ctor;
}

Value thisPrimitive(Object* thisObject)
{
    if (!thisObject)
        return Value();
    return thisObject->primitive;
}

} // namespace swf::script
