// Stage, Key, Mouse, Selection, Color, Sound and TextFormat against a host
// with a stage, a keyboard, a pointer, named clips with colour transforms
// and a keyboard focus.

#include "support/test_host.h"

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/text_field.h"
#include "swf/script/builtins/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

using namespace swf::script;

namespace {

class EnvHost : public test::TestHost {
public:
    std::string scaleMode = "showAll";
    std::string align;
    std::set<int> keysDown;
    int keyCode = 0;
    int keyAscii = 0;
    bool mouseVisible = true;
    std::map<std::string, Object*> children; // clips under the root, by name
    std::map<Object*, swf::ColorTransform> transforms;
    Object* focused = nullptr;

    Object* child(Object*, const std::string& name) override
    {
        auto it = children.find(name);
        return it == children.end() ? nullptr : it->second;
    }
    std::string targetPath(Object* clip, bool) override
    {
        for (const auto& [name, object] : children) {
            if (object == clip)
                return "_level0." + name;
        }
        return "_level0";
    }
    double stageWidth() override { return 550; }
    double stageHeight() override { return 400; }
    std::string stageScaleMode() override { return scaleMode; }
    void setStageScaleMode(const std::string& mode) override { scaleMode = mode; }
    std::string stageAlign() override { return align; }
    void setStageAlign(const std::string& a) override { align = a; }
    bool keyIsDown(int code) override { return keysDown.count(code) > 0; }
    int lastKeyCode() override { return keyCode; }
    int lastKeyAscii() override { return keyAscii; }
    void setMouseVisible(bool visible) override { mouseVisible = visible; }
    bool clipColorTransform(Object* clip, swf::ColorTransform& out) override
    {
        if (!clip || clip->objectClass() != ObjectClass::Clip)
            return false;
        out = transforms[clip];
        return true;
    }
    void setClipColorTransform(Object* clip, const swf::ColorTransform& t) override { transforms[clip] = t; }
    Object* focus() override { return focused; }
    bool setFocus(Object* object) override
    {
        if (object == rootClip)
            return false;
        focused = object;
        return true;
    }
};

struct EnvMachine {
    explicit EnvMachine(int version = 8)
    {
        vm = std::make_unique<Interpreter>(host, version);
        host.rootClip = vm->newObject();
        host.rootClip->setObjectClass(ObjectClass::Clip);
    }
    Value global(const std::string& name) { return vm->getMember(vm->global(), name); }
    Value get(const Value& o, const std::string& name) { return vm->getMember(o, name); }
    std::string text(const Value& v) { return vm->toString(v); }
    Value call(const Value& o, const std::string& method, const std::vector<Value>& args = {})
    {
        return vm->callMethod(o, method, args);
    }
    Object* addClip(const std::string& name)
    {
        Object* clip = vm->newObject();
        clip->setObjectClass(ObjectClass::Clip);
        host.children[name] = clip;
        vm->setMember(host.rootClip, name, clip);
        return clip;
    }
    // A plain object with the given members.
    Object* object(const std::vector<std::pair<std::string, Value>>& members)
    {
        Object* o = vm->newObject();
        for (const auto& [name, value] : members)
            o->put(name, value);
        return o;
    }

    EnvHost host;
    std::unique_ptr<Interpreter> vm;
};

} // namespace

TEST(Stage, ScaleModeTakesKnownNamesInAnyCaseAndOthersAsShowAll)
{
    EnvMachine m;
    Value stage = m.global("Stage");
    const struct {
        Value set;
        const char* expected;
    } cases[] = {
        {"noborder", "noBorder"}, {"EXACTFIT", "exactFit"}, {"foo", "showAll"},
        {"noScale", "noScale"}, {Value::null(), "showAll"}, {"exactfit", "exactFit"}, {true, "showAll"},
    };
    for (const auto& c : cases) {
        m.vm->setMember(stage, "scaleMode", c.set);
        EXPECT_EQ(m.text(m.get(stage, "scaleMode")), c.expected) << m.text(c.set);
    }
}

