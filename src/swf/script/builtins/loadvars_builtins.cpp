// LoadVars: form-encoded variables in and out of an object. Files are read
// through the host; what is sent goes to the host and no further:
// sendAndLoad reads its address as load does, and the web fails as an
// unreachable server did.

#include "swf/script/builtins/library_support.h"
#include "swf/script/builtins/loading.h"
#include "swf/script/string_util.h"

namespace swf::script {

namespace {

using namespace library;

// Form decoding: "+" is a space, "%XX" a byte; a broken "%" stays as written.
std::string formDecode(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() + 0 && hexDigitValue(s[i + 1]) >= 0 && hexDigitValue(s[i + 2]) >= 0) {
            out += char(hexDigitValue(s[i + 1]) * 16 + hexDigitValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Names and values are written through the global escape, whatever a movie made of it.
std::string formEncode(Interpreter& in, const std::string& s)
{
    return in.toString(in.call(in.getMember(in.global(), "escape"), nullptr, {Value(s)}));
}

} // namespace

// Pairs without a name are skipped.
void decodeVariables(Interpreter& in, Object* target, const std::string& text)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t amp = text.find('&', start);
        if (amp == std::string::npos)
            amp = text.size();
        const std::string pair = text.substr(start, amp - start);
        const std::size_t eq = pair.find('=');
        const std::string name = formDecode(pair.substr(0, eq));
        if (!name.empty())
            in.setMember(target, name, formDecode(eq == std::string::npos ? std::string() : pair.substr(eq + 1)));
        start = amp + 1;
    }
}

void installLoadVars(Interpreter& in)
{
    Object* proto = in.newObject();
    defineClass(in, "LoadVars", nativeInstance(), proto);
    proto->put("contentType", "application/x-www-form-urlencoded", kHiddenPermanent);

    nativeMethod(in, proto, "decode", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return false;
        if (self)
            decodeVariables(in, self, in.toString(args[0]));
        return Value();
    });
    nativeMethod(in, proto, "load", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        return startLoad(in, self, in.toString(args[0]));
    });
    nativeMethod(in, proto, "send", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return false;
        postText(in, self, in.toString(args[0]), arg(args, 2));
        return true;
    });
    nativeMethod(in, proto, "sendAndLoad", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* target = arg(args, 1).asObject();
        if (args.empty() || !target)
            return false;
        const std::string url = in.toString(args[0]);
        postText(in, self, url, arg(args, 2));
        return startLoad(in, target, url);
    });
    scriptMethod(in, proto, "addRequestHeader", addRequestHeader);
    scriptMethod(in, proto, "getBytesLoaded", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.getMember(self, "_bytesLoaded");
    });
    scriptMethod(in, proto, "getBytesTotal", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.getMember(self, "_bytesTotal");
    });
    scriptMethod(in, proto, "onData", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Value src = arg(args, 0);
        if (src.isUndefined()) {
            in.callMethod(self, "onLoad", {false});
        } else {
            in.callMethod(self, "decode", {src});
            in.setMember(self, "loaded", true);
            in.callMethod(self, "onLoad", {true});
        }
        return Value();
    });
    scriptMethod(in, proto, "onLoad", nothing());
    scriptMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        std::string out;
        for (const std::string& name : in.enumerableNames(self)) {
            Value v = in.getMember(self, name);
            if (!out.empty())
                out += '&';
            out += formEncode(in, name) + "=" + formEncode(in, in.toString(v));
        }
        return out;
    });
    // LoadVars came with SWF 6: older movies see an empty prototype.
    markAll(proto, PropertyFlag::Version6);
}

} // namespace swf::script
