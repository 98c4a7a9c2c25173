// The library classes: the XML reader on its own, XML and XMLNode objects,
// LoadVars, System and the classes whose requests can only fail here.

#include "support/test_host.h"

#include "swf/script/builtins/xml_parser.h"

#include <gtest/gtest.h>

#include <random>

using namespace swf::script;
using swf::script::test::Machine;
namespace xml = swf::script::xml;

namespace {

Value global(Machine& m, const char* name) { return m.vm->getMember(m.vm->global(), name); }

Value newXml(Machine& m, const std::string& text) { return m.vm->construct(global(m, "XML"), {Value(text)}); }

std::string str(Machine& m, const Value& v) { return m.vm->toString(v); }

std::string xmlText(Machine& m, const Value& node) { return str(m, m.vm->callMethod(node, "toString", {})); }

} // namespace

TEST(XmlParser, MalformedInputGivesThePlayersStatusAndKeepsWhatWasRead)
{
    const struct {
        const char* input;
        int status;
        std::size_t nodes; // including the document
    } cases[] = {
        {"<a><b/></a>", xml::Status::Ok, 3},
        {"<a/><?xml A", xml::Status::DeclarationNotTerminated, 2},
        {"<a/><!DOCTYPE A", xml::Status::DoctypeNotTerminated, 2},
        {"<a/><!-- <b/>", xml::Status::CommentNotTerminated, 2},
        {"<a><![CDATA[x]></a>", xml::Status::CdataNotTerminated, 2},
        {"<a>", xml::Status::MissingEndTag, 2},
        {"<a><b></a><c/>", xml::Status::MissingEndTag, 3},
        {"<b><c/></a>", xml::Status::UnexpectedEndTag, 3},
        {"</a>", xml::Status::UnexpectedEndTag, 1},
        {"<a A/><b/>", xml::Status::MalformedElement, 1},
        {"<a A=x></a>", xml::Status::MalformedElement, 1},
        {"<a A='x></a>", xml::Status::AttributeNotTerminated, 1},
        {"<>a", xml::Status::MalformedElement, 1},
        {"<a", xml::Status::MalformedElement, 1},
        {"</a b='c'", xml::Status::MalformedElement, 1},
        {"<a ='b'/>", xml::Status::MalformedElement, 1},
        {"<", xml::Status::MalformedElement, 1},
        {"", xml::Status::Ok, 1},
    };
    for (const auto& c : cases) {
        xml::ParsedDocument doc = xml::parse(c.input, false);
        EXPECT_EQ(doc.status, c.status) << c.input;
        EXPECT_EQ(doc.nodes.size(), c.nodes) << c.input;
    }
}

TEST(XmlParser, CdataEndsAtTheFirstTerminatorAndTextIsDecoded)
{
    xml::ParsedDocument doc = xml::parse("<a><![CDATA[x</a>&lt;]]]>y &lt;&#65;&#x42;&bogus;]]></a>", false);
    ASSERT_EQ(doc.status, xml::Status::Ok);
    ASSERT_EQ(doc.nodes.size(), 4u);
    EXPECT_EQ(doc.nodes[2].text, "x</a>&lt;]");
    EXPECT_EQ(doc.nodes[3].text, "y <AB&bogus;]]>");

    // A numeric reference reads its digits up to the first other character.
    doc = xml::parse("<a>&#65e2;&#x42g;&#e65;&#;&#x;</a>", false);
    ASSERT_EQ(doc.nodes.size(), 3u);
    EXPECT_EQ(doc.nodes[2].text, "AB&#e65;&#;&#x;");
}

// An attribute given twice keeps its first value, prefixed names included;
// the namespace a node reads follows that value.
TEST(XmlParser, AnAttributeGivenTwiceKeepsItsFirstValue)
{
    Machine m(6);
    Value tag = m.vm->getMember(newXml(m, "<t xmlns='one' a='1' xmlns:p='x' xmlns='two' a='2' xmlns:p='y'/>"), "firstChild");
    Value attributes = m.vm->getMember(tag, "attributes");
    EXPECT_EQ(str(m, m.vm->getMember(attributes, "xmlns")), "one");
    EXPECT_EQ(str(m, m.vm->getMember(attributes, "a")), "1");
    EXPECT_EQ(str(m, m.vm->callMethod(tag, "getNamespaceForPrefix", {Value("p")})), "x");
    EXPECT_EQ(str(m, m.vm->getMember(tag, "namespaceURI")), "one");
}

// A parsed element keeps the namespace it was read with; declarations a
// script adds or changes later show in getNamespaceForPrefix only. A new
// name is looked up anew.
TEST(XmlObject, AParsedElementKeepsItsNamespace)
{
    Machine m(6);
    Value root = m.vm->getMember(newXml(m, "<t xmlns='a'><u/></t>"), "firstChild");
    Value child = m.vm->getMember(root, "firstChild");
    m.vm->setMember(m.vm->getMember(root, "attributes"), "xmlns", Value("b"));
    m.vm->setMember(m.vm->getMember(child, "attributes"), "xmlns", Value("c"));
    EXPECT_EQ(str(m, m.vm->getMember(root, "namespaceURI")), "a");
    EXPECT_EQ(str(m, m.vm->callMethod(root, "getNamespaceForPrefix", {Value("")})), "b");
    EXPECT_EQ(str(m, m.vm->getMember(child, "namespaceURI")), "a");
    m.vm->setMember(child, "nodeName", Value("v"));
    EXPECT_EQ(str(m, m.vm->getMember(child, "namespaceURI")), "c");
}

TEST(XmlParser, IgnoreWhiteDropsOnlyBlankText)
{
    xml::ParsedDocument doc = xml::parse(" <a> \n\t<b/> x </a> ", true);
    ASSERT_EQ(doc.nodes.size(), 4u);
    EXPECT_EQ(doc.nodes[3].text, " x ");
    EXPECT_EQ(xml::parse(" <a> </a> ", false).nodes.size(), 5u);
}

TEST(XmlParser, DepthAndSizeAreBounded)
{
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    xml::ParsedDocument doc = xml::parse(deep, false, {/*maxDepth*/ 1000, /*maxNodes*/ 1u << 20});
    EXPECT_EQ(doc.status, xml::Status::OutOfMemory);
    EXPECT_LE(doc.nodes.size(), 1002u);

    std::string wide;
    for (int i = 0; i < 5000; ++i)
        wide += "<b/>";
    doc = xml::parse(wide, false, {4096, 100});
    EXPECT_EQ(doc.status, xml::Status::OutOfMemory);
    EXPECT_EQ(doc.nodes.size(), 100u);
}

TEST(XmlParser, RandomMarkupNeverHangsOrBreaksTheTree)
{
    std::mt19937 rng(1234);
    const std::string alphabet = "<>/!?[]-='\" &;#abCDATA\n";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = int(rng() % 200);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng() % alphabet.size()];
        xml::ParsedDocument doc = xml::parse(text, round % 2 == 0);
        for (const xml::ParsedNode& node : doc.nodes) {
            for (std::size_t child : node.children)
                ASSERT_LT(child, doc.nodes.size()) << text;
        }
    }
}

TEST(XmlParser, EscapeWritesTheFiveEntitiesOnly)
{
    EXPECT_EQ(xml::escape("t\"'e&s;:<>\xC2\xA0"), "t&quot;&apos;e&amp;s;:&lt;&gt;\xC2\xA0");
    EXPECT_EQ(xml::unescape(xml::escape("a<&>\"'b")), "a<&>\"'b");
}

TEST(XmlObject, ToStringEscapesTextAndAttributesAndWritesDeclarations)
{
    Machine m(8);
    const struct {
        const char* input;
        const char* output;
        int status;
    } cases[] = {
        {"<a A='&'>&</a>", "<a A=\"&amp;\">&amp;</a>", 0},
        {"<a/><?xml A ?><b/>", "<?xml A ?><a /><b />", 0},
        {"<!DOCTYPE x [<!ENTITY e '>'>]><a/>", "<!DOCTYPE x [<!ENTITY e '>'>]><a />", 0},
        {"<a><b><c/></a>", "<a><b><c /></b></a>", xml::Status::MissingEndTag},
        {"<a/ ></a/>", "<a/ />", xml::Status::UnexpectedEndTag},
        // The doctype keyword in any case; every declaration kept in turn.
        {"<a/><!dOcTyPe x><?xml 1?><?XML 2?>", "<?xml 1?><?XML 2?><!dOcTyPe x><a />", 0},
    };
    for (const auto& c : cases) {
        Value x = newXml(m, c.input);
        EXPECT_EQ(xmlText(m, x), c.output) << c.input;
        EXPECT_EQ(m.vm->toNumber(m.vm->getMember(x, "status")), c.status) << c.input;
    }
}