TEST(Stage, NativeNumbersReachBothHalvesOfScaleMode)
{
    EnvMachine m;
    Value asNative = m.global("ASnative");
    Object* stage = m.global("Stage").asObject();
    Value setter = m.vm->call(asNative, nullptr, {666, 2});
    Value getter = m.vm->call(asNative, nullptr, {666, 1});
    m.vm->call(setter, stage, {"exactfit"});
    EXPECT_EQ(m.text(m.vm->call(getter, stage, {})), "exactFit");
    m.vm->call(setter, stage, {});
    EXPECT_EQ(m.text(m.get(m.global("Stage"), "scaleMode")), "exactFit");
}

TEST(Stage, SizeComesFromTheHostAndCannotBeAssigned)
{
    EnvMachine m;
    Value stage = m.global("Stage");
    m.vm->setMember(stage, "width", 10);
    EXPECT_EQ(m.get(stage, "width").asNumber(), 550);
    EXPECT_EQ(m.get(stage, "height").asNumber(), 400);
}

TEST(Stage, AlignKeepsOnlyTheSideLettersInTheOrderLTRB)
{
    EnvMachine m;
    Value stage = m.global("Stage");
    for (const auto& [set, expected] : std::vector<std::pair<std::string, std::string>>{{"tl", "LT"}, {"BR", "RB"}, {"xyz", ""}, {"T", "T"}}) {
        m.vm->setMember(stage, "align", set);
        EXPECT_EQ(m.text(m.get(stage, "align")), expected) << set;
    }
}

TEST(Stage, ListenersHearBroadcastEvents)
{
    EnvMachine m;
    Value stage = m.global("Stage");
    int resized = 0;
    Object* listener = m.vm->newObject();
    m.vm->defineMethod(listener, "onResize", [&resized](Interpreter&, Object*, const Args&) -> Value {
        ++resized;
        return Value();
    });
    m.call(stage, "addListener", {listener});
    m.call(stage, "broadcastMessage", {"onResize"});
    EXPECT_EQ(resized, 1);
}

