// Script values as AMF0: which objects are typed and by which name, when an
// array is strict, references and cycles, what is left out, the bounds that
// keep hostile data in check, and the classes that send it (NetConnection,
// SharedObject, LocalConnection).

#include "support/test_host.h"

#include "swf/script/amf_values.h"

#include <gtest/gtest.h>

using namespace swf;
using namespace swf::script;
using swf::script::test::Machine;
using amf0::AmfValue;
using Type = AmfValue::Type;

namespace {

Value global(Machine& m, const char* name) { return m.vm->getMember(m.vm->global(), name); }

// A function made by script, to register as a class.
Value newClass(Machine& m) { return m.vm->newFunction([](Interpreter&, Object*, const std::vector<Value>&) -> Value { return Value(); }); }

AmfValue encoded(Machine& m, const Value& v, AmfEncoder::Arrays arrays = AmfEncoder::Arrays::StrictWhenDense)
{
    AmfEncoder encoder(*m.vm, arrays);
    return encoder.encode(v);
}

} // namespace

TEST(AmfValues, TypedObjectsNameTheLastAliasStillHeldByTheirOwnConstructor)
{
    Machine m(8);
    auto alias = [&](const char* name, const Value& ctor) { m.vm->callMethod(global(m, "Object"), "registerClass", {Value(name), ctor}); };
    Value twice = newClass(m);
    Value robbed = newClass(m);
    Value thief = newClass(m);
    alias("First", twice);
    alias("Second", twice);
    alias("Shared", robbed);
    alias("Shared", thief);
    EXPECT_EQ(encoded(m, m.vm->construct(twice, {})).string, "Second");
    EXPECT_EQ(encoded(m, m.vm->construct(robbed, {})).type, Type::Object);
    const AmfValue stolen = encoded(m, m.vm->construct(thief, {}));
    EXPECT_EQ(stolen.type, Type::TypedObject);
    EXPECT_EQ(stolen.string, "Shared");

    // An own constructor names the class; a borrowed prototype does not.
    Value forged = m.vm->newObject();
    m.vm->setMember(forged, "constructor", twice);
    EXPECT_EQ(encoded(m, forged).string, "Second");
    Value borrowed = m.vm->construct(global(m, "Object"), {});
    m.vm->setMember(borrowed, "__proto__", m.vm->getMember(twice, "prototype"));
    EXPECT_EQ(encoded(m, borrowed).type, Type::Object);

    // Unregistering gives the name up.
    m.vm->callMethod(global(m, "Object"), "registerClass", {Value("Second"), Value::null()});
    EXPECT_EQ(encoded(m, m.vm->construct(twice, {})).string, "First");
}

TEST(AmfValues, AliasesIgnoreCaseBeforeSwf7)
{
    for (int version : {6, 8}) {
        Machine m(version);
        Value original = newClass(m);
        Value replacement = newClass(m);
        m.vm->callMethod(global(m, "Object"), "registerClass", {Value("alias"), original});
        m.vm->callMethod(global(m, "Object"), "registerClass", {Value("Alias"), replacement});
        const AmfValue first = encoded(m, m.vm->construct(original, {}));
        const AmfValue second = encoded(m, m.vm->construct(replacement, {}));
        EXPECT_EQ(first.type, version < 7 ? Type::Object : Type::TypedObject) << version;
        EXPECT_EQ(second.string, "Alias") << version;
        EXPECT_EQ(m.vm->registeredClasses().size(), version < 7 ? 1u : 2u);
    }
}

TEST(AmfValues, MembersGoInOrderWithoutFunctionsGettersOrClips)
{
    Machine m(8);
    int getterCalls = 0;
    Value proto = m.vm->newObject();
    m.vm->setMember(proto, "inherited", Value(3));
    Value o = m.vm->newObject();
    m.vm->setMember(o, "__proto__", proto);
    m.vm->setMember(o, "b", Value(1));
    m.vm->setMember(o, "a", Value("x"));
    m.vm->setMember(o, "method", newClass(m));
    Object* getter = m.vm->newFunction([&getterCalls](Interpreter&, Object*, const std::vector<Value>&) -> Value {
        ++getterCalls;
        return Value(9);
    });
    m.vm->callMethod(o, "addProperty", {Value("computed"), getter, Value::null()});
    m.vm->setMember(o, "clip", Value(m.host.rootClip));
    m.vm->setMember(o, "inherited", Value(4)); // shadows the prototype's

    const AmfValue v = encoded(m, o);
    ASSERT_EQ(v.members.size(), 5u);
    EXPECT_EQ(v.members[0].first, "b");
    EXPECT_EQ(v.members[1].first, "a");
    EXPECT_EQ(v.members[2].first, "computed");
    EXPECT_EQ(v.members[2].second.type, Type::Undefined);
    EXPECT_EQ(v.members[3].first, "clip");
    EXPECT_EQ(v.members[3].second.type, Type::Undefined);
    EXPECT_EQ(v.members[4].first, "inherited");
    EXPECT_EQ(v.members[4].second.number, 4);
    EXPECT_EQ(getterCalls, 0);
    // A function given on its own goes as an object.
    EXPECT_EQ(encoded(m, newClass(m)).type, Type::Object);
}

