// XML and XMLNode. A node's tree links live in native data attached to its
// object; the members scripts see (firstChild, childNodes, nodeName, ...)
// are getters on XMLNode.prototype that read them. childNodes is a real
// array that mirrors the children and is rebuilt when the tree changes.

#include "swf/script/builtins/library_support.h"
#include "swf/script/builtins/loading.h"
#include "swf/script/builtins/xml_parser.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ranges>

namespace swf::script {

namespace {

using namespace library;

constexpr int kElement = 1;
constexpr int kText = 3;
// Bounds the walk up a parent chain; trees are kept acyclic, so this only
// limits the cost of a pathologically deep tree.
constexpr int kMaxAncestors = 1 << 20;

class XmlNode final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    // The node's members are its own to a with block: an assignment to the
    // bare name there reaches the node.
    bool holdsName(Interpreter&, Object&, const std::string& name) override
    {
        static const char* const members[] = {"attributes", "childNodes", "firstChild", "lastChild", "parentNode",
                                              "nextSibling", "previousSibling", "nodeType", "nodeName", "nodeValue",
                                              "prefix", "localName", "namespaceURI"};
        return std::find(std::begin(members), std::end(members), name) != std::end(members);
    }

    int type = kElement;
    Value name;  // as given; converted to a string when read
    Value value;
    Object* parent = nullptr;
    std::vector<Object*> children;
    Object* attributes = nullptr;
    Object* childNodes = nullptr;
    // The namespace the parser resolved for the element when it read it:
    // later declarations do not change it.
    std::optional<Value> parsedNamespace;
    // The heap traces object properties, not native data: this object
    // (reachable only through the node's primitive slot) holds every
    // object the node refers to.
    Object* anchor = nullptr;