TEST(Key, ConstantsAreLockedAndHidden)
{
    EnvMachine m;
    Value key = m.global("Key");
    m.vm->setMember(key, "LEFT", 5);
    EXPECT_EQ(m.get(key, "LEFT").asNumber(), 37);
    EXPECT_FALSE(m.vm->deleteMember(key.asObject(), "ENTER"));
    EXPECT_TRUE(m.vm->enumerableNames(key.asObject()).empty());
    const std::map<std::string, int> codes = {{"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46},
                                              {"DOWN", 40},     {"END", 35},      {"ENTER", 13},   {"ESCAPE", 27},
                                              {"HOME", 36},     {"INSERT", 45},   {"PGDN", 34},    {"PGUP", 33},
                                              {"RIGHT", 39},    {"SHIFT", 16},    {"SPACE", 32},   {"TAB", 9},
                                              {"UP", 38}};
    for (const auto& [name, code] : codes)
        EXPECT_EQ(m.get(key, name).asNumber(), code) << name;
}

TEST(Key, QueriesAskTheHost)
{
    EnvMachine m;
    Value key = m.global("Key");
    m.host.keysDown = {37};
    m.host.keyCode = 65;
    m.host.keyAscii = 97;
    EXPECT_TRUE(m.call(key, "isDown", {37}).asBool());
    EXPECT_FALSE(m.call(key, "isDown", {38}).asBool());
    EXPECT_FALSE(m.call(key, "isDown", {"left"}).asBool());
    EXPECT_EQ(m.call(key, "getCode").asNumber(), 65);
    EXPECT_EQ(m.call(key, "getAscii").asNumber(), 97);
}

TEST(Mouse, HideAndShowAnswerWhetherThePointerWasVisible)
{
    EnvMachine m;
    Value mouse = m.global("Mouse");
    EXPECT_EQ(m.call(mouse, "hide").asNumber(), 1);
    EXPECT_FALSE(m.host.mouseVisible);
    EXPECT_EQ(m.call(mouse, "hide").asNumber(), 0);
    EXPECT_EQ(m.call(mouse, "show").asNumber(), 0);
    EXPECT_TRUE(m.host.mouseVisible);
    EXPECT_EQ(m.call(mouse, "show").asNumber(), 1);
}

TEST(Selection, ClipsTakeTheFocusOnlyWhenFocusEnabledAndAnswerFalse)
{
    EnvMachine m(6);
    Value selection = m.global("Selection");
    Object* a = m.addClip("a");
    EXPECT_FALSE(m.call(selection, "setFocus", {a}).asBool());
    EXPECT_TRUE(m.call(selection, "getFocus").isNull());
    a->put("focusEnabled", true);
    EXPECT_FALSE(m.call(selection, "setFocus", {"a"}).asBool());
    EXPECT_EQ(m.text(m.call(selection, "getFocus")), "_level0.a");
    EXPECT_TRUE(m.call(selection, "setFocus", {Value::null()}).asBool());
    EXPECT_TRUE(m.call(selection, "getFocus").isNull());
    EXPECT_FALSE(m.call(selection, "setFocus").asBool());
    m.host.rootClip->put("focusEnabled", true);
    EXPECT_FALSE(m.call(selection, "setFocus", {m.host.rootClip}).asBool());
    EXPECT_TRUE(m.call(selection, "getFocus").isNull());
}

TEST(Selection, IndexesAreTheFocusedFieldsOwn)
{
    EnvMachine m;
    Value selection = m.global("Selection");
    EXPECT_EQ(m.call(selection, "getBeginIndex").asNumber(), -1);
    EXPECT_EQ(m.call(selection, "getCaretIndex").asNumber(), -1);
    auto state = std::make_shared<swf::text::TextFieldState>(swf::text::newTextField(100, 20));
    state->setText("hello");
    Object* field = makeTextFieldObject(*m.vm, state, nullptr);
    EXPECT_TRUE(m.call(selection, "setFocus", {field}).asBool());
    // A field never selected has no selection (this host selects nothing
    // on focus).
    EXPECT_EQ(m.call(selection, "getBeginIndex").asNumber(), -1);
    m.call(selection, "setSelection", {4, 99});
    EXPECT_EQ(m.call(selection, "getBeginIndex").asNumber(), 4);
    EXPECT_EQ(m.call(selection, "getEndIndex").asNumber(), 5);
    // The caret goes to the second index, even where it is the smaller.
    m.call(selection, "setSelection", {3, 1});
    EXPECT_EQ(m.call(selection, "getBeginIndex").asNumber(), 1);
    EXPECT_EQ(m.call(selection, "getCaretIndex").asNumber(), 1);
    EXPECT_EQ(m.call(selection, "getEndIndex").asNumber(), 3);
    // Either call takes its arguments exactly: one index or three change
    // nothing, nor does a second argument to setFocus.
    m.call(selection, "setSelection", {2});
    m.call(selection, "setSelection", {0, 2, 4});
    EXPECT_EQ(m.call(selection, "getBeginIndex").asNumber(), 1);
    EXPECT_EQ(m.call(selection, "getEndIndex").asNumber(), 3);
    EXPECT_FALSE(m.call(selection, "setFocus", {Value::null(), 5}).asBool());
    EXPECT_EQ(m.call(selection, "getCaretIndex").asNumber(), 1);
    // replaceSel replaces the selection and leaves the caret after its text.
    m.call(field, "replaceSel", {"-"});
    EXPECT_EQ(state->textString(), "h-lo");
    EXPECT_EQ(m.call(selection, "getCaretIndex").asNumber(), 2);
    EXPECT_EQ(m.call(selection, "getEndIndex").asNumber(), 2);
}

TEST(Color, TransformsRoundTripInThePlayersUnits)
{
    const struct {
        std::vector<std::pair<std::string, Value>> set;
        double rgb;
        std::vector<double> transform; // ra rb ga gb ba bb aa ab
    } cases[] = {
        {{{"ra", 10}, {"rb", 20}, {"ga", 30}, {"gb", 40}, {"ba", 50}, {"bb", 60}, {"aa", 70}, {"ab", 80}},
         1321020,
         {9.765625, 20, 29.6875, 40, 50, 60, 69.921875, 80}},
        {{{"ra", 1}, {"ga", -10}, {"ba", 1000}, {"aa", -10000}}, 0, {0.78125, 0, -9.765625, 0, 1000, 0, -10000, 0}},
        {{}, 0, {100, 0, 100, 0, 100, 0, 100, 0}},
        {{{"rb", -1}}, -65536, {100, -1, 100, 0, 100, 0, 100, 0}},
        {{{"gb", -1}, {"bb", -314.141}}, -58, {100, 0, 100, -1, 100, -314, 100, 0}},
    };
    for (const auto& c : cases) {
        EnvMachine m;
        m.addClip("movie");
        Value color = m.vm->construct(m.global("Color"), {"movie"});
        m.call(color, "setTransform", {m.object(c.set)});
        EXPECT_EQ(m.call(color, "getRGB").asNumber(), c.rgb);
        Value t = m.call(color, "getTransform");
        const char* names[] = {"ra", "rb", "ga", "gb", "ba", "bb", "aa", "ab"};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(m.get(t, names[i]).asNumber(), c.transform[i]) << names[i] << " case rgb " << c.rgb;
    }
}

TEST(Color, SetRGBReplacesTheColourAndKeepsAlpha)
{
    EnvMachine m;
    Object* clip = m.addClip("movie");
    m.host.transforms[clip].aMult = 0.5;
    Value color = m.vm->construct(m.global("Color"), {clip});
    m.call(color, "setRGB", {0x14283C});
    EXPECT_EQ(m.call(color, "getRGB").asNumber(), 0x14283C);
    const swf::ColorTransform& t = m.host.transforms[clip];
    EXPECT_EQ(t.rMult, 0);
    EXPECT_EQ(t.gAdd, 0x28);
    EXPECT_EQ(t.aMult, 0.5);
}

TEST(Color, TargetIsLockedAndNothingHappensWithoutAClip)
{
    EnvMachine m;
    Value color = m.vm->construct(m.global("Color"), {"nowhere"});
    EXPECT_TRUE(m.call(color, "getRGB").isUndefined());
    EXPECT_TRUE(m.call(color, "getTransform").isUndefined());
    m.vm->setMember(color, "target", "elsewhere");
    EXPECT_EQ(m.text(m.get(color, "target")), "nowhere");
}

TEST(Color, AnObjectTargetNamesItsClipByToStringAtEachCall)
{
    EnvMachine m;
    Object* clip = m.addClip("movie");
    Object* named = m.vm->newObject();
    int asked = 0;
    named->put("toString", m.vm->newFunction([&asked](Interpreter&, Object*, const Args&) -> Value {
        ++asked;
        return "movie";
    }));
    Value color = m.vm->construct(m.global("Color"), {named});
    EXPECT_EQ(asked, 0);
    m.call(color, "setRGB", {0x102030});
    EXPECT_EQ(m.call(color, "getRGB").asNumber(), 0x102030);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(m.host.transforms[clip].bAdd, 0x30);
}

TEST(Stage, ListenersAreAMemberFromVersion6)
{
    EnvMachine m5(5);
    EXPECT_TRUE(m5.get(m5.global("Stage"), "addListener").isUndefined());
    EXPECT_TRUE(m5.get(m5.global("Key"), "removeListener").isUndefined());
    EnvMachine m6(6);
    EXPECT_TRUE(m6.get(m6.global("Stage"), "addListener").isObject());
}

namespace {

// "{ ll, rl, lr, rr} (volume, pan)" as the corpus movies print a Sound.
std::string describe(EnvMachine& m, const Value& sound)
{
    Value t = m.call(sound, "getTransform");
    if (!t.isObject())
        return "none";
    return m.text(m.get(t, "ll")) + " " + m.text(m.get(t, "rl")) + " " + m.text(m.get(t, "lr")) + " " + m.text(m.get(t, "rr"))
           + " (" + m.text(m.call(sound, "getVolume")) + ", " + m.text(m.call(sound, "getPan")) + ")";
}

} // namespace

TEST(Sound, PanAndMixDeriveFromEachOther)
{
    const struct {
        const char* method;
        Value argument;
        const char* expected;
    } cases[] = {
        {"setPan", -20, "100 0 0 80 (100, -20)"},
        {"setPan", 20, "80 0 0 100 (100, 20)"},
        {"setPan", -1234567890, "100 0 0 -1234567790 (100, 1234567690)"},
        {"setPan", std::nan(""), "100 0 0 100 (100, 0)"},
        {"setVolume", 1234567890, "100 0 0 100 (1234567890, 0)"},
        {"setVolume", INFINITY, "100 0 0 100 (0, 0)"},
    };
    for (const auto& c : cases) {
        EnvMachine m;
        Value sound = m.vm->construct(m.global("Sound"), {});
        m.call(sound, c.method, {c.argument});
        EXPECT_EQ(describe(m, sound), c.expected) << c.method << " " << m.text(c.argument);
    }
}

TEST(Sound, SetTransformTakesOwnPlainMembersOnly)
{
    EnvMachine m;
    Value sound = m.vm->construct(m.global("Sound"), {});
    Object* proto = m.object({{"rr", 7}});
    Object* mix = m.object({{"ll", 44}, {"__proto__", proto}});
    Object* getter = m.vm->newFunction([](Interpreter&, Object*, const Args&) -> Value { return 88; });
    mix->setAccessor("lr", getter, nullptr);
    m.call(sound, "setTransform", {mix});
    EXPECT_EQ(describe(m, sound), "44 0 0 100 (100, 56)");
}

TEST(Sound, VolumeBelongsToTheTarget)
{
    EnvMachine m(6);
    m.addClip("a");
    Value first = m.vm->construct(m.global("Sound"), {"a"});
    Value second = m.vm->construct(m.global("Sound"), {m.host.children["a"]});
    Value root = m.vm->construct(m.global("Sound"), {m.host.rootClip});
    Value global = m.vm->construct(m.global("Sound"), {});
    m.call(first, "setVolume", {30});
    m.call(global, "setVolume", {60});
    EXPECT_EQ(m.call(second, "getVolume").asNumber(), 30);
    EXPECT_EQ(m.call(root, "getVolume").asNumber(), 100);
    EXPECT_EQ(m.call(global, "getVolume").asNumber(), 60);

    // A clip gone from its place (renamed, removed) is no longer a target,
    // however it was given.
    m.host.children.erase("a");
    m.vm->setMember(m.host.rootClip, "a", Value());
    EXPECT_EQ(describe(m, first), "none");
    EXPECT_EQ(describe(m, second), "none");
    EXPECT_EQ(m.call(root, "getVolume").asNumber(), 100);
}

TEST(Sound, LoadSoundStartsAMixOfItsOwn)
{
    EnvMachine m(6);
    Value sound = m.vm->construct(m.global("Sound"), {m.host.rootClip});
    m.call(sound, "setVolume", {25});
    m.call(sound, "loadSound", {"test.mp3", true});
    EXPECT_EQ(m.call(sound, "getVolume").asNumber(), 100);
    Value root = m.vm->construct(m.global("Sound"), {m.host.rootClip});
    EXPECT_EQ(m.call(root, "getVolume").asNumber(), 25);
}

TEST(Sound, StreamingMembersAreHiddenFromVersion5)
{
    EnvMachine m(5);
    Value sound = m.vm->construct(m.global("Sound"), {});
    EXPECT_TRUE(m.get(sound, "loadSound").isUndefined());
    EXPECT_TRUE(m.get(sound, "setVolume").isObject());
}

TEST(TextFormat, SettersConvertAsTheOriginalPlayer)
{
    const struct {
        int version;
        const char* member;
        Value set;
        const char* expected;
    } cases[] = {
        {6, "size", "1", "1"},
        {6, "size", -1, "-1"},
        {6, "leftMargin", -1, "0"},
        {6, "indent", std::nan(""), "0"},
        {8, "indent", std::nan(""), "-2147483648"},
        {8, "leftMargin", std::nan(""), "0"},
        {8, "leftMargin", INFINITY, "-2147483648"},
        {6, "color", -1, "4294967295"},
        {6, "bold", "true", "false"},
        {8, "kerning", "0", "true"},
        {6, "align", "CENTER", "center"},
        {6, "align", "middle", "null"},
        {6, "display", "INLINE", "block"},
        {6, "display", "none", "none"},
        {6, "display", "nowhere", "block"},
        {6, "tabStops", "abc", "0,0,0"},
        {6, "tabStops", 5, "null"},
        {6, "font", Value::null(), "null"},
        {8, "letterSpacing", 0.5, "0.5"},
    };
    for (const auto& c : cases) {
        EnvMachine m(c.version);
        Value format = m.vm->construct(m.global("TextFormat"), {});
        m.vm->setMember(format, c.member, c.set);
        EXPECT_EQ(m.text(m.get(format, c.member)), c.expected) << c.version << " " << c.member << " " << m.text(c.set);
    }
}

TEST(TextFormat, ObjectsAreAskedForTwoNumbersAndOneString)
{
    for (int version : {6, 8}) {
        EnvMachine m(version);
        int numbers = 0, strings = 0;
        Object* value = m.vm->newObject();
        m.vm->defineMethod(value, "valueOf", [&numbers](Interpreter&, Object*, const Args&) -> Value { return ++numbers; });
        m.vm->defineMethod(value, "toString", [&strings](Interpreter&, Object*, const Args&) -> Value {
            ++strings;
            return "text";
        });
        Value format = m.vm->construct(m.global("TextFormat"), {});
        m.vm->setMember(format, "size", value);
        EXPECT_EQ(numbers, 2);
        EXPECT_EQ(strings, 1);
        // The version 8 player measures in the second answer.
        EXPECT_EQ(m.get(format, "size").asNumber(), version >= 8 ? 2 : 1);
        m.vm->setMember(format, "font", value);
        EXPECT_EQ(m.text(m.get(format, "font")), "text");
    }
}

TEST(TextFormat, TabStopsWithoutEntriesKeepWhetherThereWereAny)
{
    EnvMachine m(6);
    Value format = m.vm->construct(m.global("TextFormat"), {});
    Value empty = m.vm->newArray();
    m.vm->setMember(format, "tabStops", empty);
    EXPECT_TRUE(m.get(format, "tabStops").isNull());
    m.vm->setMember(format, "tabStops", m.vm->newArray({1, "2", "x"}));
    EXPECT_EQ(m.text(m.get(format, "tabStops")), "1,2,0");
    m.vm->setMember(format, "tabStops", empty);
    EXPECT_EQ(m.text(m.get(format, "tabStops")), "");
}

TEST(TextFormat, ConstructorArgumentsAndNativeHelpers)
{
    EnvMachine m(6);
    Value format = m.vm->construct(m.global("TextFormat"),
                                   {"str", -2, 16711935, true, true, true, "http://x", "_self", "center", 2, 2, 2});
    std::optional<swf::text::TextFieldFormat> f = textFormatOf(format.asObject());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->font, "str");
    EXPECT_EQ(f->size, -2);
    EXPECT_EQ(f->color, 16711935u);
    EXPECT_EQ(f->align, "center");
    EXPECT_EQ(f->indent, 2);
    EXPECT_FALSE(f->leading);

    swf::text::TextFieldFormat made;
    made.size = 14;
    made.bold = false;
    Value madeObject = makeTextFormat(*m.vm, made);
    EXPECT_EQ(m.get(madeObject, "size").asNumber(), 14);
    EXPECT_TRUE(m.get(madeObject, "font").isNull());
    EXPECT_FALSE(textFormatOf(m.object({})));

    Object* plain = m.object({{"size", "20"}, {"bold", 1}, {"align", "nowhere"}});
    swf::text::TextFieldFormat read = textFormatFromObject(*m.vm, plain);
    EXPECT_EQ(read.size, 20);
    EXPECT_EQ(read.bold, true);
    EXPECT_FALSE(read.align);
}