TEST(AmfValues, ArraysAreStrictUnlessTheyHoldNamedMembers)
{
    Machine m(8);
    Value sparse = m.vm->newArray({});
    m.vm->setMember(sparse, "0", Value("a"));
    m.vm->setMember(sparse, "3", Value("d"));
    const AmfValue strict = encoded(m, sparse);
    ASSERT_EQ(strict.type, Type::StrictArray);
    ASSERT_EQ(strict.items.size(), 4u);
    EXPECT_EQ(strict.items[1].type, Type::Undefined);
    EXPECT_EQ(strict.items[3].string, "d");

    // Methods scripts give every array are left out and leave it strict.
    m.vm->setMember(m.vm->getMember(global(m, "Array"), "prototype"), "extra", newClass(m));
    EXPECT_EQ(encoded(m, sparse).type, Type::StrictArray);
    // A shared object's file writes it as an ECMA array all the same.
    const AmfValue kept = encoded(m, sparse, AmfEncoder::Arrays::AlwaysEcma);
    EXPECT_EQ(kept.type, Type::EcmaArray);
    EXPECT_EQ(kept.declaredLength, 4u);
    EXPECT_EQ(kept.members.size(), 2u);

    // A named member or an index that is no array index makes an ECMA
    // array whose length counts the items only.
    for (const char* name : {"named", "-1", "1.5", "01"}) {
        Value mixed = m.vm->newArray({Value("x")});
        m.vm->setMember(mixed, name, Value(true));
        const AmfValue ecma = encoded(m, mixed);
        EXPECT_EQ(ecma.type, Type::EcmaArray) << name;
        EXPECT_EQ(ecma.declaredLength, 1u) << name;
        ASSERT_EQ(ecma.members.size(), 2u) << name;
        EXPECT_EQ(ecma.members[1].first, name);
    }

    // An object that only looks like an array is an object.
    Value lookalike = m.vm->newObject();
    m.vm->setMember(lookalike, "__proto__", m.vm->getMember(global(m, "Array"), "prototype"));
    m.vm->setMember(lookalike, "0", Value(1));
    EXPECT_EQ(encoded(m, lookalike).type, Type::Object);

    // A vast length with nothing in it is not written item by item.
    Value vast = m.vm->newArray({});
    m.vm->setMember(vast, "length", Value(4294967295.0));
    const AmfValue sized = encoded(m, vast);
    EXPECT_EQ(sized.type, Type::EcmaArray);
    EXPECT_TRUE(sized.members.empty());
}

TEST(AmfValues, ObjectsMetAgainAreReferencesAndCyclesEnd)
{
    Machine m(8);
    Value shared = m.vm->newArray({Value(1)});
    Value date = m.vm->construct(global(m, "Date"), {Value(1000.0)});
    Value o = m.vm->newObject();
    m.vm->setMember(o, "self", o);
    m.vm->setMember(o, "when", date);
    m.vm->setMember(o, "a", shared);
    m.vm->setMember(o, "b", shared);
    const AmfValue v = encoded(m, o);
    ASSERT_EQ(v.members.size(), 4u);
    EXPECT_EQ(v.members[0].second.type, Type::Reference);
    EXPECT_EQ(v.members[0].second.number, 0);
    EXPECT_EQ(v.members[1].second.type, Type::Date);
    EXPECT_EQ(v.members[2].second.type, Type::StrictArray);
    // Dates count among the objects a reference names.
    EXPECT_EQ(v.members[3].second.type, Type::Reference);
    EXPECT_EQ(v.members[3].second.number, 2);

    // Read back, a reference is a copy; one that holds itself ends at the depth bound.
    const auto back = amf0::readValues(amf0::write(v));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].member("b")->items.size(), 1u);
    EXPECT_EQ(back[0].member("when")->number, 1000);
}