// A node writes its attributes in the order for..in lists them, the newest
// first; the parser stores them so that a parsed node lists and writes them
// in the document's order.
TEST(XmlObject, AttributesAreWrittenNewestFirstAndParsedOnesInDocumentOrder)
{
    Machine m(7);
    Value x = newXml(m, "<a x='1' y='2'/>");
    Value tag = m.vm->getMember(x, "firstChild");
    EXPECT_EQ(xmlText(m, x), "<a x=\"1\" y=\"2\" />");
    m.vm->setMember(m.vm->getMember(tag, "attributes"), "z", Value("3"));
    m.vm->setMember(m.vm->getMember(tag, "attributes"), "3", Value("4"));
    EXPECT_EQ(xmlText(m, x), "<a 3=\"4\" z=\"3\" x=\"1\" y=\"2\" />");
}

TEST(XmlObject, ChildNodesFollowsTheTreeAfterEveryChange)
{
    Machine m(8);
    Value x = newXml(m, "<root><a/><b/>c<d/></root>");
    Value root = m.vm->getMember(x, "firstChild");
    Value childNodes = m.vm->getMember(root, "childNodes");
    m.vm->callMethod(childNodes, "push", {Value("fake")});
    EXPECT_EQ(str(m, childNodes), "<a />,<b />,c,<d />,fake");

    m.vm->callMethod(m.vm->getMember(root, "firstChild"), "removeNode", {});
    EXPECT_EQ(str(m, m.vm->getMember(root, "childNodes")), "<b />,c,<d />");

    Value e = m.vm->callMethod(x, "createElement", {Value("e")});
    m.vm->callMethod(root, "appendChild", {e});
    Value f = m.vm->callMethod(x, "createElement", {Value("f")});
    m.vm->callMethod(root, "insertBefore", {f, e});
    EXPECT_EQ(str(m, m.vm->getMember(root, "childNodes")), "<b />,c,<d />,<f />,<e />");
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->getMember(e, "previousSibling"), "nodeName")), "f");
    EXPECT_TRUE(strictEquals(m.vm->getMember(e, "parentNode"), root));
}

// A text node has no name until one is assigned, an element no value; then
// they read back what was assigned (a value as text, also through the bare
// name in a with block), and the markup stays.
TEST(XmlObject, ATextNodeKeepsANameAndAnElementAValueAssignedToIt)
{
    Machine m(6);
    Value x = newXml(m, "");
    Value t = m.vm->callMethod(x, "createTextNode", {Value("text")});
    EXPECT_TRUE(m.vm->getMember(t, "nodeName").isNull());
    m.vm->setMember(t, "nodeName", Value("foo"));
    EXPECT_EQ(str(m, m.vm->getMember(t, "nodeName")), "foo");
    EXPECT_EQ(str(m, m.vm->getMember(t, "nodeValue")), "text");
    EXPECT_EQ(xmlText(m, t), "text");

    Value e = m.vm->getMember(newXml(m, "<e>x</e>"), "firstChild");
    EXPECT_TRUE(m.vm->getMember(e, "nodeValue").isNull());
    m.vm->setMember(e, "nodeValue", Value(4.0));
    EXPECT_TRUE(m.vm->getMember(e, "nodeValue").isString());
    EXPECT_EQ(str(m, m.vm->getMember(e, "nodeValue")), "4");
    EXPECT_EQ(xmlText(m, e), "<e>x</e>");

    Machine m8(8);
    EXPECT_EQ(m8.run(R"(
        push "x", "<e>x</e>", 1, "XML"
        newobject
        setvariable
        push "x"
        getvariable
        push "firstChild"
        getmember
        with
          push "nodeValue", 4
          setvariable
          push "nodeValue"
          getvariable
          typeof
          trace
        endwith
    )"), "string");
}

TEST(XmlObject, AppendingAnAncestorIsRefused)
{
    Machine m(8);
    Value x = newXml(m, "<a><b/></a>");
    Value a = m.vm->getMember(x, "firstChild");
    Value b = m.vm->getMember(a, "firstChild");
    m.vm->callMethod(b, "appendChild", {a});
    m.vm->callMethod(a, "appendChild", {a});
    EXPECT_EQ(xmlText(m, x), "<a><b /></a>");
}

TEST(XmlObject, CloneNodeCopiesChildrenOnlyWhenDeep)
{
    Machine m(8);
    Value root = m.vm->getMember(newXml(m, "<r k='v'><a/>t</r>"), "firstChild");
    EXPECT_EQ(xmlText(m, m.vm->callMethod(root, "cloneNode", {})), "<r k=\"v\" />");
    Value deep = m.vm->callMethod(root, "cloneNode", {Value(true)});
    EXPECT_EQ(xmlText(m, deep), "<r k=\"v\"><a />t</r>");
    EXPECT_TRUE(m.vm->getMember(deep, "parentNode").isNull());
}

TEST(XmlObject, NamesSplitIntoPrefixAndLocalNameAtTheFirstColon)
{
    Machine m(8);
    const struct {
        const char* name;
        const char* prefix;
        const char* local;
    } cases[] = {
        {"a:b", "a", "b"}, {":", "", ":"}, {":b", "", "b"}, {"a:", "", "a:"}, {"a::b", "a", ":b"}, {"::", "", ":"}, {"", "", ""},
    };
    Value node = m.vm->construct(global(m, "XMLNode"), {Value(1), Value("x")});
    for (const auto& c : cases) {
        m.vm->setMember(node, "nodeName", Value(c.name));
        EXPECT_EQ(str(m, m.vm->getMember(node, "prefix")), c.prefix) << c.name;
        EXPECT_EQ(str(m, m.vm->getMember(node, "localName")), c.local) << c.name;
    }
}

TEST(XmlObject, NamespacesResolveThroughAncestors)
{
    Machine m(8);
    Value x = newXml(m, "<r xmlns='d' xmlns:a='na'><a:c><e/></a:c></r>");
    Value c = m.vm->getMember(m.vm->getMember(x, "firstChild"), "firstChild");
    EXPECT_EQ(str(m, m.vm->getMember(c, "namespaceURI")), "na");
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->getMember(c, "firstChild"), "namespaceURI")), "d");
    EXPECT_EQ(str(m, m.vm->callMethod(c, "getPrefixForNamespace", {Value("na")})), "a");
}

TEST(XmlObject, EveryXmlnsAttributeDeclaresAndTheFirstDeclarationWins)
{
    Machine m(8);
    // "xmlns:" with nothing after it, and "xmlnsfoo", declare the default
    // namespace as "xmlns" does; of two declarations, the first one counts.
    Value x = newXml(m, "<a xmlns:='one' xmlns='two'/><b xmlnsfoo='three' xmlns='four'/><c xmlns:p='five' xmlnsp='six'/>");
    Value a = m.vm->getMember(x, "firstChild");
    Value b = m.vm->getMember(a, "nextSibling");
    Value c = m.vm->getMember(b, "nextSibling");
    EXPECT_EQ(str(m, m.vm->getMember(a, "namespaceURI")), "one");
    EXPECT_EQ(str(m, m.vm->getMember(b, "namespaceURI")), "three");
    EXPECT_EQ(str(m, m.vm->callMethod(b, "getPrefixForNamespace", {Value("four")})), "");
    EXPECT_EQ(str(m, m.vm->callMethod(c, "getNamespaceForPrefix", {Value("p")})), "five");
    EXPECT_EQ(str(m, m.vm->callMethod(c, "getPrefixForNamespace", {Value("six")})), "");
    EXPECT_EQ(str(m, m.vm->callMethod(c, "getPrefixForNamespace", {Value("none")})), "null");
}

TEST(XmlObject, VeryDeepTreesSerialiseAndCloneWithoutRecursion)
{
    // Deep enough that a recursive walk would exhaust the native stack.
    constexpr int kDepth = 30000;
    Machine m(8);
    Value x = newXml(m, "");
    Value parent = x;
    for (int i = 0; i < kDepth; ++i) {
        Value child = m.vm->callMethod(x, "createElement", {Value("n")});
        m.vm->callMethod(parent, "appendChild", {child});
        parent = child;
    }
    const std::string text = xmlText(m, x);
    // "<n>" and "</n>" around every level but the innermost "<n />".
    EXPECT_EQ(text.size(), std::size_t(kDepth) * 7 - 2);
    Value copy = m.vm->callMethod(m.vm->getMember(x, "firstChild"), "cloneNode", {Value(true)});
    EXPECT_EQ(xmlText(m, copy).size(), text.size());
}

