// The filter classes: what their members make of odd values, the stops of
// gradient filters, the size of a convolution matrix, copies by clone and by
// the lists clips hand out.

#include "support/test_host.h"

#include "swf/script/builtins/filters.h"

#include <gtest/gtest.h>

using namespace swf;
using namespace swf::script;
using swf::script::test::Machine;

namespace {

Value filterClass(Machine& m, const char* name)
{
    return m.vm->getMember(m.vm->getMember(m.vm->getMember(m.vm->global(), "flash"), "filters"), name);
}

std::string str(Machine& m, const Value& v) { return m.vm->toString(v); }

// The member after assigning `value` to it.
std::string afterSetting(Machine& m, const Value& filter, const char* name, const Value& value)
{
    m.vm->setMember(filter, name, value);
    return str(m, m.vm->getMember(filter, name));
}

Value numbers(Machine& m, std::initializer_list<Value> items) { return m.vm->newArray(std::vector<Value>(items)); }

} // namespace

TEST(FilterClasses, MembersClampRoundAndWrapAsThePlayerDid)
{
    Machine m(8);
    const Value nan = Value(std::nan(""));
    const Value inf = Value(HUGE_VAL);
    const struct {
        const char* cls;
        const char* member;
        Value value;
        const char* expected;
    } cases[] = {
        {"BlurFilter", "blurX", Value(256), "255"},
        {"BlurFilter", "blurX", Value(-0.5), "0"},
        {"BlurFilter", "blurX", Value(15.125), "15.125"},
        {"BlurFilter", "blurX", nan, "NaN"},
        {"BlurFilter", "quality", Value(2.9), "2"},
        {"BlurFilter", "quality", inf, "0"},
        {"BlurFilter", "quality", Value(1e14), "15"},
        {"GlowFilter", "alpha", Value(0.5), "0.498039215686275"},
        {"GlowFilter", "alpha", Value(1.5), "1"},
        {"GlowFilter", "color", Value(-0x12345678), "13347208"},
        {"GlowFilter", "strength", Value(-1), "0"},
        {"DropShadowFilter", "angle", Value(366), "6"},
        {"DropShadowFilter", "angle", Value(-1), "-1"},
        {"DropShadowFilter", "distance", Value(-2.5), "-2.5"},
        {"BevelFilter", "type", Value("outer"), "outer"},
        {"BevelFilter", "type", Value("INNER"), "full"},
        {"DisplacementMapFilter", "componentX", Value(-234.5), "-234"},
        {"DisplacementMapFilter", "scaleY", Value(-65536), "-65535"},
        {"DisplacementMapFilter", "mode", Value("Color"), "wrap"},
        {"DisplacementMapFilter", "mode", Value("ignore"), "ignore"},
    };
    for (const auto& c : cases) {
        const Value f = m.vm->construct(filterClass(m, c.cls), {});
        EXPECT_EQ(afterSetting(m, f, c.member, c.value), c.expected) << c.cls << "." << c.member;
    }
}

TEST(FilterClasses, ConstructorsTakeTheirArgumentsInOrderThroughTheMembers)
{
    Machine m(8);
    const Value blur = m.vm->construct(filterClass(m, "BlurFilter"), {Value(300), Value()});
    EXPECT_EQ(str(m, m.vm->getMember(blur, "blurX")), "255");
    EXPECT_EQ(str(m, m.vm->getMember(blur, "blurY")), "NaN");
    EXPECT_EQ(str(m, m.vm->getMember(blur, "quality")), "1");
    // A convolution's colour given without its alpha is opaque; left out, clear.
    const Value convolution = filterClass(m, "ConvolutionFilter");
    std::vector<Value> withColour = {Value(1), Value(1), numbers(m, {Value(1)}), Value(1), Value(0), Value(true), Value(true), Value(128)};
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->construct(convolution, withColour), "alpha")), "1");
    withColour.pop_back();
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->construct(convolution, withColour), "alpha")), "0");
    // Called without new they make nothing.
    EXPECT_TRUE(m.vm->call(filterClass(m, "BlurFilter"), nullptr, {}).isUndefined());
    // The glow's own defaults.
    const Value glow = m.vm->construct(filterClass(m, "GlowFilter"), {});
    EXPECT_EQ(str(m, m.vm->getMember(glow, "color")), "16711680");
    EXPECT_EQ(str(m, m.vm->getMember(glow, "blurX")), "6");
    // The package belongs to SWF 8.
    Machine m7(7);
    EXPECT_TRUE(m7.vm->getMember(m7.vm->global(), "flash").isUndefined());
}

