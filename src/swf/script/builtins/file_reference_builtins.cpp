// flash.net.FileReference and FileReferenceList. This player opens no file
// dialog and sends no file anywhere: the classes exist with the original
// player's members, and every request to choose or move a file is refused.

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
    Object* file = defineNetClass(in, net, "FileReference", [](Interpreter& in, Object* self, const Args&) -> Value {
        initFileReference(in, self, {});
        env::initializeBroadcaster(in, self);
        return self;
    });
    Object* fileProto = file->findOwn("prototype")->value.asObject();
    for (const char* name : {"browse", "upload", "download"})
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
    nativeMethod(in, listProto, "browse", refused());
}

} // namespace swf::script