    // XML documents only.
    bool document = false;
    int status = xml::Status::Ok;
    Value contentType = "application/x-www-form-urlencoded";
    Value docTypeDecl;
    Value xmlDecl;
    Value ignoreWhite = false;
    Value loaded;
};

XmlNode* nodeOf(Object* o)
{
    return o ? dynamic_cast<XmlNode*>(o->extension()) : nullptr;
}

// Strings from script values as the XML classes take them: an object whose
// toString gives no string reads as "[type Object]".
std::string xmlString(Interpreter& in, const Value& v)
{
    Object* o = v.asObject();
    if (!o || o->objectClass() == ObjectClass::Clip)
        return in.toString(v);
    Value fn = in.getMember(v, "toString");
    if (!fn.isObject() || !fn.asObject()->isFunction())
        return "[type Object]";
    Value r = in.call(fn, o, {});
    return r.isString() ? r.asString() : "[type Object]";
}

std::string anchorKey(Object* o) { return std::to_string(reinterpret_cast<std::uintptr_t>(o)); }

void anchorRef(XmlNode* n, const char* slot, Object* o)
{
    if (o)
        n->anchor->put(slot, o);
    else
        n->anchor->remove(slot);
}

// Makes `o` a node with an empty attribute object and child list.
XmlNode* attachNode(Interpreter& in, Object* o, int type)
{
    auto node = std::make_shared<XmlNode>();
    XmlNode* n = node.get();
    n->type = type;
    n->anchor = in.heap().make();
    n->attributes = in.heap().make();
    n->childNodes = in.newArray();
    if (const Property* array = in.global()->findOwn("Array"))
        n->childNodes->put("constructor", array->value, kHiddenPermanent);
    anchorRef(n, "attributes", n->attributes);
    anchorRef(n, "childNodes", n->childNodes);
    o->primitive = n->anchor;
    o->setExtension(std::move(node));
    return n;
}

// childNodes items are read-only, as the player's are.
void rebuildChildNodes(Interpreter& in, XmlNode* n)
{
    in.setArrayLength(n->childNodes, 0);
    for (std::size_t i = 0; i < n->children.size(); ++i)
        n->childNodes->put(std::to_string(i), n->children[i], PropertyFlag::ReadOnly);
    n->childNodes->put("length", double(n->children.size()));
}

void detach(Interpreter& in, Object* child)
{
    XmlNode* c = nodeOf(child);
    if (!c || !c->parent)
        return;
    XmlNode* p = nodeOf(c->parent);
    if (p) {
        auto it = std::find(p->children.begin(), p->children.end(), child);
        if (it != p->children.end())
            p->children.erase(it);
        p->anchor->remove(anchorKey(child));
        rebuildChildNodes(in, p);
    }
    c->parent = nullptr;
    anchorRef(c, "parent", nullptr);
}

// Whether `candidate` is `node` or one of its ancestors.
bool isSelfOrAncestor(Object* candidate, Object* node)
{
    int steps = 0;
    for (Object* o = node; o && steps < kMaxAncestors; ++steps) {
        if (o == candidate)
            return true;
        XmlNode* n = nodeOf(o);
        o = n ? n->parent : nullptr;
    }
    return false;
}

// Inserts `child` into `parent` before position `index`; refuses cycles.
bool insertChild(Interpreter& in, Object* parent, Object* child, std::size_t index)
{
    XmlNode* p = nodeOf(parent);
    XmlNode* c = nodeOf(child);
    // Only a node with children of its own can close a cycle below it.
    if (!p || !c || child == parent || (!c->children.empty() && isSelfOrAncestor(child, parent)))
        return false;
    detach(in, child);
    index = std::min(index, p->children.size());
    const bool append = index == p->children.size();
    p->children.insert(p->children.begin() + std::ptrdiff_t(index), child);
    p->anchor->put(anchorKey(child), child);
    c->parent = parent;
    anchorRef(c, "parent", parent);
    // Appending to an untouched list only adds the last item.
    if (append && in.arrayLength(p->childNodes) == p->children.size() - 1) {
        p->childNodes->put(std::to_string(index), child, PropertyFlag::ReadOnly);
        p->childNodes->put("length", double(p->children.size()));
    } else {
        rebuildChildNodes(in, p);
    }
    return true;
}

Value nameString(Interpreter& in, const Value& v)
{
    if (v.isNullish())
        return Value::null();
    return xmlString(in, v);
}

// "a:b" splits at the first colon, unless the colon ends the name.
void splitName(const std::string& name, std::string& prefix, std::string& local)
{
    std::size_t colon = name.find(':');
    if (colon == std::string::npos || colon + 1 == name.size()) {
        prefix.clear();
        local = name;
    } else {
        prefix = name.substr(0, colon);
        local = name.substr(colon + 1);
    }
}

// The prefix an attribute declares a namespace for, if it declares one: any
// name that starts with "xmlns" does. "xmlns:p" declares p; "xmlns", an
// empty "xmlns:" and names such as "xmlnsfoo" declare the default one ("").
std::optional<std::string> declaredPrefix(const std::string& attribute)
{
    if (attribute.rfind("xmlns", 0) != 0)
        return std::nullopt;
    if (attribute.size() > 5 && attribute[5] == ':')
        return attribute.substr(6);
    return std::string();
}

// A node's attributes in the order for..in lists them, the newest first (a
// parsed node's: the document's order, see setAttributes).
auto attributesInOrder(const XmlNode* n)
{
    return std::views::reverse(n->attributes->properties());
}

// The namespace bound to `prefix` on the node or its ancestors ("" for the
// default one): the first declaration of it, in the order for..in lists the
// attributes (a parsed node's: the document's), on the nearest node that has one.
Value namespaceFor(Interpreter& in, Object* node, const std::string& prefix)
{
    int steps = 0;
    for (Object* o = node; o && steps < kMaxAncestors; ++steps) {
        XmlNode* n = nodeOf(o);
        if (!n)
            break;
        for (const Property& p : attributesInOrder(n)) {
            if (declaredPrefix(p.name) == prefix)
                return in.toString(p.value);
        }
        o = n->parent;
    }
    return Value::null();
}

// A node of the kind the parser and createElement make: its prototype is
// the current XMLNode.prototype and it names XMLNode as its constructor.
void installNodeAccessors(Interpreter& in, Object* proto);
Value resolveNamespace(Interpreter& in, Object* self, XmlNode* n);

// Nodes made by createElement and createTextNode bring the getters to a
// replaced XMLNode.prototype; the parser's do not.
Object* newNode(Interpreter& in, int type, const Value& text, bool fromParser = false)
{
    Object* proto = in.prototypeOf("XMLNode");
    if (!fromParser)
        installNodeAccessors(in, proto);
    Object* o = in.newObject(proto);
    if (const Property* ctor = in.global()->findOwn("XMLNode"))
        o->put("constructor", ctor->value, kHiddenPermanent);
    XmlNode* n = attachNode(in, o, type);
    if (type == kElement)
        n->name = text;
    else
        n->value = text;
    return o;
}

// The parser's attributes go in from the last: for..in, and the text a node
// converts to, list them in the document's order.
void setAttributes(Interpreter& in, XmlNode* n, const std::vector<std::pair<std::string, std::string>>& attributes)
{
    (void)in;
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it)
        n->attributes->put(it->first, it->second);
}

