// flash.net.FileReference and FileReferenceList. This player sends no file
// anywhere and has no one to choose one: the classes exist with the original
// player's members, a dialog to choose files is cancelled as soon as the
// scripts of the moment have run, and every request to move a file is refused.

#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/library_support.h"

namespace swf::script {

namespace {

using namespace library;

// A request that needs the user or a server: refused at once.
NativeFunction refused()
{
    return [](Interpreter&, Object*, const Args&) -> Value { return false; };
}

// Whether browse's list of file types is one the dialog takes: none at all,
// or items that each give a description and extensions.
bool acceptedTypes(Interpreter& in, const Args& args)
{
    const Value types = arg(args, 0);
    if (types.isUndefined())
        return true;
    if (!types.isObject())
        return false;
    const std::vector<Value> items = in.arrayItems(types.asObject());
    if (items.empty())
        return false;
    for (const Value& item : items) {
        if (!item.isObject())
            return false;
        for (const char* name : {"description", "extension"}) {
            if (in.toString(in.getMember(item, name)).empty())
                return false;
        }
    }
    return true;
}

// browse: the dialog opens, and the user cancels it.
Value browse(Interpreter& in, Object* self, const Args& args)
{
    if (!self || !acceptedTypes(in, args))
        return false;
    in.host().afterScripts(self, [&in, self]() { in.callMethodFromHost(self, "broadcastMessage", {Value("onCancel"), self}); });
    return true;
}

Object* defineNetClass(Interpreter& in, Object* net, const char* name, NativeFunction construct)
{
    Object* proto = in.newObject();
    Object* ctor = in.newFunction(nothing(), std::move(construct));
    ctor->put("prototype", proto, kHiddenPermanent);
    proto->put("constructor", ctor, kHiddenPermanent);
    net->put(name, ctor, 0);
    return ctor;
}

} // namespace

Value initFileReference(Interpreter& in, Object* self, const Args& args)
{
    Object* target = arg(args, 0).isObject() ? arg(args, 0).asObject() : self;
    if (!target)
        return Value();
    // What a chosen file tells about itself: nothing was chosen, and the
    // members take no assignment.
    for (const char* name : {"creationDate", "creator", "modificationDate", "name", "size", "type"})
        nativeAccessor(in, target, name, [](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    in.setMember(target, "postData", in.toString(Value()));
    return Value();
}

void installFileReference(Interpreter& in, Object* net)
{
    Object* file = defineNetClass(in, net, "FileReference", nativeInstance([](Interpreter& in, Object* self, const Args&) -> Value {
        initFileReference(in, self, {});
        env::initializeBroadcaster(in, self);
        return Value();
    }));
    Object* fileProto = file->findOwn("prototype")->value.asObject();
    nativeMethod(in, fileProto, "browse", browse);
    for (const char* name : {"upload", "download"})
        nativeMethod(in, fileProto, name, refused());
    nativeMethod(in, fileProto, "cancel", nothing());
    nativeMethod(in, fileProto, "convertToPPT", refused());
    nativeMethod(in, fileProto, "deleteConvertedPPT", refused());

    // The list broadcasts from its prototype; a new list holds no files.
    Object* list = defineNetClass(in, net, "FileReferenceList", [](Interpreter&, Object* self, const Args&) -> Value { return self; });
    Object* listProto = list->findOwn("prototype")->value.asObject();
    env::initializeBroadcaster(in, listProto);
    for (const char* name : {"_listeners", "addListener", "removeListener", "broadcastMessage"}) {
        if (Property* p = listProto->findOwnAnyVersion(name))
            p->flags = kHiddenPermanent;
    }
    nativeMethod(in, listProto, "browse", browse);
}

} // namespace swf::script