TEST(FilterClasses, GradientColoursSetTheStopsAlphasFillThemRatiosCutThem)
{
    Machine m(8);
    const Value f = m.vm->construct(filterClass(m, "GradientGlowFilter"), {});
    auto stops = [&] {
        return str(m, m.vm->getMember(f, "colors")) + "|" + str(m, m.vm->getMember(f, "alphas")) + "|"
               + str(m, m.vm->getMember(f, "ratios"));
    };
    m.vm->setMember(f, "alphas", numbers(m, {Value(1)}));
    EXPECT_EQ(stops(), "||");
    m.vm->setMember(f, "colors", numbers(m, {Value(1), Value(2), Value(3)}));
    EXPECT_EQ(stops(), "1,2,3|0,0,0|0,0,0");
    m.vm->setMember(f, "alphas", numbers(m, {Value(0.5), Value(-1)}));
    EXPECT_EQ(stops(), "1,2,3|0.501960784313725,0,1|0,0,0");
    m.vm->setMember(f, "ratios", numbers(m, {Value(500), Value(50.5)}));
    EXPECT_EQ(stops(), "1,2|0.501960784313725,0|255,50");
    // Stops past the count keep their values for when it grows again.
    m.vm->setMember(f, "colors", numbers(m, {Value(7), Value(8), Value(9)}));
    EXPECT_EQ(stops(), "7,8,9|0.501960784313725,0,1|255,50,0");
    m.vm->setMember(f, "ratios", Value::null());
    EXPECT_EQ(stops(), "7,8,9|0.501960784313725,0,1|255,50,0");
    m.vm->setMember(f, "colors", Value(5));
    EXPECT_EQ(stops(), "||");
}

TEST(FilterClasses, ConvolutionMatrixHoldsAtLeastItsCellsAndNeverShrinks)
{
    Machine m(8);
    const Value f = m.vm->construct(filterClass(m, "ConvolutionFilter"), {});
    auto matrix = [&] { return str(m, m.vm->getMember(f, "matrix")); };
    EXPECT_EQ(afterSetting(m, f, "matrix", numbers(m, {Value(1), Value(2), Value(3)})), "1,2,3");
    m.vm->setMember(f, "matrixX", Value(2));
    EXPECT_EQ(matrix(), "1,2,3");
    m.vm->setMember(f, "matrixY", Value(2.5));
    EXPECT_EQ(matrix(), "1,2,3,0");
    // A string is read by its length; a number has none.
    EXPECT_EQ(afterSetting(m, f, "matrix", Value("abcde")), "NaN,NaN,NaN,NaN,NaN");
    EXPECT_EQ(afterSetting(m, f, "matrix", Value(7)), "0,0,0,0");
    m.vm->setMember(f, "matrixX", Value(-100));
    EXPECT_EQ(str(m, m.vm->getMember(f, "matrixX")), "0");
    EXPECT_EQ(matrix(), "0,0,0,0");
    // A list claiming a huge length is held to the limit, not trusted.
    Value huge = m.vm->newObject();
    m.vm->setMember(huge, "length", Value(1e12));
    m.vm->setMember(f, "matrix", huge);
    EXPECT_EQ(m.vm->toNumber(m.vm->getMember(m.vm->getMember(f, "matrix"), "length")), 65536.0);
}

TEST(FilterClasses, ColourMatrixReadsTwentyNumbersFromAnything)
{
    Machine m(8);
    const Value f = m.vm->construct(filterClass(m, "ColorMatrixFilter"), {Value::null()});
    EXPECT_EQ(str(m, m.vm->getMember(f, "matrix")), "1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0");
    m.vm->setMember(f, "matrix", numbers(m, {Value(true), Value(2)}));
    EXPECT_EQ(str(m, m.vm->getMember(f, "matrix")), "1,2,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN");
    m.vm->setMember(f, "matrix", Value());
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->getMember(f, "matrix"), "0")), "1");
}

TEST(FilterClasses, ClonesAndListsAreCopies)
{
    Machine m(8);
    const Value blur = m.vm->construct(filterClass(m, "BlurFilter"), {Value(9)});
    const Value copy = m.vm->callMethod(blur, "clone", {});
    ASSERT_TRUE(copy.isObject());
    EXPECT_NE(copy.asObject(), blur.asObject());
    EXPECT_TRUE(m.vm->instanceOf(copy.asObject(), filterClass(m, "BlurFilter").asObject()));
    m.vm->setMember(blur, "blurX", Value(1));
    EXPECT_EQ(str(m, m.vm->getMember(copy, "blurX")), "9");
    // A bare BitmapFilter has nothing to copy.
    EXPECT_TRUE(m.vm->callMethod(m.vm->construct(filterClass(m, "BitmapFilter"), {}), "clone", {}).isUndefined());

    // Lists keep the filters they hold, skip anything else, and hand out new objects.
    // Anything but a list reads as no filters at all, which clears them.
    const auto read = readFilters(*m.vm, numbers(m, {blur, Value(3), copy}));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_DOUBLE_EQ(read[1].blurX, 9);
    EXPECT_TRUE(readFilters(*m.vm, Value("list")).empty());
    EXPECT_TRUE(readFilters(*m.vm, Value(34)).empty());
    const Value out = filterObjects(*m.vm, read);
    EXPECT_NE(m.vm->getMember(out, "0").asObject(), blur.asObject());
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->getMember(out, "0"), "blurX")), "1");

    // A displacement map keeps its point as whole numbers and hands out a new point each time.
    const Value map = m.vm->construct(filterClass(m, "DisplacementMapFilter"), {});
    Value point = m.vm->newObject();
    m.vm->setMember(point, "x", Value(12.5));
    m.vm->setMember(point, "y", Value(-4));
    EXPECT_EQ(afterSetting(m, map, "mapPoint", point), "(x=12, y=-4)");
    EXPECT_NE(m.vm->getMember(map, "mapPoint").asObject(), m.vm->getMember(map, "mapPoint").asObject());
    m.vm->setMember(point, "y", Value());
    EXPECT_EQ(afterSetting(m, map, "mapPoint", point), "(x=0, y=0)");
}