// Serialises without recursion: trees built by script may be very deep.
std::string serialize(Interpreter& in, Object* root)
{
    std::string out;
    struct Item {
        Object* node;
        bool closing;
    };
    std::vector<Item> work{{root, false}};
    while (!work.empty()) {
        Item item = work.back();
        work.pop_back();
        XmlNode* n = nodeOf(item.node);
        if (!n)
            continue;
        if (n->type != kElement) {
            out += xml::escape(n->value.isNullish() ? std::string() : xmlString(in, n->value));
            continue;
        }
        const bool named = !n->name.isNullish();
        if (item.closing) {
            out += "</" + xmlString(in, n->name) + ">";
            continue;
        }
        if (n->document) {
            if (!n->xmlDecl.isNullish())
                out += in.toString(n->xmlDecl);
            if (!n->docTypeDecl.isNullish())
                out += in.toString(n->docTypeDecl);
        }
        if (named) {
            out += "<" + xmlString(in, n->name);
            for (const Property& p : attributesInOrder(n)) {
                if (!(p.flags & PropertyFlag::DontEnum))
                    out += " " + p.name + "=\"" + xml::escape(in.toString(p.value)) + "\"";
            }
            if (n->children.empty()) {
                out += " />";
                continue;
            }
            out += ">";
            work.push_back({item.node, true});
        }
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            work.push_back({*it, false});
    }
    return out;
}

Object* cloneNode(Interpreter& in, Object* source, bool deep)
{
    struct Item {
        Object* from;
        Object* toParent;
    };
    Object* root = nullptr;
    std::vector<Item> work{{source, nullptr}};
    while (!work.empty()) {
        Item item = work.back();
        work.pop_back();
        XmlNode* from = nodeOf(item.from);
        if (!from)
            continue;
        Object* copy = in.newObject(item.from->proto());
        if (const Property* ctor = in.global()->findOwn("XMLNode"))
            copy->put("constructor", ctor->value, kHiddenPermanent);
        XmlNode* to = attachNode(in, copy, from->type);
        to->name = from->name;
        to->value = from->value;
        for (const Property& p : from->attributes->properties())
            to->attributes->put(p.name, p.value, p.flags);
        if (item.toParent)
            insertChild(in, item.toParent, copy, nodeOf(item.toParent)->children.size());
        else
            root = copy;
        if (deep) {
            for (auto it = from->children.rbegin(); it != from->children.rend(); ++it)
                work.push_back({*it, copy});
        }
    }
    return root;
}