TEST(XmlObject, TreeSurvivesGarbageCollectionWhenOnlyTheTreeHoldsIt)
{
    Machine m(8);
    m.vm->setMember(m.vm->global(), "x", newXml(m, "<a><b>t</b><c/></a>"));
    Value a = m.vm->getMember(global(m, "x"), "firstChild");
    // The mirror list is script property and may be emptied by the script.
    m.vm->setMember(m.vm->getMember(a, "childNodes"), "length", Value(0));
    a = Value();
    m.vm->collectGarbage();
    EXPECT_EQ(xmlText(m, global(m, "x")), "<a><b>t</b><c /></a>");
}

TEST(XmlObject, LoadFailsOnTheNextFrameThroughOnLoad)
{
    Machine m(8);
    EXPECT_EQ(m.run(R"(
        push "x", 0, "XML"
        NewObject
        SetVariable
        push "x"
        GetVariable
        push "onLoad"
        function2 - 2 0x0 1:ok
        push r:1
        Trace
        end
        SetMember
        push "http://example.invalid/a.xml", 1, "x"
        GetVariable
        push "load"
        CallMethod
        Trace
    )"),
              "true");
    m.host.now += 100;
    m.vm->runTimers();
    EXPECT_EQ(m.host.output(), "true\nfalse");
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->getMember(m.host.rootClip, "x"), "loaded")), "false");
}

TEST(LoadVars, DecodeSetsVariablesAndToStringEncodesThem)
{
    Machine m(8);
    Value lv = m.vm->construct(global(m, "LoadVars"), {});
    EXPECT_TRUE(m.vm->callMethod(lv, "decode", {Value("a=b+c&%26=%3d&=x&flag&d=")}).isUndefined());
    EXPECT_EQ(str(m, m.vm->getMember(lv, "a")), "b c");
    EXPECT_EQ(str(m, m.vm->getMember(lv, "&")), "=");
    EXPECT_EQ(str(m, m.vm->getMember(lv, "flag")), "");
    EXPECT_TRUE(m.vm->getMember(lv, "").isUndefined());
    EXPECT_EQ(m.vm->callMethod(lv, "decode", {}).asBool(), false);

    Value out = m.vm->construct(global(m, "LoadVars"), {});
    m.vm->setMember(out, "name", Value("a b&c"));
    EXPECT_EQ(str(m, m.vm->callMethod(out, "toString", {})), "name=a%20b%26c");
    // A function among the variables is written as the text it converts to.
    m.vm->setMember(out, "f", m.vm->getMember(global(m, "Object"), "prototype").asObject()->findOwn("toString")->value);
    EXPECT_EQ(str(m, m.vm->callMethod(out, "toString", {})), "f=%5Btype%20Function%5D&name=a%20b%26c");
    // Both go through the global escape, whatever the movie made of it.
    m.vm->setMember(m.vm->global(), "escape", global(m, "Number"));
    Value plain = m.vm->construct(global(m, "LoadVars"), {});
    m.vm->setMember(plain, "k", Value("v"));
    EXPECT_EQ(str(m, m.vm->callMethod(plain, "toString", {})), "NaN=NaN");
    // A load begins with nothing known of the size.
    m.vm->callMethod(out, "load", {Value("vars.txt")});
    EXPECT_TRUE(out.asObject()->findOwn("_bytesTotal"));
    EXPECT_EQ(str(m, m.vm->getMember(out, "_bytesLoaded")), "0");
}

TEST(LoadVars, RequestHeadersCollectAsPairsOfStringsOnly)
{
    for (const char* cls : {"LoadVars", "XML"}) {
        Machine m(7);
        Value o = m.vm->construct(global(m, cls), {});
        const auto headers = [&] { return str(m, m.vm->getMember(o, "_customHeaders")); };
        // The first call makes the list, even with nothing to put in it.
        EXPECT_FALSE(o.asObject()->findOwnAnyVersion("_customHeaders")) << cls;
        m.vm->callMethod(o, "addRequestHeader", {});
        EXPECT_EQ(headers(), "") << cls;
        m.vm->callMethod(o, "addRequestHeader", {Value("Key")});
        m.vm->callMethod(o, "addRequestHeader", {Value("Key"), Value(1)});
        EXPECT_EQ(headers(), "") << cls;
        m.vm->callMethod(o, "addRequestHeader", {Value("A"), Value("1"), Value("B"), Value("2")});
        EXPECT_EQ(headers(), "A,1") << cls;
        Value list = m.vm->newArray({Value("B"), Value("2"), Value("C"), Value(3), Value("D")});
        m.vm->callMethod(o, "addRequestHeader", {list});
        EXPECT_EQ(headers(), "A,1,B,2") << cls;
        EXPECT_FALSE(m.vm->deleteMember(o.asObject(), "_customHeaders")) << cls;
        // What the movie put there instead is pushed to, if it can be.
        m.vm->setMember(o, "_customHeaders", Value("text"));
        m.vm->callMethod(o, "addRequestHeader", {Value("E"), Value("5")});
        EXPECT_EQ(headers(), "text") << cls;
    }
    // A SWF 5 movie never sees the list.
    Machine old(5);
    Value xml = old.vm->construct(global(old, "XML"), {});
    old.vm->callMethod(xml, "addRequestHeader", {Value("A"), Value("1")});
    EXPECT_TRUE(old.vm->getMember(xml, "_customHeaders").isUndefined());
}

TEST(LibraryClasses, ALoaderListsItselfInAnArrayThePlayerMade)
{
    Machine m(7);
    Value loader = m.vm->construct(global(m, "MovieClipLoader"), {});
    Value listeners = m.vm->getMember(loader, "_listeners");
    EXPECT_EQ(m.vm->getMember(listeners, "0").asObject(), loader.asObject());
    EXPECT_EQ(m.vm->getMember(listeners, "constructor").asObject(), global(m, "Array").asObject());
}

TEST(SystemClasses, CapabilitiesDescribeAStandaloneLinuxPlayer)
{
    Machine m(8);
    Value caps = m.vm->getMember(global(m, "System"), "capabilities");
    EXPECT_EQ(str(m, m.vm->getMember(caps, "os")), "Linux");
    EXPECT_EQ(str(m, m.vm->getMember(caps, "playerType")), "StandAlone");
    EXPECT_NE(str(m, m.vm->getMember(caps, "serverString")).find("&OS=Linux&"), std::string::npos);
    // The query function stays out of sight of the movie.
    EXPECT_TRUE(m.vm->getMember(caps, "Query").isUndefined());
}

TEST(LibraryClasses, RequestsEndAsWithoutAServerOrDevice)
{
    Machine m(8);
    Value job = m.vm->construct(global(m, "PrintJob"), {});
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(job, "start", {})));
    // A job's page geometry reads 0 and takes no assignment; the prototype
    // holding it reads nothing. The members enumerate newest first.
    m.vm->setMember(job, "pageWidth", Value("wide"));
    EXPECT_EQ(str(m, m.vm->getMember(job, "pageWidth")), "0");
    EXPECT_TRUE(m.vm->getMember(m.vm->getMember(global(m, "PrintJob"), "prototype"), "pageWidth").isUndefined());
    const std::vector<std::string> geometry = m.vm->enumerableNames(job.asObject());
    EXPECT_EQ(geometry, (std::vector<std::string>{"orientation", "pageWidth", "pageHeight", "paperWidth", "paperHeight"}));

    Value so = m.vm->callMethod(global(m, "SharedObject"), "getLocal", {Value("prefs")});
    m.vm->setMember(m.vm->getMember(so, "data"), "seen", Value(true));
    Value again = m.vm->callMethod(global(m, "SharedObject"), "getLocal", {Value("prefs")});
    EXPECT_TRUE(m.vm->toBoolean(m.vm->getMember(m.vm->getMember(again, "data"), "seen")));

    Value item = m.vm->construct(global(m, "ContextMenuItem"), {Value("Next")});
    EXPECT_TRUE(m.vm->toBoolean(m.vm->getMember(item, "enabled")));
    EXPECT_FALSE(m.vm->toBoolean(m.vm->getMember(item, "separatorBefore")));
    Value copy = m.vm->callMethod(item, "copy", {});
    EXPECT_EQ(str(m, m.vm->getMember(copy, "caption")), "Next");
}