TEST(TextFormat, NoTextMeasuresNothing)
{
    EnvMachine m(7);
    Value format = m.vm->construct(m.global("TextFormat"), {"_sans", 12});
    Value empty = m.call(format, "getTextExtent", {""});
    EXPECT_EQ(m.get(empty, "width").asNumber(), 0);
    EXPECT_EQ(m.get(empty, "height").asNumber(), 0);
    EXPECT_GT(m.get(m.call(format, "getTextExtent", {"x"}), "height").asNumber(), 0);
}

TEST(TextFormat, TextExtentIsABareObjectAndAGivenWidthIsTheFields)
{
    EnvMachine m(8);
    Value format = m.vm->construct(m.global("TextFormat"), {"_sans", 12});
    Value extent = m.call(format, "getTextExtent", {"Hello there, a few words"});
    // No prototype at all: it converts as an object without toString.
    EXPECT_TRUE(m.get(extent, "__proto__").isUndefined());
    EXPECT_EQ(m.vm->toString(extent), "[type Object]");
    const double width = m.get(extent, "width").asNumber();
    EXPECT_EQ(m.get(extent, "textFieldWidth").asNumber(), width + 4);
    // Wrapped in 60 pixels: the field is 60 wide, its text inside the gutters.
    Value wrapped = m.call(format, "getTextExtent", {"Hello there, a few words", 60});
    EXPECT_EQ(m.get(wrapped, "textFieldWidth").asNumber(), 60);
    EXPECT_LE(m.get(wrapped, "width").asNumber(), 56);
    EXPECT_GT(m.get(wrapped, "height").asNumber(), m.get(extent, "height").asNumber());
}