// Replaces the document's children with the parsed text.
void parseInto(Interpreter& in, Object* self, const std::string& text)
{
    XmlNode* doc = nodeOf(self);
    if (!doc)
        return;
    while (!doc->children.empty())
        detach(in, doc->children.back());
    const bool ignoreWhite = in.toBoolean(in.getMember(self, "ignoreWhite"));
    xml::ParsedDocument parsed = xml::parse(text, ignoreWhite);
    doc->status = parsed.status;
    doc->xmlDecl = parsed.xmlDecl ? Value(*parsed.xmlDecl) : Value();
    doc->docTypeDecl = parsed.docTypeDecl ? Value(*parsed.docTypeDecl) : Value();

    // Nodes with an id attribute are also filed under it: on the document
    // itself before SWF 8, from SWF 8 on in its idMap object (made when the
    // first id appears unless the script supplied one). Scripts may watch
    // these assignments, so the tree grows in document order around them.
    Value idMap = in.swfVersion() >= 8 ? in.getMember(self, "idMap") : Value(self);
    std::vector<std::pair<std::size_t, Object*>> work;
    for (auto it = parsed.nodes[0].children.rbegin(); it != parsed.nodes[0].children.rend(); ++it)
        work.emplace_back(*it, self);
    while (!work.empty() && in.reserveMemory(0)) {
        auto [index, parent] = work.back();
        work.pop_back();
        const xml::ParsedNode& record = parsed.nodes[index];
        Object* child = newNode(in, record.element ? kElement : kText, record.text, true);
        XmlNode* c = nodeOf(child);
        setAttributes(in, c, record.attributes);
        XmlNode* p = nodeOf(parent);
        if (!p)
            continue;
        insertChild(in, parent, child, p->children.size());
        if (c->type == kElement)
            c->parsedNamespace = resolveNamespace(in, child, c);
        if (const Property* id = c->attributes->findOwn("id")) {
            if (idMap.isUndefined()) {
                idMap = in.heap().make();
                self->put("idMap", idMap);
            }
            if (idMap.isObject())
                in.setMember(idMap, in.toString(id->value), child);
        }
        for (auto it = record.children.rbegin(); it != record.children.rend(); ++it)
            work.emplace_back(*it, child);
    }
}

// A getter that reads the node behind `this`, undefined for anything else.
void nodeGetter(Interpreter& in, Object* proto, const char* name, Value (*read)(Interpreter&, Object*, XmlNode*),
                NativeFunction setter = {})
{
    nativeAccessor(
        in, proto, name,
        [read](Interpreter& in, Object* self, const Args&) -> Value {
            XmlNode* n = nodeOf(self);
            return n ? read(in, self, n) : Value();
        },
        std::move(setter));
}

Value nullIfNone(Object* o) { return o ? Value(o) : Value::null(); }

Value sibling(Object* self, XmlNode* n, int step)
{
    XmlNode* p = nodeOf(n->parent);
    if (!p)
        return Value::null();
    auto it = std::find(p->children.begin(), p->children.end(), self);
    if (it == p->children.end())
        return Value::null();
    std::ptrdiff_t i = (it - p->children.begin()) + step;
    if (i < 0 || i >= std::ptrdiff_t(p->children.size()))
        return Value::null();
    return p->children[std::size_t(i)];
}

Value elementName(Interpreter& in, XmlNode* n, int part)
{
    if (n->type != kElement || n->name.isNullish())
        return Value::null();
    std::string name = xmlString(in, n->name), prefix, local;
    splitName(name, prefix, local);
    return part == 0 ? prefix : local;
}

// The namespace of an element's prefix as its ancestors declare it now.
Value resolveNamespace(Interpreter& in, Object* self, XmlNode* n)
{
    Value prefix = elementName(in, n, 0);
    if (prefix.isNull())
        return prefix;
    Value ns = namespaceFor(in, self, prefix.asString());
    return ns.isNull() ? Value("") : ns;
}

