#include "osm/XmlNesting.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace
{
bool startsWith(const char* p, const char* last, std::string_view prefix)
{
    return static_cast<std::size_t>(last - p) >= prefix.size() && std::string_view(p, prefix.size()) == prefix;
}

// Just past the first occurrence of end at or after p, or null.
const char* skipPast(const char* p, const char* last, std::string_view end)
{
    const char* found = std::search(p, last, end.begin(), end.end());
    return found == last ? nullptr : found + end.size();
}

// Just past the '>' that closes a tag or declaration opened before p: quoted text
// is passed over, and so are bracketed parts (a document type's internal subset).
// Sets selfClosing when the tag ends with "/>". Null when nothing closes it.
const char* tagEnd(const char* p, const char* last, bool& selfClosing)
{
    int brackets = 0;
    for (; p < last; ++p)
    {
        if (*p == '"' || *p == '\'')
        {
            p = static_cast<const char*>(std::memchr(p + 1, *p, static_cast<std::size_t>(last - p - 1)));
            if (!p)
                return nullptr;
        }
        else if (*p == '[')
            ++brackets;
        else if (*p == ']')
            --brackets;
        else if (*p == '>' && brackets <= 0)
        {
            selfClosing = p[-1] == '/';
            return p + 1;
        }
    }
    return nullptr;
}
} // namespace

const char* tooDeeplyNested(const char* first, const char* last)
{
    int depth = 0;
    const char* p = first;
    while (p && (p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(last - p)))))
    {
        bool selfClosing = false;
        if (startsWith(p, last, "<!--"))
            p = skipPast(p + 4, last, "-->");
        else if (startsWith(p, last, "<![CDATA["))
            p = skipPast(p + 9, last, "]]>");
        else if (startsWith(p, last, "<?"))
            p = skipPast(p + 2, last, "?>");
        else if (startsWith(p, last, "</"))
        {
            depth = std::max(depth - 1, 0);
            p = tagEnd(p + 2, last, selfClosing);
        }
        else
        {
            const char* start = p;
            const bool declaration = startsWith(p, last, "<!");
            p = tagEnd(p + 1, last, selfClosing);
            if (p && !declaration && !selfClosing && ++depth > maxXmlNesting)
                return start;
        }
    }
    return nullptr;
}