TEST(TextFormat, MembersAppearOnAReplacedPrototypeWithTheNextFormat)
{
    EnvMachine m(6);
    Value ctor = m.global("TextFormat");
    Object* proto = m.get(ctor, "prototype").asObject();
    ASSERT_TRUE(proto);
    EXPECT_FALSE(proto->findOwn("size"));
    m.vm->construct(ctor, {});
    EXPECT_TRUE(proto->findOwn("size"));
    Object* replacement = m.vm->newObject();
    m.vm->setMember(ctor, "prototype", replacement);
    Value format = m.vm->construct(ctor, {});
    EXPECT_TRUE(replacement->findOwn("size"));
    EXPECT_TRUE(m.get(format, "getTextExtent").isObject());
    Value extent = m.call(format, "getTextExtent", {"Hello"});
    EXPECT_GT(m.get(extent, "width").asNumber(), 0);
    EXPECT_EQ(m.get(extent, "textFieldHeight").asNumber(), m.get(extent, "height").asNumber() + 4);
}

TEST(Sound, ScriptSubclassesGetASoundThroughSuper)
{
    EnvMachine m(7);
    // A subclass prototype inheriting Sound.prototype, its instance set up by
    // calling Sound on it as super() does; a plain call does nothing.
    Object* proto = m.vm->newObject(m.get(m.global("Sound"), "prototype").asObject());
    Object* instance = m.vm->newObject(proto);
    m.vm->call(m.global("Sound"), instance, {});
    m.call(instance, "setVolume", {40});
    EXPECT_EQ(m.call(instance, "getVolume").asNumber(), 40);
    Object* plain = m.vm->newObject();
    m.vm->call(m.global("Sound"), plain, {});
    EXPECT_FALSE(plain->extension());
}