TEST(LibraryClasses, DevicesAnswerAsNotYetAllowedAndKeepTheirSettingsInRange)
{
    Machine m(7);
    Value cameraClass = global(m, "Camera");
    Value proto = m.vm->getMember(cameraClass, "prototype");
    Value made = m.vm->construct(cameraClass, {});
    // The prototype shows the device's members only once a device was asked for.
    EXPECT_EQ(proto.asObject()->findOwn("muted"), nullptr);
    Value camera = m.vm->callMethod(cameraClass, "get", {});
    ASSERT_TRUE(camera.isObject());
    EXPECT_EQ(m.vm->callMethod(cameraClass, "get", {}).asObject(), camera.asObject());
    EXPECT_NE(proto.asObject()->findOwn("muted"), nullptr);
    EXPECT_TRUE(m.vm->toBoolean(m.vm->getMember(camera, "muted")));
    EXPECT_TRUE(m.vm->getMember(made, "muted").isUndefined());
    auto number = [&](const Value& o, const char* name) { return m.vm->toNumber(m.vm->getMember(o, name)); };
    // No capture mode is taken without a camera; motion and quality settings are, within range.
    m.vm->callMethod(camera, "setMode", {Value(320), Value(240), Value(30)});
    EXPECT_EQ(number(camera, "width"), -1);
    m.vm->callMethod(camera, "setMotionLevel", {Value(200), Value(3000)});
    EXPECT_EQ(number(camera, "motionLevel"), 100);
    EXPECT_EQ(number(camera, "motionTimeout"), 3000);
    m.vm->callMethod(camera, "setQuality", {Value(18000), Value(420)});
    EXPECT_EQ(number(camera, "quality"), 100);
    m.vm->callMethod(camera, "setQuality", {});
    EXPECT_EQ(number(camera, "bandwidth"), 16384);
    // The members are read-only, and methods called on other objects change nothing.
    m.vm->setMember(camera, "quality", Value(5));
    EXPECT_EQ(number(camera, "quality"), 0);
    m.vm->callMethod(made, "setQuality", {Value(1), Value(1)});

    Value mic = m.vm->callMethod(global(m, "Microphone"), "get", {});
    EXPECT_TRUE(m.vm->getMember(mic, "useEchoSuppression").isNumber());
    m.vm->callMethod(mic, "setUseEchoSuppression", {Value(16)});
    EXPECT_TRUE(m.vm->getMember(mic, "useEchoSuppression").isBoolean());
    m.vm->callMethod(mic, "setRate", {Value(12)});
    EXPECT_EQ(number(mic, "rate"), 8);
    m.vm->callMethod(mic, "setRate", {Value(22)});
    EXPECT_EQ(number(mic, "rate"), 22);
    m.vm->callMethod(mic, "setGain", {Value(-5)});
    EXPECT_EQ(number(mic, "gain"), 0);
}

TEST(LibraryClasses, ClassesOfLaterPlayersHideTheirMembersFromOlderMovies)
{
    Machine m5(5);
    EXPECT_TRUE(m5.vm->getMember(m5.vm->getMember(global(m5, "LoadVars"), "prototype"), "decode").isUndefined());
    Machine m6(6);
    EXPECT_FALSE(m6.vm->getMember(m6.vm->getMember(global(m6, "LoadVars"), "prototype"), "decode").isUndefined());
    EXPECT_TRUE(m6.vm->getMember(m6.vm->getMember(global(m6, "PrintJob"), "prototype"), "start").isUndefined());
    // A SWF 6 device class still links its prototype to itself in SWF 5;
    // LoadVars and a SWF 7 class hide the link with their members.
    Value micProto = m5.vm->getMember(global(m5, "Microphone"), "prototype");
    EXPECT_TRUE(m5.vm->getMember(micProto, "setGain").isUndefined());
    EXPECT_EQ(m5.vm->getMember(micProto, "constructor").asObject(), global(m5, "Microphone").asObject());
    Value jobProto = m6.vm->getMember(global(m6, "PrintJob"), "prototype");
    EXPECT_NE(m6.vm->getMember(jobProto, "constructor").asObject(), global(m6, "PrintJob").asObject());
}

TEST(ExternalInterface, UnavailableOutsideAPageButItsHelpersWriteTheBridgesXml)
{
    Machine m(8);
    Value bridge = m.vm->getMember(m.vm->getMember(global(m, "flash"), "external"), "ExternalInterface");
    auto call = [&](const char* name, std::vector<Value> args) { return m.vm->callMethod(bridge, name, args); };
    EXPECT_FALSE(m.vm->toBoolean(m.vm->getMember(bridge, "available")));
    EXPECT_TRUE(call("call", {Value("f")}).isNull());
    EXPECT_FALSE(m.vm->toBoolean(call("addCallback", {Value("f"), Value::null(), Value::null()})));

    // Empty text is null, not an empty string; only the five XML entities
    // are read back; a quote and line ends are escaped, a backslash is not.
    EXPECT_TRUE(call("_escapeXML", {Value("")}).isNull());
    EXPECT_EQ(str(m, call("_escapeXML", {Value("<a href='x'>&\"")})), "&lt;a href=&apos;x&apos;&gt;&amp;&quot;");
    EXPECT_EQ(str(m, call("_unescapeXML", {Value("&amp;amp;&nbsp;&lt;")})), "&amp;&nbsp;<");
    EXPECT_EQ(str(m, call("_jsQuoteString", {Value("a\\\"\n")})), "a\\\\\"\\n");

    Object* list = m.vm->newArray();
    m.vm->setMember(list, "2", Value(""));
    Object* record = m.vm->newObject();
    m.vm->setMember(record, "x", Value(1.5));
    Object* sized = m.vm->newObject();
    m.vm->setMember(sized, "length", Value(1.0));
    const struct {
        const char* helper;
        Value value;
        const char* expected;
    } cases[] = {
        // A hole is undefined; empty text is written as null.
        {"_toXML", Value(list), R"(<array><property id="0"><undefined/></property><property id="1"><undefined/></property><property id="2"><string>null</string></property></array>)"},
        {"_toXML", Value(record), R"(<object><property id="x"><number>1.5</number></property></object>)"},
        // Anything with a length is an array; text counts its characters.
        {"_toXML", Value(sized), R"(<array><property id="0"><undefined/></property></array>)"},
        {"_arrayToXML", Value("ab"), R"(<array><property id="0"><undefined/></property><property id="1"><undefined/></property></array>)"},
        {"_toXML", global(m, "Object"), "<null/>"},
        {"_objectToXML", Value(true), "<object></object>"},
        // The first of a call's arguments is the function's name.
        {"_argumentsToXML", Value(list), "<arguments><undefined/><string>null</string></arguments>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(str(m, call(c.helper, {c.value})), c.expected) << c.helper << " " << c.expected;

    // Reading back: the bridge's own XML round-trips; a node's name gives
    // the type and its first child the content, read as text; a class node
    // names a global; a list of siblings that loops ends.
    Value parsed = m.vm->construct(global(m, "XML"), {call("_toXML", {Value(record)})});
    EXPECT_EQ(str(m, m.vm->getMember(call("_toAS", {m.vm->getMember(parsed, "firstChild")}), "x")), "1.5");
    Value node = m.vm->newObject();
    m.vm->setMember(node, "nodeName", Value("number"));
    EXPECT_EQ(str(m, call("_toAS", {node})), "NaN");
    m.vm->setMember(node, "firstChild", m.vm->construct(global(m, "String"), {Value("45")}));
    EXPECT_EQ(str(m, call("_toAS", {node})), "45");
    m.vm->setMember(node, "nodeName", Value("class"));
    m.vm->setMember(node, "firstChild", Value("Date"));
    EXPECT_EQ(call("_toAS", {node}).asObject(), global(m, "Date").asObject());
    m.vm->setMember(node, "nodeName", Value("boolean"));
    EXPECT_TRUE(call("_toAS", {node}).isUndefined());
    EXPECT_TRUE(call("_toAS", {Value("<true/>")}).isUndefined());
    Value looped = m.vm->newObject();
    m.vm->setMember(looped, "firstChild", node);
    m.vm->setMember(node, "nextSibling", node);
    EXPECT_EQ(str(m, m.vm->getMember(call("_argumentsToAS", {looped}), "length")), "1");

    // A SWF 7 movie that reaches the class sees none of its members.
    Machine m7(7);
    Value flash = m7.vm->global()->findOwnAnyVersion("flash")->value;
    Value old = m7.vm->getMember(m7.vm->getMember(flash, "external"), "ExternalInterface");
    EXPECT_TRUE(m7.vm->getMember(old, "_toXML").isUndefined());
}

TEST(FlashGeom, PointArithmeticAndText)
{
    Machine m(8);
    Value geom = m.vm->getMember(global(m, "flash"), "geom");
    Value pointClass = m.vm->getMember(geom, "Point");
    Value a = m.vm->construct(pointClass, {Value(1), Value(2)});
    Value b = m.vm->construct(pointClass, {Value(4), Value(6)});
    EXPECT_EQ(str(m, m.vm->callMethod(a, "add", {b})), "(x=5, y=8)");
    EXPECT_EQ(str(m, m.vm->callMethod(pointClass, "distance", {a, b})), "5");
    EXPECT_EQ(str(m, m.vm->callMethod(pointClass, "interpolate", {a, b, Value(0.5)})), "(x=2.5, y=4)");
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->construct(pointClass, {}), "length")), "0");
    Value c = m.vm->construct(pointClass, {Value(3), Value(4)});
    m.vm->callMethod(c, "normalize", {Value(10)});
    EXPECT_EQ(str(m, c), "(x=6, y=8)");
    EXPECT_TRUE(m.vm->toBoolean(m.vm->callMethod(a, "equals", {m.vm->callMethod(a, "clone", {})})));
    // The package belongs to SWF 8.
    Machine m7(7);
    EXPECT_TRUE(global(m7, "flash").isUndefined());
}

