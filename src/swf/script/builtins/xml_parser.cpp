#include "swf/script/builtins/xml_parser.h"

#include "swf/format/strings.h"

#include <cctype>
#include <cstdint>

namespace swf::script::xml {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool onlySpace(const std::string& s)
{
    for (char c : s) {
        if (!isSpace(c))
            return false;
    }
    return true;
}

bool startsWith(const std::string& s, std::size_t pos, const char* prefix, bool anyCase = false)
{
    for (std::size_t i = 0; prefix[i]; ++i) {
        if (pos + i >= s.size())
            return false;
        const char c = anyCase ? char(std::toupper(static_cast<unsigned char>(s[pos + i]))) : s[pos + i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

// A numeric reference body ("#65", "#x41"); false for anything else. The
// number ends at the first character that is no digit ("#65e2" is "#65");
// at least one digit must come.
bool numericReference(const std::string& body, std::uint32_t& cp)
{
    if (body.size() < 2 || body[0] != '#')
        return false;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::size_t first = hex ? 2 : 1;
    std::size_t i = first;
    std::uint64_t value = 0;
    for (; i < body.size(); ++i) {
        char c = body[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value * (hex ? 16 : 10) + std::uint64_t(digit);
        if (value > 0x10FFFF)
            return false;
    }
    if (i == first || value == 0)
        return false;
    cp = std::uint32_t(value);
    return true;
}

class Parser {
public:
    Parser(const std::string& text, bool ignoreWhite, ParseLimits limits)
        : m_text(text), m_ignoreWhite(ignoreWhite), m_limits(limits)
    {
        m_doc.nodes.emplace_back();
        m_open.push_back(0);
    }

    ParsedDocument run()
    {
        while (m_pos < m_text.size() && m_doc.status == Status::Ok)
            step();
        if (m_doc.status == Status::Ok && m_open.size() > 1)
            m_doc.status = Status::MissingEndTag;
        return std::move(m_doc);
    }

private:
    void fail(int status) { m_doc.status = status; }

    // Adds a node under the innermost open element; false past the node limit.
    bool add(ParsedNode node, std::size_t* index = nullptr)
    {
        if (m_doc.nodes.size() >= m_limits.maxNodes) {
            fail(Status::OutOfMemory);
            return false;
        }
        const std::size_t i = m_doc.nodes.size();
        m_doc.nodes.push_back(std::move(node));
        m_doc.nodes[m_open.back()].children.push_back(i);
        if (index)
            *index = i;
        return true;
    }

    void addText(std::string value)
    {
        if (m_ignoreWhite && onlySpace(value))
            return;
        ParsedNode node;
        node.text = std::move(value);
        add(std::move(node));
    }

    void step()
    {
        if (m_text[m_pos] != '<') {
            std::size_t end = m_text.find('<', m_pos);
            if (end == std::string::npos)
                end = m_text.size();
            addText(unescape(m_text.substr(m_pos, end - m_pos)));
            m_pos = end;
        } else if (startsWith(m_text, m_pos, "<!--")) {
            std::size_t end = m_text.find("-->", m_pos + 4);
            if (end == std::string::npos)
                return fail(Status::CommentNotTerminated);
            m_pos = end + 3;
        } else if (startsWith(m_text, m_pos, "<![CDATA[")) {
            std::size_t end = m_text.find("]]>", m_pos + 9);
            if (end == std::string::npos)
                return fail(Status::CdataNotTerminated);
            addText(m_text.substr(m_pos + 9, end - m_pos - 9));
            m_pos = end + 3;
        } else if (startsWith(m_text, m_pos, "<!DOCTYPE", true)) { // in any case
            doctype();
        } else if (startsWith(m_text, m_pos, "<!")) {
            std::size_t end = m_text.find('>', m_pos);
            if (end == std::string::npos)
                return fail(Status::MalformedElement);
            m_pos = end + 1;
        } else if (startsWith(m_text, m_pos, "<?")) {
            std::size_t end = m_text.find("?>", m_pos + 2);
            if (end == std::string::npos)
                return fail(Status::DeclarationNotTerminated);
            // Every declaration is kept, one after another.
            m_doc.xmlDecl = m_doc.xmlDecl.value_or(std::string()) + m_text.substr(m_pos, end + 2 - m_pos);
            m_pos = end + 2;
        } else if (startsWith(m_text, m_pos, "</")) {
            endTag();
        } else {
            startTag();
        }
    }

    void doctype()
    {
        // An internal subset in brackets may hold '>' of its own.
        int brackets = 0;
        for (std::size_t i = m_pos + 9; i < m_text.size(); ++i) {
            char c = m_text[i];
            if (c == '[') {
                ++brackets;
            } else if (c == ']' && brackets > 0) {
                --brackets;
            } else if (c == '>' && brackets == 0) {
                m_doc.docTypeDecl = m_text.substr(m_pos, i + 1 - m_pos);
                m_pos = i + 1;
                return;
            }
        }
        fail(Status::DoctypeNotTerminated);
    }

    void endTag()
    {
        std::size_t i = m_pos + 2;
        std::size_t nameStart = i;
        while (i < m_text.size() && !isSpace(m_text[i]) && m_text[i] != '>' && m_text[i] != '/')
            ++i;
        std::string name = m_text.substr(nameStart, i - nameStart);
        std::size_t close = m_text.find('>', i);
        if (name.empty() || close == std::string::npos)
            return fail(Status::MalformedElement);
        m_pos = close + 1;
        if (m_open.size() > 1 && m_doc.nodes[m_open.back()].text == name) {
            m_open.pop_back();
            return;
        }
        for (std::size_t k = 1; k < m_open.size(); ++k) {
            if (m_doc.nodes[m_open[k]].text == name)
                return fail(Status::MissingEndTag);
        }
        fail(Status::UnexpectedEndTag);
    }

    void skipSpace(std::size_t& i)
    {
        while (i < m_text.size() && isSpace(m_text[i]))
            ++i;
    }

    bool closesEmpty(std::size_t i) const { return i + 1 < m_text.size() && m_text[i] == '/' && m_text[i + 1] == '>'; }

    void startTag()
    {
        std::size_t i = m_pos + 1;
        std::size_t nameStart = i;
        while (i < m_text.size() && !isSpace(m_text[i]) && m_text[i] != '>' && !closesEmpty(i))
            ++i;
        ParsedNode node;
        node.element = true;
        node.text = m_text.substr(nameStart, i - nameStart);
        if (node.text.empty())
            return fail(Status::MalformedElement);
        for (;;) {
            skipSpace(i);
            if (i >= m_text.size())
                return fail(Status::MalformedElement);
            if (closesEmpty(i) || m_text[i] == '>')
                break;
            std::size_t attrStart = i;
            while (i < m_text.size() && !isSpace(m_text[i]) && m_text[i] != '=' && m_text[i] != '>' && m_text[i] != '/')
                ++i;
            std::string attrName = unescape(m_text.substr(attrStart, i - attrStart));
            skipSpace(i);
            if (attrName.empty() || i >= m_text.size() || m_text[i] != '=')
                return fail(Status::MalformedElement);
            ++i;
            skipSpace(i);
            if (i >= m_text.size() || (m_text[i] != '"' && m_text[i] != '\''))
                return fail(Status::MalformedElement);
            std::size_t close = m_text.find(m_text[i], i + 1);
            if (close == std::string::npos)
                return fail(Status::AttributeNotTerminated);
            std::string value = unescape(m_text.substr(i + 1, close - i - 1));
            i = close + 1;
            // A name given twice keeps its first value.
            bool seen = false;
            for (const auto& attribute : node.attributes)
                seen = seen || attribute.first == attrName;
            if (!seen)
                node.attributes.emplace_back(std::move(attrName), std::move(value));
        }
        const bool empty = m_text[i] != '>';
        m_pos = i + (empty ? 2 : 1);
        std::size_t index = 0;
        if (!add(std::move(node), &index))
            return;
        if (!empty) {
            if (m_open.size() > m_limits.maxDepth)
                return fail(Status::OutOfMemory);
            m_open.push_back(index);
        }
    }

    const std::string& m_text;
    bool m_ignoreWhite;
    ParseLimits m_limits;
    std::size_t m_pos = 0;
    ParsedDocument m_doc;
    std::vector<std::size_t> m_open; // the document and the elements not yet closed
};

} // namespace

ParsedDocument parse(const std::string& text, bool ignoreWhite, ParseLimits limits)
{
    return Parser(text, ignoreWhite, limits).run();
}

std::string escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string unescape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t semicolon;
        if (text[i] != '&' || (semicolon = text.find(';', i + 1)) == std::string::npos || semicolon - i > 12) {
            out += text[i++];
            continue;
        }
        const std::string body = text.substr(i + 1, semicolon - i - 1);
        std::uint32_t cp = 0;
        if (body == "lt")
            out += '<';
        else if (body == "gt")
            out += '>';
        else if (body == "amp")
            out += '&';
        else if (body == "quot")
            out += '"';
        else if (body == "apos")
            out += '\'';
        else if (numericReference(body, cp))
            appendUtf8(out, cp);
        else {
            out += text[i++];
            continue;
        }
        i = semicolon + 1;
    }
    return out;
}

} // namespace swf::script::xml
