#pragma once

// The XML reader behind XML.parseXML: turns text into a plain tree of
// elements and text nodes with the original player's status codes. It keeps
// what it read before an error, as the player does, and never recurses, so
// hostile input costs at most its own size.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace swf::script::xml {

// XML.status values.
namespace Status {
constexpr int Ok = 0;
constexpr int CdataNotTerminated = -2;
constexpr int DeclarationNotTerminated = -3;
constexpr int DoctypeNotTerminated = -4;
constexpr int CommentNotTerminated = -5;
constexpr int MalformedElement = -6;
constexpr int OutOfMemory = -7;
constexpr int AttributeNotTerminated = -8;
constexpr int MissingEndTag = -9;
constexpr int UnexpectedEndTag = -10;
} // namespace Status

struct ParsedNode {
    bool element = false;
    std::string text; // the element's name, or a text node's decoded value
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::size_t> children; // indexes into ParsedDocument::nodes
};

struct ParsedDocument {
    // nodes[0] is the document itself; the rest are its descendants.
    std::vector<ParsedNode> nodes;
    int status = Status::Ok;
    std::optional<std::string> xmlDecl;
    std::optional<std::string> docTypeDecl;
};

struct ParseLimits {
    std::size_t maxDepth = 4096;
    std::size_t maxNodes = 1u << 20;
};

// ignoreWhite drops text nodes made only of spaces, tabs and line breaks.
ParsedDocument parse(const std::string& text, bool ignoreWhite, ParseLimits limits = {});

// Replaces & < > " ' with their entities, as XML.toString writes text and attribute values.
std::string escape(const std::string& text);
// Decodes the five named entities and numeric references; anything else stays as written.
std::string unescape(const std::string& text);

} // namespace swf::script::xml