TEST(FlashGeom, RectangleEdgesAndSetOperations)
{
    Machine m(8);
    Value rectClass = m.vm->getMember(m.vm->getMember(global(m, "flash"), "geom"), "Rectangle");
    Value a = m.vm->construct(rectClass, {Value(0), Value(0), Value(10), Value(10)});
    Value b = m.vm->construct(rectClass, {Value(5), Value(5), Value(10), Value(10)});
    EXPECT_EQ(str(m, m.vm->callMethod(a, "intersection", {b})), "(x=5, y=5, w=5, h=5)");
    EXPECT_EQ(str(m, m.vm->callMethod(a, "union", {b})), "(x=0, y=0, w=15, h=15)");
    EXPECT_TRUE(m.vm->toBoolean(m.vm->callMethod(a, "contains", {Value(0), Value(9.5)})));
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(a, "contains", {Value(10), Value(5)})));
    m.vm->setMember(b, "right", Value(20));
    EXPECT_EQ(str(m, m.vm->getMember(b, "width")), "15");
    EXPECT_EQ(str(m, m.vm->getMember(b, "bottomRight")), "(x=20, y=15)");
    EXPECT_TRUE(m.vm->toBoolean(m.vm->callMethod(m.vm->construct(rectClass, {}), "isEmpty", {})));
    // The prototype itself has no edges: its right follows the movie's
    // rules (0 in SWF 6), its bottom is read natively, no number in any version.
    Machine m6(6);
    Value flash6 = m6.vm->global()->findOwnAnyVersion("flash")->value;
    Value proto6 = m6.vm->getMember(m6.vm->getMember(m6.vm->getMember(flash6, "geom"), "Rectangle"), "prototype");
    EXPECT_EQ(str(m6, m6.vm->getMember(proto6, "right")), "0");
    EXPECT_EQ(str(m6, m6.vm->getMember(proto6, "bottom")), "NaN");
    // A bitmap's rectangle needs the Rectangle class: without it the answer is -1.
    Value bitmap = m.vm->construct(m.vm->getMember(m.vm->getMember(global(m, "flash"), "display"), "BitmapData"), {Value(4), Value(2)});
    EXPECT_EQ(str(m, m.vm->getMember(bitmap, "rectangle")), "(x=0, y=0, w=4, h=2)");
    m.vm->setMember(m.vm->getMember(global(m, "flash"), "geom"), "Rectangle", Value(42));
    EXPECT_EQ(str(m, m.vm->getMember(bitmap, "rectangle")), "-1");
}

TEST(FlashGeom, TextPackageHoldsTheTextRendererClass)
{
    Machine m(8);
    Value text = m.vm->getMember(global(m, "flash"), "text");
    ASSERT_TRUE(text.isObject());
    Value renderer = m.vm->getMember(text, "TextRenderer");
    ASSERT_TRUE(renderer.isObject() && renderer.asObject()->isFunction());
    EXPECT_TRUE(m.vm->getMember(renderer, "prototype").isObject());
    EXPECT_TRUE(m.vm->getMember(renderer, "setAdvancedAntialiasingTable").isObject());
    // The class makes no instances.
    EXPECT_TRUE(m.vm->construct(renderer, {}).isUndefined());
}

TEST(FlashGeom, ColorTransformRgbReplacesOffsetsAndClearsMultipliers)
{
    Machine m(8);
    Value ctClass = m.vm->getMember(m.vm->getMember(global(m, "flash"), "geom"), "ColorTransform");
    Value ct = m.vm->construct(ctClass, {Value(0.5), Value(1.5), Value(2.5), Value(3.5), Value(4.5), Value(5.5), Value(6.5), Value(7.5)});
    EXPECT_EQ(str(m, m.vm->getMember(ct, "rgb")), std::to_string((4 << 16) | (5 << 8) | 6));
    m.vm->setMember(ct, "rgb", Value(-1));
    EXPECT_EQ(str(m, ct), "(redMultiplier=0, greenMultiplier=0, blueMultiplier=0, alphaMultiplier=3.5, redOffset=255, greenOffset=255, "
                          "blueOffset=255, alphaOffset=7.5)");
    // Fewer than eight numbers leave the identity.
    EXPECT_EQ(str(m, m.vm->getMember(m.vm->construct(ctClass, {Value(2)}), "redMultiplier")), "1");
}

TEST(LibraryClasses, ConnectionsOfLocalMoviesAreRefusedAtOnce)
{
    Machine m(8);
    Value socket = m.vm->construct(global(m, "XMLSocket"), {});
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(socket, "connect", {Value("somehost"), Value(1024.0)})));
    Value security = m.vm->getMember(global(m, "System"), "security");
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(security, "allowDomain", {})));
    EXPECT_TRUE(m.vm->toBoolean(m.vm->callMethod(security, "allowDomain", {Value(false)})));
    Value product = m.vm->construct(m.vm->getMember(global(m, "System"), "Product"), {Value("p")});
    EXPECT_TRUE(m.vm->getMember(product, "launch").isObject());
    Machine m5(5);
    // A SWF 5 movie sees the LocalConnection class but none of its methods,
    // and no NetConnection at all.
    Value connection5 = global(m5, "LocalConnection");
    ASSERT_TRUE(connection5.isObject());
    EXPECT_TRUE(m5.vm->getMember(m5.vm->getMember(connection5, "prototype"), "connect").isUndefined());
    EXPECT_TRUE(global(m5, "NetConnection").isUndefined());
    EXPECT_TRUE(m5.vm->getMember(global(m5, "System"), "showSettings").isObject());
}

TEST(LibraryClasses, LocalConnectionsCarryCopiesToWhoeverHoldsTheNameAtBothEnds)
{
    Machine m(8);
    Value lc = global(m, "LocalConnection");
    Value sender = m.vm->construct(lc, {});
    Value first = m.vm->construct(lc, {});
    Value second = m.vm->construct(lc, {});
    auto truth = [&](const Value& v) { return m.vm->toBoolean(v); };
    std::vector<std::string> heard;
    auto recorder = [&](const std::string& who) {
        return Value(m.vm->newFunction([&heard, who](Interpreter& in, Object*, const std::vector<Value>& args) -> Value {
            std::string line = who;
            // Objects show their level and n, functions their kind.
            for (const Value& a : args) {
                if (!a.isObject())
                    line += " " + in.toString(a);
                else
                    line += " " + in.toString(in.getMember(a, "level")) + "/" + in.toString(in.getMember(a, "n")) + "/"
                        + (a.asObject()->isFunction() ? "function" : "object");
            }
            heard.push_back(line);
            return Value();
        }));
    };
    m.vm->setMember(sender, "onStatus", recorder("status"));
    m.vm->setMember(first, "hello", recorder("first"));
    m.vm->setMember(second, "hello", recorder("second"));

    // Names: one holder each, no domain in a listener's name, case ignored when sending.
    EXPECT_TRUE(truth(m.vm->callMethod(first, "connect", {Value("Channel")})));
    EXPECT_FALSE(truth(m.vm->callMethod(second, "connect", {Value("channel")})));
    EXPECT_FALSE(truth(m.vm->callMethod(first, "connect", {Value("other")})));
    EXPECT_FALSE(truth(m.vm->callMethod(second, "connect", {Value("localhost:x")})));
    EXPECT_FALSE(truth(m.vm->callMethod(second, "connect", {Value(7)})));
    // Protected or missing methods and names that are no text are refused at once.
    EXPECT_FALSE(truth(m.vm->callMethod(sender, "send", {Value("channel"), Value("Connect")})));
    EXPECT_FALSE(truth(m.vm->callMethod(sender, "send", {Value("channel"), Value("onStatus")})));
    EXPECT_FALSE(truth(m.vm->callMethod(sender, "send", {Value("channel"), Value(1)})));
    EXPECT_FALSE(truth(m.vm->callMethod(sender, "send", {Value::null(), Value("hello")})));

    // Arguments travel as copies: a function arrives as a plain object.
    Value payload = m.vm->newObject();
    m.vm->setMember(payload, "n", Value(3));
    EXPECT_TRUE(truth(m.vm->callMethod(sender, "send", {Value("CHANNEL"), Value("hello"), payload, recorder("f")})));
    m.vm->setMember(payload, "n", Value(4));
    // Sent to a name nobody holds yet: it fails even though the name is taken before it goes out.
    EXPECT_TRUE(truth(m.vm->callMethod(sender, "send", {Value("later"), Value("hello")})));
    EXPECT_TRUE(truth(m.vm->callMethod(second, "connect", {Value("later")})));
    // The holder at delivery time gets a message sent while the name was held.
    EXPECT_TRUE(truth(m.vm->callMethod(sender, "send", {Value("localhost:channel"), Value("hello"), Value(1)})));
    m.vm->callMethod(first, "close", {});
    m.vm->callMethod(second, "close", {});
    EXPECT_TRUE(truth(m.vm->callMethod(second, "connect", {Value("channel")})));
    EXPECT_TRUE(heard.empty());
    m.host.now += 100;
    m.vm->runTimers();
    // The copy was taken when sending.
    EXPECT_EQ(heard, (std::vector<std::string>{"status status/undefined/object", "second undefined/3/object undefined/undefined/object",
                                                "status error/undefined/object", "status status/undefined/object", "second 1"}));
}

