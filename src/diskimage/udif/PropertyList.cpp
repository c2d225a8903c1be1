#include "diskimage/udif/PropertyList.h"

#include "diskimage/Utf8.h"
#include "diskimage/udif/Base64.h"

namespace vorlap::diskimage::udif {

const PlistValue* PlistValue::find(std::string_view key) const
{
    if (kind != Kind::Dict)
        return nullptr;
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &items[i];
    return nullptr;
}

std::string xmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view xml) : m_xml(xml) {}

    Result<PlistValue> document()
    {
        skipSpace();
        if (startsWith("<?xml")) {
            const size_t end = m_xml.find("?>", m_pos);
            if (end == std::string_view::npos)
                return error("unterminated XML declaration");
            m_pos = end + 2;
        }
        VORLAP_TRY(skipMisc());
        if (startsWith("<!DOCTYPE")) {
            const size_t end = m_xml.find_first_of("[>", m_pos);
            if (end == std::string_view::npos)
                return error("unterminated DOCTYPE");
            if (m_xml[end] == '[')
                return error("DOCTYPE with an internal subset");
            m_pos = end + 1;
        }
        VORLAP_TRY(skipMisc());

        Tag tag;
        VORLAP_TRY(openTag(tag));
        if (tag.name != "plist" || tag.selfClosing)
            return error("the root element is not <plist>");
        VORLAP_TRY(skipMisc());
        VORLAP_TRY_LET(value, parseValue(1));
        VORLAP_TRY(skipMisc());
        VORLAP_TRY(closeTag("plist"));
        VORLAP_TRY(skipMisc());
        if (m_pos != m_xml.size())
            return error("content after </plist>");
        return value;
    }

