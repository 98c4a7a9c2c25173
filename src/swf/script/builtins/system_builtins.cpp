// System: capabilities of this player (a stand-alone Linux player), the
// security sandbox calls (accepted, nothing to enforce without loading),
// the input method editor (absent) and the clipboard and settings calls;
// and Accessibility, with no screen reader attached.

#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/library_support.h"
#include "swf/script/string_util.h"

namespace swf::script {

namespace {

using namespace library;

struct Capability {
    const char* name;
    const char* code; // its key in serverString
    Value value;
};

// In the order serverString lists them.
std::vector<Capability> capabilities()
{
    return {
        {"hasAudio", "A", true},
        {"hasStreamingAudio", "SA", true},
        {"hasStreamingVideo", "SV", true},
        {"hasEmbeddedVideo", "EV", true},
        {"hasMP3", "MP3", true},
        {"hasAudioEncoder", "AE", false},
        {"hasVideoEncoder", "VE", false},
        {"hasAccessibility", "ACC", false},
        {"hasPrinting", "PR", false},
        {"hasScreenPlayback", "SP", false},
        {"hasScreenBroadcast", "SB", false},
        {"isDebugger", "DEB", false},
        {"version", "V", "LNX 9,0,999,0"},
        {"manufacturer", "M", "Adobe Linux"},
        {"screenResolutionX", "R", 1024},
        {"screenResolutionY", nullptr, 768},
        {"screenDPI", "DP", 96},
        {"screenColor", "COL", "color"},
        {"pixelAspectRatio", "AR", 1},
        {"os", "OS", "Linux"},
        {"language", "L", "en"},
        {"hasIME", "IME", false},
        {"playerType", "PT", "StandAlone"},
        {"avHardwareDisable", "AVD", false},
        {"localFileReadDisable", "LFD", false},
        {"windowlessDisable", "WD", false},
        {"hasTLS", "TLS", false},
    };
}

// The query string a player sends to a media server about itself.
std::string serverString(const std::vector<Capability>& caps)
{
    std::string out;
    auto add = [&](const std::string& key, const std::string& value) {
        if (!out.empty())
            out += '&';
        out += key + "=" + value;
    };
    for (const Capability& c : caps) {
        if (!c.code)
            continue;
        const std::string code = c.code;
        if (code == "R")
            add(code, "1024x768");
        else if (code == "AR")
            add(code, "1.0");
        else if (c.value.isBoolean())
            add(code, c.value.asBool() ? "t" : "f");
        else if (c.value.isNumber())
            add(code, numberToString(c.value.asNumber()));
        else
            add(code, percentEncode(c.value.asString(), "."));
    }
    return out;
}

// Fills `this` with the capability values, as the player's query does.
Value query(Interpreter& in, Object* self, const Args&)
{
    if (!self)
        return Value();
    const std::vector<Capability> caps = capabilities();
    for (const Capability& c : caps)
        in.setMember(self, c.name, c.value);
    in.setMember(self, "serverString", serverString(caps));
    return Value();
}

void installCapabilities(Interpreter& in, Object* system)
{
    Object* caps = in.newObject();
    system->put("capabilities", caps, kHidden);
    query(in, caps, {});
    // The query stays reachable for ASnative(11, 0) only: scripts of these
    // versions never see it as a member.
    nativeMethod(in, caps, "Query", query, kHiddenPermanent | PropertyFlag::Version9);
}

void installSecurity(Interpreter& in, Object* system)
{
    Object* security = in.newObject();
    system->put("security", security, kHidden);
    // Permissions are granted to any domain named; a call naming none grants nothing.
    for (const char* name : {"allowDomain", "allowInsecureDomain"}) {
        nativeMethod(in, security, name, [](Interpreter&, Object*, const Args& args) -> Value { return !args.empty(); },
                     kHiddenPermanent);
    }
    nativeMethod(in, security, "loadPolicyFile", nothing(), kHiddenPermanent);
    scriptMethod(in, security, "chooseLocalSwfPath", nothing(), kHiddenPermanent);
    scriptMethod(in, security, "escapeDomain", [](Interpreter& in, Object*, const Args& args) -> Value {
        return in.toString(arg(args, 0));
    }, kHiddenPermanent);
    // A movie played from a local file (the runtime names the network
    // sandbox for a movie that asks for it).
    security->put("sandboxType", "localWithFile", kHiddenPermanent | PropertyFlag::Version7);
    markVersion(security, {"allowInsecureDomain"}, PropertyFlag::Version7);

    Object* resolverProto = in.newObject();
    Object* resolver = in.newFunction(nothing(), [](Interpreter&, Object* self, const Args&) -> Value { return self; });
    resolver->put("prototype", resolverProto, kHiddenPermanent);
    resolverProto->put("constructor", resolver, kHiddenPermanent);
    scriptMethod(in, resolverProto, "resolve", nothing(), kHiddenPermanent);
    security->put("PolicyFileResolver", resolver, kHiddenPermanent);
}

void installIme(Interpreter& in, Object* system)
{
    Object* ime = in.newObject();
    system->put("IME", ime, kHidden);
    const std::pair<const char*, const char*> modes[] = {
        {"ALPHANUMERIC_FULL", "ALPHANUMERIC_FULL"},
        {"ALPHANUMERIC_HALF", "ALPHANUMERIC_HALF"},
        {"CHINESE", "CHINESE"},
        {"JAPANESE_HIRAGANA", "JAPANESE_HIRAGANA"},
        {"JAPANESE_KATAKANA_FULL", "JAPANESE_KATAKANA_FULL"},
        {"JAPANESE_KATAKANA_HALF", "JAPANESE_KATAKANA_HALF"},
        {"KOREAN", "KOREAN"},
        {"UNKNOWN", "UNKNOWN"},
    };
    for (const auto& [name, value] : modes)
        ime->put(name, value, kHiddenPermanent | PropertyFlag::ReadOnly);
    // No input method editor here: it is never enabled and converts nothing.
    nativeMethod(in, ime, "getEnabled", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, ime, "setEnabled", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, ime, "getConversionMode", [](Interpreter&, Object*, const Args&) -> Value { return "UNKNOWN"; });
    nativeMethod(in, ime, "setConversionMode", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, ime, "setCompositionString", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, ime, "doConversion", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    in.callMethod(in.global()->findOwn("AsBroadcaster") ? in.global()->findOwn("AsBroadcaster")->value : Value(), "initialize", {ime});
    // Its members and its prototype link are locked, as Key's are.
    env::addFlagsToAll(ime, env::kLocked);
}

// System.Product: another installed player product, which this player
// can neither download nor launch.
void installProduct(Interpreter& in, Object* system)
{
    Object* proto = in.newObject();
    // A product's own members, its prototype link included, are locked.
    Object* product = in.newFunction(nothing(), [](Interpreter&, Object* self, const Args&) -> Value {
        if (self)
            env::addFlagsToAll(self, env::kLocked);
        return self;
    });
    product->put("prototype", proto, kHiddenPermanent);
    proto->put("constructor", product, kHiddenPermanent);
    nativeMethod(in, proto, "download", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, proto, "launch", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    system->put("Product", product, kHiddenPermanent);
}

// Accessibility: no screen reader is ever attached, so it is never active
// and there is no one to tell of changes.
void installAccessibility(Interpreter& in)
{
    Object* accessibility = in.newObject();
    in.global()->put("Accessibility", accessibility, PropertyFlag::DontEnum);
    nativeMethod(in, accessibility, "isActive", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, accessibility, "updateProperties", nothing());
    nativeMethod(in, accessibility, "sendEvent", nothing());
    env::addFlagsToAll(accessibility, env::kLocked);
}

} // namespace

void installSystem(Interpreter& in)
{
    Object* system = in.newObject();
    in.global()->put("System", system, PropertyFlag::DontEnum);
    installCapabilities(in, system);
    installSecurity(in, system);
    installIme(in, system);
    system->put("exactSettings", in.swfVersion() >= 7, kHiddenPermanent | PropertyFlag::Version7);
    system->put("useCodepage", false, kHiddenPermanent);
    nativeMethod(in, system, "setClipboard", [](Interpreter&, Object*, const Args& args) -> Value { return !args.empty(); });
    nativeMethod(in, system, "showSettings", nothing());
    installProduct(in, system);
    installAccessibility(in);
    // Status messages nobody else handles arrive here.
    scriptMethod(in, system, "onStatus", nothing(), kHiddenPermanent);
}

} // namespace swf::script