TEST(LibraryClasses, AStreamOnAConnectionGivesTheStreamPrototypeItsStatus)
{
    Machine m(8);
    Value proto = m.vm->getMember(global(m, "NetStream"), "prototype");
    Value idle = m.vm->construct(global(m, "NetStream"), {});
    EXPECT_TRUE(m.vm->getMember(idle, "bufferTime").isUndefined());
    Value lookalike = m.vm->newObject();
    m.vm->setMember(lookalike, "isConnected", Value(true));
    m.vm->construct(global(m, "NetStream"), {lookalike});
    EXPECT_EQ(proto.asObject()->findOwn("time"), nullptr);
    Value connection = m.vm->construct(global(m, "NetConnection"), {});
    m.vm->callMethod(connection, "connect", {Value::null()});
    Value stream = m.vm->construct(global(m, "NetStream"), {connection});
    EXPECT_NE(proto.asObject()->findOwn("time"), nullptr);
    EXPECT_EQ(str(m, m.vm->getMember(stream, "bufferTime")), "0.1");
}

// A connection to anything but null (undefined too from SWF 7) or an HTTP
// address fails at once, except to the empty string, which reports nothing.
// isConnected and uri are kept by the connection and cannot be assigned;
// uri reads what it was last asked to connect to.
TEST(LibraryClasses, ConnectionsFailAtOnceAndKeepTheirStateReadOnly)
{
    for (int version : {6, 7}) {
        Machine m(version);
        Value nc = m.vm->construct(global(m, "NetConnection"), {});
        std::vector<std::string> codes;
        m.vm->setMember(nc, "onStatus", Value(m.vm->newFunction([&codes](Interpreter& in, Object*, const std::vector<Value>& args) -> Value {
            codes.push_back(in.toString(in.getMember(args.empty() ? Value() : args[0], "code")));
            return Value();
        })));
        EXPECT_TRUE(m.vm->getMember(nc, "isConnected").isBoolean());
        EXPECT_TRUE(m.vm->getMember(nc, "uri").isUndefined());
        EXPECT_TRUE(m.vm->callMethod(nc, "connect", {}).isUndefined());
        EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(nc, "connect", {Value("")})));
        EXPECT_TRUE(codes.empty());
        m.vm->callMethod(nc, "connect", {Value("rtmp-less name")});
        EXPECT_EQ(str(m, m.vm->getMember(nc, "uri")), "rtmp-less name");
        m.vm->setMember(nc, "uri", Value(6.0));
        m.vm->setMember(nc, "isConnected", Value(true));
        EXPECT_EQ(str(m, m.vm->getMember(nc, "uri")), "rtmp-less name");
        EXPECT_FALSE(m.vm->toBoolean(m.vm->getMember(nc, "isConnected")));
        const bool local = m.vm->toBoolean(m.vm->callMethod(nc, "connect", {Value()}));
        EXPECT_EQ(local, version >= 7) << version;
        EXPECT_EQ(codes.size(), 2u);
        EXPECT_EQ(codes.front(), "NetConnection.Connect.Failed");
        EXPECT_EQ(codes.back(), version >= 7 ? "NetConnection.Connect.Success" : "NetConnection.Connect.Failed");
    }
}

TEST(LibraryClasses, ConnectionsReportClosingAndUnhandledErrorsReachTheSystem)
{
    Machine m(8);
    // Each handler traces its name and the report's code.
    const std::string handlers = R"(
        push "System"
        getvariable
        push "onStatus"
        function - info
            push "system ", "info"
            getvariable
            push "code"
            getmember
            add2
            trace
        end
        setmember
        push "nc", 0, "NetConnection"
        newobject
        setvariable
        push "nc"
        getvariable
        push "onStatus"
        function - info
            push "nc ", "info"
            getvariable
            push "code"
            getmember
            add2
            trace
        end
        setmember
    )";
    auto call = [](const char* method, const char* arg) {
        return std::string("push ") + (arg ? std::string(arg) + ", 1" : std::string("0")) + ", \"nc\"\ngetvariable\npush \"" + method
            + "\"\ncallmethod\npop\n";
    };
    // Connecting again closes first; closing a connection to an address calls
    // the handler once more with no report; closing twice reports once.
    EXPECT_EQ(m.run(handlers + call("connect", "null") + call("connect", "null") + call("connect", "\"http://example.org\"")
                    + call("close", nullptr) + call("close", nullptr)),
              "nc NetConnection.Connect.Success\n"
              "nc NetConnection.Connect.Closed\n"
              "nc NetConnection.Connect.Success\n"
              "nc NetConnection.Connect.Closed\n"
              "nc NetConnection.Connect.Closed\n"
              "nc undefined");
    // A stream's error with no handler of its own goes to System.onStatus on the next frame.
    m.run(call("connect", "null") + R"(
        push "ns", "nc"
        getvariable
        push 1, "NetStream"
        newobject
        setvariable
        push "missing.flv", 1, "ns"
        getvariable
        push "play"
        callmethod
        pop
    )");
    m.host.now += 100;
    m.vm->runTimers();
    EXPECT_EQ(m.host.lines.back(), "system NetStream.Play.StreamNotFound");
}

TEST(LibraryClasses, FileReferencesDescribeNoFileAndTheirNativeMakesAnyObjectOne)
{
    Machine m(8);
    Value net = m.vm->getMember(global(m, "flash"), "net");
    Value file = m.vm->construct(m.vm->getMember(net, "FileReference"), {});
    EXPECT_FALSE(file.asObject()->isPlain());
    EXPECT_TRUE(m.vm->getMember(file, "name").isUndefined());
    m.vm->setMember(file, "name", Value("x.txt"));
    EXPECT_TRUE(m.vm->getMember(file, "name").isUndefined());
    EXPECT_EQ(str(m, m.vm->getMember(file, "postData")), "undefined");
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(file, "upload", {Value("http://example.org")})));
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(file, "browse", {Value(m.vm->newArray())})));
    EXPECT_TRUE(m.vm->getMember(file, "addListener").isObject());
    // The native works on its first argument when that is an object, else on the object it is called on.
    Value init = m.vm->call(global(m, "ASnative"), nullptr, {Value(2204), Value(200)});
    Value plain = m.vm->newObject();
    Value made = m.vm->construct(init, {plain});
    EXPECT_FALSE(m.vm->getMember(plain, "postData").isUndefined());
    EXPECT_TRUE(m.vm->getMember(made, "postData").isUndefined());
    EXPECT_FALSE(m.vm->getMember(m.vm->construct(init, {}), "postData").isUndefined());
    // Older movies see no flash package.
    Machine m7(7);
    EXPECT_TRUE(global(m7, "flash").isUndefined());
}

TEST(SystemClasses, AccessibilityIsNeverActive)
{
    Machine m(7);
    Value accessibility = global(m, "Accessibility");
    ASSERT_TRUE(accessibility.isObject());
    EXPECT_FALSE(m.vm->toBoolean(m.vm->callMethod(accessibility, "isActive", {})));
    EXPECT_TRUE(m.vm->callMethod(accessibility, "sendEvent", {}).isUndefined());
}

TEST(LibraryClasses, ContextMenuCopiesShareTheSwitchesAndHidingMakesNewOnes)
{
    Machine m(7);
    Value menu = m.vm->construct(global(m, "ContextMenu"), {});
    Value shared = m.vm->getMember(menu, "builtInItems");
    Value other = m.vm->construct(global(m, "ContextMenu"), {});
    m.vm->callMethod(menu, "hideBuiltInItems", {});
    Value hidden = m.vm->getMember(menu, "builtInItems");
    EXPECT_NE(hidden.asObject(), shared.asObject());
    EXPECT_FALSE(m.vm->toBoolean(m.vm->getMember(hidden, "save")));
    EXPECT_TRUE(m.vm->toBoolean(m.vm->getMember(m.vm->getMember(other, "builtInItems"), "save")));
    m.vm->setMember(menu, "builtInItems", Value(6.0));
    Value copy = m.vm->callMethod(menu, "copy", {});
    EXPECT_EQ(str(m, m.vm->getMember(copy, "builtInItems")), "6");
}