// The node getters appear on a prototype when the first node made from it
// appears (and on the original prototype from the start).
void installNodeAccessors(Interpreter& in, Object* proto)
{
    if (!proto || proto->findOwn("nodeType"))
        return;
    nodeGetter(in, proto, "attributes", [](Interpreter&, Object*, XmlNode* n) -> Value { return n->attributes; });
    nodeGetter(in, proto, "childNodes", [](Interpreter&, Object*, XmlNode* n) -> Value { return n->childNodes; });
    nodeGetter(in, proto, "firstChild", [](Interpreter&, Object*, XmlNode* n) -> Value {
        return nullIfNone(n->children.empty() ? nullptr : n->children.front());
    });
    nodeGetter(in, proto, "lastChild", [](Interpreter&, Object*, XmlNode* n) -> Value {
        return nullIfNone(n->children.empty() ? nullptr : n->children.back());
    });
    nodeGetter(in, proto, "parentNode", [](Interpreter&, Object*, XmlNode* n) -> Value { return nullIfNone(n->parent); });
    nodeGetter(in, proto, "nextSibling", [](Interpreter&, Object* self, XmlNode* n) -> Value { return sibling(self, n, 1); });
    nodeGetter(in, proto, "previousSibling", [](Interpreter&, Object* self, XmlNode* n) -> Value { return sibling(self, n, -1); });
    nodeGetter(in, proto, "nodeType", [](Interpreter&, Object*, XmlNode* n) -> Value { return n->type; });
    nodeGetter(
        in, proto, "nodeName",
        // Any node keeps the name assigned to it; a text node starts without.
        [](Interpreter& in, Object*, XmlNode* n) -> Value { return nameString(in, n->name); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            XmlNode* n = nodeOf(self);
            // Unlike the constructor's, an assigned name is converted once, here.
            // Its namespace is looked up anew.
            if (n && !arg(args, 0).isUndefined()) {
                n->name = xmlString(in, args[0]);
                n->parsedNamespace.reset();
            }
            return Value();
        });
    nodeGetter(
        in, proto, "nodeValue",
        // An element has no value until one is assigned, as a text node no name.
        [](Interpreter& in, Object*, XmlNode* n) -> Value { return nameString(in, n->value); },
        [](Interpreter&, Object* self, const Args& args) -> Value {
            XmlNode* n = nodeOf(self);
            if (n && !arg(args, 0).isUndefined())
                n->value = args[0];
            return Value();
        });
    nodeGetter(in, proto, "prefix", [](Interpreter& in, Object*, XmlNode* n) -> Value { return elementName(in, n, 0); });
    nodeGetter(in, proto, "localName", [](Interpreter& in, Object*, XmlNode* n) -> Value { return elementName(in, n, 1); });
    nodeGetter(in, proto, "namespaceURI", [](Interpreter& in, Object* self, XmlNode* n) -> Value {
        return n->parsedNamespace ? *n->parsedNamespace : resolveNamespace(in, self, n);
    });
}