TEST(AmfValues, DeepNestingIsCutAtTheDepthBound)
{
    Machine m(8);
    Value top = m.vm->newObject();
    Value at = top;
    for (int i = 0; i < 1000; ++i) {
        Value next = m.vm->newObject();
        m.vm->setMember(at, "next", next);
        at = next;
    }
    const AmfValue v = encoded(m, top);
    int depth = 0;
    for (const AmfValue* p = &v; p && p->type == Type::Object; p = p->member("next"))
        ++depth;
    EXPECT_EQ(depth, amf0::kMaxDepth);
    // What was written reads back whole.
    EXPECT_EQ(amf0::readValues(amf0::write(v)).size(), 1u);
}

TEST(AmfValues, NetConnectionCallsPostOneRemoteCallEach)
{
    Machine m(8);
    Value nc = m.vm->construct(global(m, "NetConnection"), {});
    // Not connected to an address: nothing goes.
    m.vm->callMethod(nc, "call", {Value("a.b"), Value::null(), Value(1)});
    m.vm->callMethod(nc, "connect", {Value::null()});
    m.vm->callMethod(nc, "call", {Value("a.b"), Value::null(), Value(1)});
    EXPECT_TRUE(m.host.requests.empty());

    m.vm->callMethod(nc, "connect", {Value("http://host/gateway")});
    m.vm->callMethod(nc, "call", {Value("a.b"), Value::null(), Value(true)});
    m.vm->callMethod(nc, "call", {Value("c"), Value::null()});
    ASSERT_EQ(m.host.requests.size(), 2u);
    const OutgoingRequest& first = m.host.requests[0];
    EXPECT_EQ(first.url, "http://host/gateway");
    EXPECT_EQ(first.method, "POST");
    EXPECT_EQ(first.contentType, "application/x-amf");
    EXPECT_TRUE(first.binary);
    const std::string expected = {0, 0, 0, 0, 0, 1, 0, 3, 'a', '.', 'b', 0, 2, '/', '1', 0, 0, 0, 7, 10, 0, 0, 0, 1, 1, 1};
    EXPECT_EQ(first.body, expected);
    EXPECT_NE(m.host.requests[1].body.find("/2"), std::string::npos);
}

TEST(AmfValues, SharedObjectSizeIsItsFilesSize)
{
    Machine m(8);
    Value so = m.vm->callMethod(global(m, "SharedObject"), "getLocal", {Value("ab")});
    EXPECT_EQ(m.vm->toNumber(m.vm->callMethod(so, "getSize", {})), 0);
    Value data = m.vm->getMember(so, "data");
    m.vm->setMember(data, "n", Value(true));
    m.vm->setMember(data, "skipped", newClass(m));
    // 6 (marker, length) + 10 (signature) + 4 (name) + 4 (version) + 3 + 2 + 1
    EXPECT_EQ(m.vm->toNumber(m.vm->callMethod(so, "getSize", {})), 30);
}

TEST(AmfValues, LocalConnectionMessagesArriveAsReadBackCopies)
{
    Machine m(8);
    Value lc = global(m, "LocalConnection");
    Value sender = m.vm->construct(lc, {});
    Value listener = m.vm->construct(lc, {});
    std::vector<Value> heard;
    m.vm->setMember(listener, "take", Value(m.vm->newFunction([&heard](Interpreter&, Object*, const std::vector<Value>& args) -> Value {
        heard = args;
        return Value();
    })));
    m.vm->callMethod(listener, "connect", {Value("x")});
    Value shared = m.vm->newObject();
    m.vm->setMember(shared, "n", Value(1));
    Value mixed = m.vm->newArray({Value("i")});
    m.vm->setMember(mixed, "named", Value("v"));
    m.vm->callMethod(sender, "send", {Value("x"), Value("take"), shared, shared, mixed,
                                      m.vm->construct(global(m, "XML"), {Value("<a/>")})});
    m.host.now += 100;
    m.vm->runTimers();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_NE(heard[0].asObject(), heard[1].asObject());
    EXPECT_EQ(m.vm->toNumber(m.vm->getMember(heard[1], "n")), 1);
    EXPECT_EQ(m.vm->toString(m.vm->getMember(heard[2], "named")), "v");
    EXPECT_EQ(m.vm->toNumber(m.vm->getMember(heard[2], "length")), 1);
    EXPECT_EQ(m.vm->toString(m.vm->callMethod(heard[3], "toString", {})), "<a />");
}