TEST(FlashGeom, MatrixArithmeticFollowsTheLanguage)
{
    Machine m(8);
    Value matrixClass = m.vm->getMember(m.vm->getMember(global(m, "flash"), "geom"), "Matrix");
    Value a = m.vm->construct(matrixClass, {Value(6), Value(0), Value(0), Value(8), Value(300), Value(400)});
    m.vm->callMethod(a, "invert", {});
    EXPECT_EQ(str(m, a), "(a=0.166666666666667, b=0, c=0, d=0.125, tx=-50, ty=-50)");
    // translate adds as `+` does: a string translation joins.
    m.vm->setMember(a, "tx", Value("x"));
    m.vm->callMethod(a, "translate", {Value(2), Value(3)});
    EXPECT_EQ(str(m, m.vm->getMember(a, "tx")), "x2");
    // createBox keeps the translation as given, 0 when left out.
    Value box = m.vm->construct(matrixClass, {});
    m.vm->callMethod(box, "createBox", {Value(2), Value(3), Value(0), Value("s")});
    EXPECT_EQ(str(m, box), "(a=2, b=0, c=0, d=3, tx=s, ty=0)");
    // createGradientBox centres the gradient on the area; a translation left
    // out is none.
    m.vm->callMethod(box, "createGradientBox", {Value(1638.4), Value(819.2)});
    EXPECT_EQ(str(m, box), "(a=1, b=0, c=0, d=0.5, tx=819.2, ty=409.6)");
    m.vm->callMethod(box, "createGradientBox", {Value(1638.4), Value(819.2), Value(0), Value(10), Value(20)});
    EXPECT_EQ(str(m, box), "(a=1, b=0, c=0, d=0.5, tx=829.2, ty=429.6)");
}

TEST(BitmapData, PixelsRoundTripThroughPremultipliedAlpha)
{
    Machine m(8);
    Value bitmapClass = m.vm->getMember(m.vm->getMember(global(m, "flash"), "display"), "BitmapData");
    Value b = m.vm->construct(bitmapClass, {Value(3), Value(2), Value(true), Value(double(0xAABBCCDDu))});
    EXPECT_EQ(str(m, m.vm->callMethod(b, "getPixel32", {Value(1), Value(1)})), std::to_string(std::int32_t(0xAABBCCDCu)));
    m.vm->callMethod(b, "setPixel32", {Value(0), Value(0), Value(double(0x12345678u))});
    EXPECT_EQ(str(m, m.vm->callMethod(b, "getPixel32", {Value(0), Value(0)})), std::to_string(0x12395571));
    EXPECT_EQ(str(m, m.vm->callMethod(b, "getPixel", {Value(5), Value(0)})), "0");
    EXPECT_EQ(str(m, m.vm->callMethod(b, "getPixel", {Value(1)})), "-1");
    // No size, or past the 2880 pixels a side of SWF 8, makes no bitmap.
    EXPECT_TRUE(m.vm->construct(bitmapClass, {Value(5)}).isUndefined());
    EXPECT_TRUE(m.vm->construct(bitmapClass, {Value(2881), Value(1)}).isUndefined());
    EXPECT_FALSE(m.vm->construct(bitmapClass, {Value(2880), Value(1)}).isUndefined());
    m.vm->callMethod(b, "dispose", {});
    EXPECT_EQ(str(m, m.vm->getMember(b, "width")), "-1");
}

// draw with a bitmap as the source: each pixel inside the clip rectangle takes
// the source pixel the matrix maps onto its centre, through the colour
// transform; what the source does not cover, or the rectangle leaves out,
// keeps its pixels. A source that is no bitmap draws nothing.
TEST(BitmapData, DrawLaysABitmapOverThroughMatrixColourAndClipRectangle)
{
    Machine m(8);
    Value flash = global(m, "flash");
    Value bitmapClass = m.vm->getMember(m.vm->getMember(flash, "display"), "BitmapData");
    Value geom = m.vm->getMember(flash, "geom");
    Value dest = m.vm->construct(bitmapClass, {Value(6), Value(6), Value(false), Value(double(0xFF0000FFu))});
    Value src = m.vm->construct(bitmapClass, {Value(2), Value(2), Value(false), Value(double(0xFFFF0000u))});
    auto pixel = [&](int x, int y) { return str(m, m.vm->callMethod(dest, "getPixel", {Value(x), Value(y)})); };
    Value shift = m.vm->construct(m.vm->getMember(geom, "Matrix"), {Value(2), Value(0), Value(0), Value(2), Value(1), Value(1)});
    Value halfRed = m.vm->construct(m.vm->getMember(geom, "ColorTransform"), {Value(0.5), Value(1), Value(1), Value(1), Value(0), Value(0), Value(0), Value(0)});
    Value rect = m.vm->construct(m.vm->getMember(geom, "Rectangle"), {Value(0), Value(0), Value(4), Value(6)});
    m.vm->callMethod(dest, "draw", {src, shift, halfRed, Value(), rect});
    EXPECT_EQ(pixel(0, 0), std::to_string(0x0000FF));
    EXPECT_EQ(pixel(1, 1), std::to_string(0x7F0000));
    EXPECT_EQ(pixel(3, 4), std::to_string(0x7F0000));
    EXPECT_EQ(pixel(4, 4), std::to_string(0x0000FF));
    EXPECT_EQ(pixel(5, 5), std::to_string(0x0000FF));
    m.vm->callMethod(dest, "draw", {m.vm->newObject()});
    EXPECT_EQ(pixel(0, 0), std::to_string(0x0000FF));
}

// The channel and palette methods: copyChannel moves one channel of the
// source into another here; threshold paints the pixels whose masked value
// passes the test and counts them; paletteMap adds up each channel's entry
// (a channel without a table gives its own value, and sums carry over);
// floodFill paints the joined pixels of one colour.
TEST(BitmapData, ChannelThresholdPaletteAndFloodFillRepaintPixels)
{
    Machine m(8);
    Value flash = global(m, "flash");
    Value bitmapClass = m.vm->getMember(m.vm->getMember(flash, "display"), "BitmapData");
    Value geom = m.vm->getMember(flash, "geom");
    auto bitmap = [&](double argb) { return m.vm->construct(bitmapClass, {Value(4), Value(2), Value(false), Value(argb)}); };
    Value whole = m.vm->construct(m.vm->getMember(geom, "Rectangle"), {Value(0), Value(0), Value(4), Value(2)});
    Value origin = m.vm->construct(m.vm->getMember(geom, "Point"), {Value(0), Value(0)});
    auto pixel = [&](const Value& b, int x, int y) { return str(m, m.vm->callMethod(b, "getPixel", {Value(x), Value(y)})); };
    Value src = bitmap(double(0xFF102030u));
    m.vm->callMethod(src, "setPixel", {Value(3), Value(1), Value(double(0x405060))});

    Value dest = bitmap(double(0xFF000000u));
    m.vm->callMethod(dest, "copyChannel", {src, whole, origin, Value(4), Value(1)});
    EXPECT_EQ(pixel(dest, 0, 0), std::to_string(0x300000));
    EXPECT_EQ(pixel(dest, 3, 1), std::to_string(0x600000));

    dest = bitmap(double(0xFF000000u));
    EXPECT_EQ(str(m, m.vm->callMethod(dest, "threshold", {src, whole, origin, Value(">"), Value(double(0x300000)), Value(double(0xFFFF00FFu)), Value(double(0x00FF0000u))})), "1");
    EXPECT_EQ(pixel(dest, 3, 1), std::to_string(0xFF00FF));
    EXPECT_EQ(pixel(dest, 0, 0), "0");
    // copySource fills the rest from the source; an unknown test changes nothing.
    m.vm->callMethod(dest, "threshold", {src, whole, origin, Value("=="), Value(0), Value(0), Value(double(0xFFu)), Value(true)});
    EXPECT_EQ(pixel(dest, 0, 0), std::to_string(0x102030));
    EXPECT_EQ(str(m, m.vm->callMethod(dest, "threshold", {src, whole, origin, Value("<>"), Value(0)})), "0");

    dest = bitmap(double(0xFF000000u));
    Value reds = m.vm->newArray({});
    for (int i = 0; i < 256; ++i)
        m.vm->setMember(reds, std::to_string(i), Value(double(i == 0x10 ? 0x0000FF : 0)));
    m.vm->callMethod(dest, "paletteMap", {src, whole, origin, reds});
    EXPECT_EQ(pixel(dest, 0, 0), std::to_string(0x00212F));
    EXPECT_EQ(pixel(dest, 3, 1), std::to_string(0x005060));

    dest = bitmap(double(0xFFFFFFFFu));
    m.vm->callMethod(dest, "setPixel", {Value(1), Value(0), Value(0)});
    m.vm->callMethod(dest, "setPixel", {Value(1), Value(1), Value(0)});
    m.vm->callMethod(dest, "floodFill", {Value(0), Value(0), Value(double(0xFF00FF00u))});
    EXPECT_EQ(pixel(dest, 0, 1), std::to_string(0x00FF00));
    EXPECT_EQ(pixel(dest, 3, 0), std::to_string(0xFFFFFF));
}