void installXmlNodeMethods(Interpreter& in, Object* proto)
{

    nativeMethod(in, proto, "appendChild", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // A child appended to its own parent stays where it is.
        XmlNode* n = nodeOf(self);
        XmlNode* child = nodeOf(arg(args, 0).asObject());
        if (n && child && child->parent != self)
            insertChild(in, self, args[0].asObject(), n->children.size());
        return Value();
    }, 0);
    nativeMethod(in, proto, "insertBefore", [](Interpreter& in, Object* self, const Args& args) -> Value {
        XmlNode* n = nodeOf(self);
        Object* before = arg(args, 1).asObject();
        if (!n || !before)
            return Value();
        auto it = std::find(n->children.begin(), n->children.end(), before);
        if (it != n->children.end() && arg(args, 0).asObject() != before)
            insertChild(in, self, arg(args, 0).asObject(), std::size_t(it - n->children.begin()));
        return Value();
    }, 0);
    nativeMethod(in, proto, "removeNode", [](Interpreter& in, Object* self, const Args&) -> Value {
        detach(in, self);
        return Value();
    }, 0);
    nativeMethod(in, proto, "cloneNode", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!nodeOf(self))
            return Value();
        return cloneNode(in, self, in.toBoolean(arg(args, 0)));
    }, 0);
    nativeMethod(in, proto, "hasChildNodes", [](Interpreter&, Object* self, const Args&) -> Value {
        XmlNode* n = nodeOf(self);
        return n ? Value(!n->children.empty()) : Value();
    }, 0);
    nativeMethod(in, proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value {
        // Something that is no node yields no string: conversions then
        // name it "[type Object]", as with the original player.
        if (!nodeOf(self))
            return self;
        return serialize(in, self);
    }, 0);
    nativeMethod(in, proto, "getNamespaceForPrefix", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!nodeOf(self) || args.empty())
            return Value::null();
        return namespaceFor(in, self, args[0].isNullish() ? std::string() : in.toString(args[0]));
    }, 0);
    nativeMethod(in, proto, "getPrefixForNamespace", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!nodeOf(self) || args.empty())
            return Value::null();
        const std::string uri = in.toString(args[0]);
        int steps = 0;
        for (Object* o = self; o && steps < kMaxAncestors; ++steps) {
            XmlNode* n = nodeOf(o);
            if (!n)
                break;
            for (const Property& p : attributesInOrder(n)) {
                if (const std::optional<std::string> prefix = declaredPrefix(p.name); prefix && in.toString(p.value) == uri)
                    return *prefix;
            }
            o = n->parent;
        }
        return Value::null();
    }, 0);
}

enum class FieldType { Text, Flag };

// A document-level field of XML objects, exposed through getter and setter.
// Assigning undefined changes nothing; flags take booleans, the rest strings.
void documentField(Interpreter& in, Object* proto, const char* name, Value XmlNode::*field, FieldType type)
{
    if (proto->findOwn(name))
        return;
    nativeAccessor(
        in, proto, name,
        [field](Interpreter&, Object* self, const Args&) -> Value {
            XmlNode* n = nodeOf(self);
            return n && n->document ? n->*field : Value();
        },
        [field, type](Interpreter& in, Object* self, const Args& args) -> Value {
            XmlNode* n = nodeOf(self);
            Value v = arg(args, 0);
            if (!n || !n->document || v.isUndefined())
                return Value();
            // Objects are read as text first, whatever the field, as the player does.
            std::string text = v.isObject() ? xmlString(in, v) : std::string();
            if (type == FieldType::Flag)
                n->*field = in.toBoolean(v);
            else
                n->*field = v.isNull() ? v : Value(v.isObject() ? text : in.toString(v));
            return Value();
        });
}

// The first XML object made gives the current prototype its document fields.
void installDocumentFields(Interpreter& in, Object* proto)
{
    if (!proto)
        return;
    documentField(in, proto, "contentType", &XmlNode::contentType, FieldType::Text);
    documentField(in, proto, "docTypeDecl", &XmlNode::docTypeDecl, FieldType::Text);
    documentField(in, proto, "ignoreWhite", &XmlNode::ignoreWhite, FieldType::Flag);
    documentField(in, proto, "loaded", &XmlNode::loaded, FieldType::Flag);
    documentField(in, proto, "xmlDecl", &XmlNode::xmlDecl, FieldType::Text);
    if (!proto->findOwn("status")) {
        nativeAccessor(
            in, proto, "status",
            [](Interpreter&, Object* self, const Args&) -> Value {
                XmlNode* n = nodeOf(self);
                return n && n->document ? Value(n->status) : Value();
            },
            [](Interpreter& in, Object* self, const Args& args) -> Value {
                XmlNode* n = nodeOf(self);
                if (n && n->document && !arg(args, 0).isUndefined()) {
                    if (args[0].isObject())
                        xmlString(in, args[0]);
                    n->status = toInt32(in.toNumber(args[0]));
                }
                return Value();
            });
    }
}

} // namespace