private:
    struct Tag {
        std::string name;
        bool selfClosing = false;
    };

    Unexpected<DiskImageError> error(const std::string& what) const
    {
        return fail(ErrorCode::corrupt, "malformed property list: " + what + " (at byte " + std::to_string(m_pos) + ")");
    }

    bool startsWith(std::string_view s) const { return m_xml.substr(m_pos, s.size()) == s; }

    void skipSpace()
    {
        while (m_pos < m_xml.size()
               && (m_xml[m_pos] == ' ' || m_xml[m_pos] == '\t' || m_xml[m_pos] == '\n' || m_xml[m_pos] == '\r'))
            ++m_pos;
    }

    // White space and comments.
    Result<void> skipMisc()
    {
        for (;;) {
            skipSpace();
            if (!startsWith("<!--"))
                return {};
            const size_t end = m_xml.find("-->", m_pos + 4);
            if (end == std::string_view::npos)
                return error("unterminated comment");
            m_pos = end + 3;
        }
    }

    static bool isNameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == ':' || c == '.';
    }

    Result<void> openTag(Tag& tag)
    {
        if (!startsWith("<") || startsWith("</") || startsWith("<!") || startsWith("<?"))
            return error("expected an element");
        ++m_pos;
        const size_t start = m_pos;
        while (m_pos < m_xml.size() && isNameChar(m_xml[m_pos]))
            ++m_pos;
        if (m_pos == start)
            return error("element without a name");
        tag.name = std::string(m_xml.substr(start, m_pos - start));
        // Attributes are skipped, quotes honoured.
        char quote = 0;
        for (; m_pos < m_xml.size(); ++m_pos) {
            const char c = m_xml[m_pos];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                return error("'<' inside a tag");
            } else if (c == '>') {
                tag.selfClosing = m_xml[m_pos - 1] == '/';
                ++m_pos;
                return {};
            }
        }
        return error("unterminated tag");
    }

    Result<void> closeTag(std::string_view name)
    {
        const std::string expected = "</" + std::string(name);
        if (!startsWith(expected))
            return error("expected </" + std::string(name) + ">");
        m_pos += expected.size();
        skipSpace();
        if (!startsWith(">"))
            return error("expected </" + std::string(name) + ">");
        ++m_pos;
        return {};
    }

    // Character data up to the next '<', entities decoded, then the closing tag.
    Result<std::string> textContent(const Tag& tag)
    {
        if (tag.selfClosing)
            return std::string();
        std::string out;
        while (m_pos < m_xml.size() && m_xml[m_pos] != '<') {
            const char c = m_xml[m_pos];
            if (c != '&') {
                out += c;
                ++m_pos;
                continue;
            }
            const size_t end = m_xml.find(';', m_pos);
            if (end == std::string_view::npos || end - m_pos > 12)
                return error("bad entity");
            const std::string_view entity = m_xml.substr(m_pos + 1, end - m_pos - 1);
            if (entity == "amp")
                out += '&';
            else if (entity == "lt")
                out += '<';
            else if (entity == "gt")
                out += '>';
            else if (entity == "quot")
                out += '"';
            else if (entity == "apos")
                out += '\'';
            else if (entity.size() > 1 && entity[0] == '#') {
                unsigned long code = 0;
                const bool hex = entity[1] == 'x';
                const std::string_view digits = entity.substr(hex ? 2 : 1);
                if (digits.empty())
                    return error("bad character reference");
                for (const char d : digits) {
                    int v = -1;
                    if (d >= '0' && d <= '9')
                        v = d - '0';
                    else if (hex && d >= 'a' && d <= 'f')
                        v = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F')
                        v = d - 'A' + 10;
                    if (v < 0)
                        return error("bad character reference");
                    code = code * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                    if (code > 0x10FFFF)
                        return error("bad character reference");
                }
                if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
                    return error("bad character reference");
                appendUtf8(out, static_cast<char32_t>(code));
            } else {
                return error("unknown entity &" + std::string(entity) + ";");
            }
            m_pos = end + 1;
        }
        if (m_pos >= m_xml.size())
            return error("unterminated <" + tag.name + ">");
        VORLAP_TRY(closeTag(tag.name));
        return out;
    }

    Result<PlistValue> parseValue(int depth)
    {
        if (depth > kPlistMaxDepth)
            return error("nested too deeply");
        const size_t tagStart = m_pos;
        Tag tag;
        VORLAP_TRY(openTag(tag));
        if (tag.name == "dict" || tag.name == "array")
            return parseContainer(tag, depth);
        if (tag.name == "true" || tag.name == "false") {
            PlistValue v;
            v.kind = PlistValue::Kind::Boolean;
            v.text = tag.name;
            if (!tag.selfClosing)
                VORLAP_TRY(closeTag(tag.name));
            return v;
        }
        return parseScalar(tag, tagStart);
    }

    // <dict> or <array>, its opening tag read: the items up to its closing tag.
    Result<PlistValue> parseContainer(const Tag& tag, int depth)
    {
        const bool isDict = tag.name == "dict";
        PlistValue v;
        v.kind = isDict ? PlistValue::Kind::Dict : PlistValue::Kind::Array;
        if (tag.selfClosing)
            return v;
        for (;;) {
            VORLAP_TRY(skipMisc());
            if (m_pos >= m_xml.size())
                return error("unterminated <" + tag.name + ">");
            if (startsWith("</"))
                break;
            if (isDict) {
                VORLAP_TRY_LET(key, parseKey());
                v.keys.push_back(std::move(key));
            }
            VORLAP_TRY_LET(item, parseValue(depth + 1));
            v.items.push_back(std::move(item));
        }
        VORLAP_TRY(closeTag(tag.name));
        return v;
    }

    Result<std::string> parseKey()
    {
        Tag keyTag;
        VORLAP_TRY(openTag(keyTag));
        if (keyTag.name != "key")
            return error("expected <key> in <dict>");
        VORLAP_TRY_LET(key, textContent(keyTag));
        VORLAP_TRY(skipMisc());
        return key;
    }

    // An element holding text: string, data, integer, real or date.
    Result<PlistValue> parseScalar(const Tag& tag, size_t tagStart)
    {
        PlistValue v;
        if (tag.name == "string")
            v.kind = PlistValue::Kind::String;
        else if (tag.name == "data")
            v.kind = PlistValue::Kind::Data;
        else if (tag.name == "integer")
            v.kind = PlistValue::Kind::Integer;
        else if (tag.name == "real")
            v.kind = PlistValue::Kind::Real;
        else if (tag.name == "date")
            v.kind = PlistValue::Kind::Date;
        else {
            m_pos = tagStart;
            return error("unknown element <" + tag.name + ">");
        }
        VORLAP_TRY_LET(text, textContent(tag));
        if (v.kind == PlistValue::Kind::Data) {
            auto decoded = base64Decode(text);
            if (!decoded)
                return error("bad base64 in <data>");
            v.data = std::move(*decoded);
        } else {
            v.text = std::move(text);
        }
        return v;
    }

    std::string_view m_xml;
    size_t m_pos = 0;
};

} // namespace

Result<PlistValue> parseXmlPropertyList(std::string_view xml)
{
    return Parser(xml).document();
}

} // namespace vorlap::diskimage::udif
