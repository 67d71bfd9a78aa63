#include "settings/xmlnesting.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

class Scanner {
public:
    Scanner(const char* text, std::size_t size)
        : m_text(text, size)
    {
    }

    int depth(int limit)
    {
        int depth = 0;
        int deepest = 0;
        while (m_at < m_text.size()) {
            if (m_text[m_at] != '<') {
                ++m_at;
                continue;
            }
            if (startsWith("<!--")) {
                skipPast("-->", m_at + 4);
            } else if (startsWith("<![CDATA[")) {
                skipPast("]]>", m_at + 9);
            } else if (startsWith("<?")) {
                skipPast("?>", m_at + 2);
            } else if (startsWith("<!DOCTYPE")) {
                if (!skipDoctype())
                    return deepest;
            } else if (startsWith("<!")) {
                return deepest; // the parser refuses the text here
            } else if (startsWith("</")) {
                depth = std::max(0, depth - 1);
                skipPast(">", m_at + 2);
            } else {
                // An empty element is a level of the tree too, if one
                // that closes at once.
                const bool opens = skipStartTag();
                deepest = std::max(deepest, depth + 1);
                if (opens)
                    ++depth;
                if (deepest > limit)
                    return limit + 1;
            }
        }
        return deepest;
    }

private:
    bool startsWith(std::string_view prefix) const { return m_text.substr(m_at).starts_with(prefix); }

    void skipPast(std::string_view end, std::size_t from)
    {
        const std::size_t found = m_text.find(end, std::min(from, m_text.size()));
        m_at = found == std::string_view::npos ? m_text.size() : found + end.size();
    }

    // Moves past the start tag at m_at; true when it opens an element (it
    // does not end in "/>"). Quotes hide ">" as they do in attribute values.
    bool skipStartTag()
    {
        char quote = 0;
        for (std::size_t i = m_at + 1; i < m_text.size(); ++i) {
            const char c = m_text[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                m_at = i + 1;
                return m_text[i - 1] != '/';
            }
        }
        m_at = m_text.size();
        return true;
    }

    // The DOCTYPE with its internal subset, read as pugixml skips it; false
    // where pugixml gives up on it.
    bool skipDoctype()
    {
        int depth = 0;
        m_at += 2;
        while (m_at < m_text.size()) {
            if (startsWith("<![")) {
                if (!skipIgnoreSection())
                    return false;
            } else if (startsWith("<!") && !startsWith("<!-")) {
                m_at += 2;
                ++depth;
            } else if (m_text[m_at] == '<' || m_text[m_at] == '"' || m_text[m_at] == '\'') {
                if (!skipPrimitive())
                    return false;
            } else if (m_text[m_at] == '>') {
                ++m_at;
                if (depth == 0)
                    return true;
                --depth;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    bool skipIgnoreSection()
    {
        int depth = 0;
        m_at += 3;
        while (m_at < m_text.size()) {
            if (startsWith("<![")) {
                m_at += 3;
                ++depth;
            } else if (startsWith("]]>")) {
                m_at += 3;
                if (depth == 0)
                    return true;
                --depth;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    bool skipPrimitive()
    {
        const std::size_t size = m_text.size();
        if (m_text[m_at] == '"' || m_text[m_at] == '\'') {
            const std::size_t end = m_text.find(m_text[m_at], m_at + 1);
            m_at = end == std::string_view::npos ? size : end + 1;
            return end != std::string_view::npos;
        }
        std::string_view end;
        std::size_t from = 0;
        if (startsWith("<?")) {
            end = "?>";
            from = m_at + 2;
        } else if (startsWith("<!--")) {
            end = "-->";
            from = m_at + 4;
        } else {
            return false;
        }
        const std::size_t found = m_text.find(end, from);
        m_at = found == std::string_view::npos ? size : found + end.size();
        return found != std::string_view::npos;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

} // namespace

int xmlNestingDepth(const char* text, std::size_t size, int limit)
{
    return Scanner(text, size).depth(limit);
}