void installXml(Interpreter& in)
{
    Object* nodeProto = in.newObject();
    Object* nodeCtor = makeConstructor(
        in, "XMLNode", nothing(),
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            // Both the type and the text are needed to make a node.
            if (args.size() < 2 || args[0].isUndefined() || args[1].isUndefined())
                return self;
            self->markNative();
            installNodeAccessors(in, self->proto());
            const int type = in.toNumber(args[0]) == 1 ? kElement : kText;
            XmlNode* n = attachNode(in, self, type);
            // The text is kept as given and read as a string on each use.
            (type == kElement ? n->name : n->value) = args[1].isNull() ? Value("null") : args[1];
            return self;
        },
        nodeProto);
    installNodeAccessors(in, nodeProto);
    installXmlNodeMethods(in, nodeProto);

    // XML.prototype is an XMLNode made without arguments (not a node itself).
    Object* xmlProto = in.newObject(nodeProto);
    xmlProto->put("__constructor__", nodeCtor, PropertyFlag::DontEnum | PropertyFlag::Version6);
    Object* xmlCtor = in.newFunction(nothing(), [](Interpreter& in, Object* self, const Args& args) -> Value {
        self->markNative();
        installDocumentFields(in, self->proto());
        XmlNode* n = attachNode(in, self, kElement);
        n->document = true;
        if (!args.empty() && !args[0].isUndefined())
            parseInto(in, self, xmlString(in, args[0]));
        return self;
    });
    xmlCtor->put("prototype", xmlProto, kHiddenPermanent);
    in.global()->put("XML", xmlCtor, PropertyFlag::DontEnum);

    nativeMethod(in, xmlProto, "parseXML", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (nodeOf(self) && !arg(args, 0).isUndefined())
            parseInto(in, self, xmlString(in, args[0]));
        return Value();
    }, 0);
    nativeMethod(in, xmlProto, "createElement", [](Interpreter& in, Object*, const Args& args) -> Value {
        return arg(args, 0).isUndefined() ? Value() : Value(newNode(in, kElement, xmlString(in, args[0])));
    }, 0);
    nativeMethod(in, xmlProto, "createTextNode", [](Interpreter& in, Object*, const Args& args) -> Value {
        return arg(args, 0).isUndefined() ? Value() : Value(newNode(in, kText, xmlString(in, args[0])));
    }, 0);
    nativeMethod(in, xmlProto, "load", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        return startLoad(in, self, in.toString(args[0]));
    }, 0);
    nativeMethod(in, xmlProto, "send", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (args.empty())
            return false;
        postText(in, self, in.toString(args[0]), arg(args, 2));
        return true;
    }, 0);
    // sendAndLoad always posts.
    nativeMethod(in, xmlProto, "sendAndLoad", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* target = arg(args, 1).asObject();
        if (args.empty() || !target)
            return false;
        const std::string url = in.toString(args[0]);
        postText(in, self, url, Value());
        return startLoad(in, target, url);
    }, 0);
    scriptMethod(in, xmlProto, "addRequestHeader", addRequestHeader, 0);
    scriptMethod(in, xmlProto, "getBytesLoaded", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.getMember(self, "_bytesLoaded");
    }, 0);
    scriptMethod(in, xmlProto, "getBytesTotal", [](Interpreter& in, Object* self, const Args&) -> Value {
        return in.getMember(self, "_bytesTotal");
    }, 0);
    scriptMethod(in, xmlProto, "onData", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Value src = arg(args, 0);
        if (src.isUndefined()) {
            in.callMethod(self, "onLoad", {false});
        } else {
            in.callMethod(self, "parseXML", {src});
            in.setMember(self, "loaded", true);
            in.callMethod(self, "onLoad", {true});
        }
        return Value();
    }, 0);
    scriptMethod(in, xmlProto, "onLoad", nothing(), 0);
}

} // namespace swf::script