// noise draws from the minimal standard generator: a pixel's colours take
// the seed's next values in turn (16807 % 256 = 0xA7 first for seed 1), and
// seeds of 0 or less start from 1 minus the seed.
TEST(BitmapData, NoiseFollowsTheMinimalStandardGenerator)
{
    Machine m(8);
    Value bitmapClass = m.vm->getMember(m.vm->getMember(global(m, "flash"), "display"), "BitmapData");
    auto noise = [&](double seed, bool transparent) {
        Value b = m.vm->construct(bitmapClass, {Value(2), Value(1), Value(transparent), Value(0)});
        EXPECT_EQ(str(m, m.vm->callMethod(b, "noise", {Value(seed), Value(0), Value(255), Value(15)})), "0");
        return str(m, m.vm->callMethod(b, "getPixel32", {Value(0), Value(0)}));
    };
    EXPECT_EQ(noise(1, false), std::to_string(std::int32_t(0xFFA7F1D9u)));
    EXPECT_EQ(noise(0, false), noise(1, false));
    EXPECT_NE(noise(-1, false), noise(1, false));
    // Alpha takes a value only on a transparent bitmap, after the colours
    // (0x2A here), and the colours are kept premultiplied by it.
    EXPECT_EQ(noise(1, true), std::to_string(std::int32_t(0x2AAAF3DBu)));
}

// pixelDissolve paints the seed's pixel and numPixels more, each pixel once
// before any repeats, and gives where the next call goes on: successive
// calls from the returned seed fill a 5 by 3 bitmap in 14 rounds of one.
TEST(BitmapData, PixelDissolveVisitsEachPixelOnceAndGoesOnFromItsSeed)
{
    Machine m(8);
    Value flash = global(m, "flash");
    Value bitmapClass = m.vm->getMember(m.vm->getMember(flash, "display"), "BitmapData");
    Value b = m.vm->construct(bitmapClass, {Value(5), Value(3), Value(false), Value(double(0xFFFFFFFFu))});
    Value rect = m.vm->getMember(b, "rectangle");
    Value origin = m.vm->construct(m.vm->getMember(m.vm->getMember(flash, "geom"), "Point"), {Value(0), Value(0)});
    auto painted = [&]() {
        int n = 0;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x)
                n += str(m, m.vm->callMethod(b, "getPixel", {Value(x), Value(y)})) == "0";
        }
        return n;
    };
    Value seed = Value(0);
    std::vector<int> counts;
    for (int round = 0; round < 15; ++round) {
        seed = m.vm->callMethod(b, "pixelDissolve", {b, rect, origin, seed, Value(1), Value(double(0xFF000000u))});
        counts.push_back(painted());
    }
    EXPECT_EQ(counts, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15}));
    // Without numPixels nothing is painted; a source that is no bitmap gives -1.
    Value fresh = m.vm->construct(bitmapClass, {Value(5), Value(3), Value(false), Value(double(0xFFFFFFFFu))});
    m.vm->callMethod(fresh, "pixelDissolve", {fresh, rect, origin});
    EXPECT_EQ(str(m, m.vm->callMethod(fresh, "getPixel", {Value(0), Value(0)})), std::to_string(0xFFFFFF));
    EXPECT_EQ(str(m, m.vm->callMethod(fresh, "pixelDissolve", {Value(5), rect, origin})), "-1");
}

// Date sets up only plain objects: one the player made with data of its own
// stays what it is when Date's constructor runs on it (as `super()` runs it).
TEST(LibraryClasses, DateTakesOnlyObjectsThatAreNotNativeAlready)
{
    Machine m(8);
    Object* date = global(m, "Date").asObject();
    ASSERT_TRUE(date && date->nativeConstructor());
    Value getTime = m.vm->getMember(m.vm->getMember(date, "prototype"), "getTime");
    auto becomesDate = [&](const Value& made) {
        Object* o = made.asObject();
        if (!o)
            return false;
        date->nativeConstructor()(*m.vm, o, {Value(5.0)});
        return !m.vm->call(getTime, o, {}).isUndefined();
    };
    auto make = [&](const char* cls, std::vector<Value> args = {}) { return m.vm->construct(global(m, cls), args); };
    EXPECT_TRUE(becomesDate(m.vm->newObject()));
    EXPECT_TRUE(becomesDate(make("Color")));
    EXPECT_TRUE(becomesDate(make("XMLNode", {Value(1)})));
    EXPECT_TRUE(becomesDate(make("TextSnapshot", {Value(3)})));
    EXPECT_FALSE(becomesDate(make("XMLNode", {Value(1), Value("a")})));
    EXPECT_FALSE(becomesDate(make("XML")));
    EXPECT_FALSE(becomesDate(make("LoadVars")));
    EXPECT_FALSE(becomesDate(make("Sound")));
    EXPECT_FALSE(becomesDate(make("TextFormat")));
    EXPECT_FALSE(becomesDate(make("Array")));
    EXPECT_FALSE(becomesDate(make("String")));
    // A date is made only once.
    Value once = make("Date", {Value(1.0)});
    date->nativeConstructor()(*m.vm, once.asObject(), {Value(7.0)});
    EXPECT_EQ(m.vm->toNumber(m.vm->call(getTime, once.asObject(), {})), 1);
}

// Accessibility, System.IME and every System.Product keep their prototype
// link: assigning another is ignored.
// The flash packages are made as `new Object()` makes objects (constructor
// first, then the prototype link) and in the original player's order, which
// a script listing them sees, newest first.
TEST(LibraryClasses, TheFlashPackagesComeInTheOriginalOrder)
{
    Machine m(8);
    Object* flash = global(m, "flash").asObject();
    ASSERT_TRUE(flash);
    std::string names;
    for (const Property& p : flash->properties())
        names += p.name + ",";
    EXPECT_EQ(names, "constructor,__proto__,text,display,filters,geom,net,external,automation,");
    EXPECT_TRUE(m.vm->getMember(m.vm->getMember(flash, "automation"), "StageCapture").isObject());
}

TEST(LibraryClasses, SomeSingletonsAndProductsKeepTheirPrototypeLink)
{
    Machine m(8);
    Value system = global(m, "System");
    const Value objects[] = {global(m, "Accessibility"), m.vm->getMember(system, "IME"),
                             m.vm->construct(m.vm->getMember(system, "Product"), {})};
    for (const Value& o : objects) {
        ASSERT_TRUE(o.isObject());
        m.vm->setMember(o, "__proto__", Value::null());
        EXPECT_TRUE(m.vm->getMember(o, "__proto__").isObject());
    }
}

TEST(LibraryClasses, LoadVarsAndXmlPostTheirTextUnlessToldGet)
{
    Machine m(8);
    Value vars = m.vm->construct(global(m, "LoadVars"), {});
    m.vm->setMember(vars, "a", Value("x y"));
    m.vm->callMethod(vars, "send", {Value("one.php")});
    m.vm->callMethod(vars, "send", {Value("two.php"), Value("_blank"), Value("gEt")});
    m.vm->setMember(vars, "contentType", Value("text/plain"));
    m.vm->callMethod(vars, "sendAndLoad", {Value("three.php"), m.vm->newObject(), Value("POST")});
    Value doc = newXml(m, "<a/>");
    // XML's sendAndLoad posts whatever the method says.
    m.vm->callMethod(doc, "sendAndLoad", {Value("four.php"), m.vm->newObject(), Value("GET")});
    ASSERT_EQ(m.host.requests.size(), 3u);
    EXPECT_EQ(m.host.requests[0].url, "one.php");
    EXPECT_EQ(m.host.requests[0].method, "POST");
    EXPECT_EQ(m.host.requests[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(m.host.requests[0].body, "a=x%20y");
    EXPECT_EQ(m.host.requests[1].url, "three.php");
    EXPECT_EQ(m.host.requests[1].contentType, "text/plain");
    EXPECT_EQ(m.host.requests[2].body, "<a />");
    EXPECT_FALSE(m.host.requests[2].binary);
}
