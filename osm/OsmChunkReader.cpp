#include "osm/OsmChunkReader.h"

#include "osm/XmlNesting.h"

#include <rapidxml/rapidxml.hpp>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>

namespace
{
constexpr std::size_t blockSize = 1 << 20;
// A run's tree (about four times its text) fits the document's own static pool,
// so parsing allocates nothing and the same memory serves every run.
constexpr std::size_t runSize = 8 << 10;
// Enough bytes to tell markup apart: the longest opener is "<![CDATA[".
constexpr std::ptrdiff_t lookahead = 9;

bool startsWith(const char* p, const char* limit, const char* prefix)
{
    const std::size_t length = std::strlen(prefix);
    return static_cast<std::size_t>(limit - p) >= length && std::memcmp(p, prefix, length) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* skipBlanks(const char* p, const char* limit)
{
    while (p < limit && isBlank(*p))
        ++p;
    return p;
}

// The position after the next occurrence of terminator, or null when it is not there yet.
const char* skipPast(const char* p, const char* limit, const char* terminator)
{
    const std::size_t length = std::strlen(terminator);
    const auto size = static_cast<std::size_t>(limit - p);
    const void* found = length == 1 ? std::memchr(p, *terminator, size) : memmem(p, size, terminator, length);
    return found ? static_cast<const char*>(found) + length : nullptr;
}

// Whether [p, last) holds an even number of '"'. Eight bytes at a time: in each word
// the bytes equal to '"' are marked by their top bit, and the marks are summed
// modulo 2 by xor, first across words, then across the bytes of the sum.
bool evenQuotes(const char* p, const char* last)
{
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t quotes = 0x2222222222222222ull;
    std::uint64_t marks = 0;
    for (; last - p >= 8; p += 8)
    {
        std::uint64_t word = 0;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t x = word ^ quotes;
        marks ^= ~(((x & low7) + low7) | x | low7);
    }
    marks ^= marks >> 32;
    marks ^= marks >> 16;
    marks ^= marks >> 8;
    bool odd = (marks >> 7) & 1;
    for (; p < last; ++p)
        odd ^= *p == '"';
    return !odd;
}

// p at the '<' of a start tag: the position after its '>' (quoted values may hold '>').
const char* endOfStartTag(const char* p, const char* limit, bool& selfClosing)
{
    // Most tags quote with '"' only and hold no '>' in a value: then the first '>'
    // ends the tag when an even number of '"' comes before it. Searching whole
    // blocks is much faster than following the quotes byte by byte.
    const auto* first = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(limit - p)));
    if (first && !std::memchr(p, '\'', static_cast<std::size_t>(first - p)) && evenQuotes(p, first))
    {
        selfClosing = first[-1] == '/';
        return first + 1;
    }
    char quote = 0;
    for (++p; p < limit; ++p)
    {
        if (quote)
        {
            if (*p == quote)
                quote = 0;
        }
        else if (*p == '"' || *p == '\'')
            quote = *p;
        else if (*p == '>')
        {
            selfClosing = p[-1] == '/';
            return p + 1;
        }
    }
    return nullptr;
}
} // namespace

OsmChunkReader::OsmChunkReader(const std::string& path_) : document(new rapidxml::xml_document<char>), path(path_)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
    {
        size = static_cast<std::size_t>(std::filesystem::file_size(path, error));
        file = std::fopen(path.c_str(), "rb");
    }
    if (!file)
        throw std::runtime_error("cannot open file " + path);
}

OsmChunkReader::~OsmChunkReader()
{
    std::fclose(file);
}

std::vector<char> OsmChunkReader::readAll()
{
    std::vector<char> buffer;
    std::fseek(file, 0, SEEK_SET);
    char block[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
    {
        // The parser would take the first NUL for the end of the text and drop the rest.
        if (const void* nul = std::memchr(block, '\0', n))
            throw std::runtime_error(path + ": NUL byte at offset " +
                                     std::to_string(buffer.size() + (static_cast<const char*>(nul) - block)) +
                                     ": not XML text");
        buffer.insert(buffer.end(), block, block + n);
    }
    if (std::ferror(file))
        throw std::runtime_error("cannot open file " + path);
    buffer.push_back('\0');
    return buffer;
}

bool OsmChunkReader::fill()
{
    if (atEof)
        return false;
    if (begin > 0)
    {
        std::memmove(window.data(), window.data() + begin, end - begin);
        end -= begin;
        windowOffset += static_cast<long>(begin);
        begin = 0;
    }
    // One byte stays free behind the data for the terminator a run is parsed with.
    if (end + 1 >= window.size())
        window.resize(window.size() * 2);
    const std::size_t n = std::fread(window.data() + end, 1, window.size() - 1 - end, file);
    end += n;
    atEof = n == 0;
    if (progress)
        progress(windowOffset + static_cast<long>(end));
    return true;
}

OsmChunkReader::Scan OsmChunkReader::skipPrologue(const char*& p) const
{
    if (startsWith(p, limit(), "\xEF\xBB\xBF"))
        p += 3;
    for (;;)
    {
        p = skipBlanks(p, limit());
        if (limit() - p < lookahead && !atEof)
            return Scan::NeedMore;
        const char* next = nullptr;
        if (startsWith(p, limit(), "<?"))
            next = skipPast(p + 2, limit(), "?>");
        else if (startsWith(p, limit(), "<!--"))
            next = skipPast(p + 4, limit(), "-->");
        else if (startsWith(p, limit(), "<!DOCTYPE"))
        {
            next = skipPast(p, limit(), ">");
            if (next && std::memchr(p, '[', static_cast<std::size_t>(next - p)))
                return Scan::Invalid;
        }
        else if (startsWith(p, limit(), "<osm") && p + 4 < limit() && (isBlank(p[4]) || p[4] == '>' || p[4] == '/'))
        {
            bool selfClosing = false;
            next = endOfStartTag(p, limit(), selfClosing);
            if (next && selfClosing)
                return Scan::Invalid;
            if (next)
            {
                p = next;
                return Scan::Done;
            }
        }
        else
            return Scan::Invalid;
        if (!next)
            return Scan::NeedMore;
        p = next;
    }
}

// One child of the root, with the blanks before it: an element (its start tag goes
// to element), a comment or a processing instruction (element stays empty);
// RootEnd when the root's end tag comes instead.
OsmChunkReader::Scan OsmChunkReader::scanChild(const char*& p, std::string_view& element) const
{
    const char* q = skipBlanks(p, limit());
    if (limit() - q < lookahead && !atEof)
        return Scan::NeedMore;
    if (q == limit() || *q != '<')
        return Scan::Invalid;
    if (startsWith(q, limit(), "</"))
        return Scan::RootEnd;
    const char* next = nullptr;
    if (startsWith(q, limit(), "<!--"))
        next = skipPast(q + 4, limit(), "-->");
    else if (startsWith(q, limit(), "<?"))
        next = skipPast(q + 2, limit(), "?>");
    else if (startsWith(q, limit(), "<!"))
        return Scan::Invalid;
    else
    {
        const char* start = q;
        const char* startTagEnd = nullptr;
        const Scan scan = scanElement(q, startTagEnd);
        if (scan == Scan::Done)
        {
            p = q;
            element = std::string_view(start, static_cast<std::size_t>(startTagEnd - start));
        }
        return scan;
    }
    if (!next)
        return Scan::NeedMore;
    p = next;
    return Scan::Done;
}

// p at the '<' of a start tag: moves p past the whole element.
OsmChunkReader::Scan OsmChunkReader::scanElement(const char*& p, const char*& startTagEnd) const
{
    const char* q = p;
    int depth = 0;
    do
    {
        q = static_cast<const char*>(std::memchr(q, '<', static_cast<std::size_t>(limit() - q)));
        if (!q || (limit() - q < lookahead && !atEof))
            return Scan::NeedMore;
        const char kind = q + 1 < limit() ? q[1] : '\0';
        if (kind == '/')
        {
            q = skipPast(q, limit(), ">");
            --depth;
        }
        else if (startsWith(q, limit(), "<!--"))
            q = skipPast(q + 4, limit(), "-->");
        else if (startsWith(q, limit(), "<![CDATA["))
            q = skipPast(q + 9, limit(), "]]>");
        else if (kind == '?')
            q = skipPast(q + 2, limit(), "?>");
        else if (kind == '!')
            return Scan::Invalid;
        else
        {
            bool selfClosing = false;
            q = endOfStartTag(q, limit(), selfClosing);
            if (!selfClosing)
                ++depth;
            if (!startTagEnd)
                startTagEnd = q;
        }
        if (!q)
            return Scan::NeedMore;
    } while (depth > 0);
    p = q;
    return Scan::Done;
}

// p at the root's end tag: only blanks, comments and processing instructions may follow.
OsmChunkReader::Scan OsmChunkReader::scanTrailer(const char*& p) const
{
    const char* q = skipPast(p, limit(), ">");
    while (q)
    {
        q = skipBlanks(q, limit());
        if (q == limit())
            return atEof ? Scan::Done : Scan::NeedMore;
        if (limit() - q < lookahead && !atEof)
            return Scan::NeedMore;
        if (startsWith(q, limit(), "<!--"))
            q = skipPast(q + 4, limit(), "-->");
        else if (startsWith(q, limit(), "<?"))
            q = skipPast(q + 2, limit(), "?>");
        else
            return Scan::Invalid;
    }
    return Scan::NeedMore;
}

// The parts around the root's children (prologue, the root's start and end tags,
// what follows) go through the parser too, so that their errors are its errors.
bool OsmChunkReader::parses(const char* first, const char* last, const char* before, const char* after)
{
    std::vector<char> text(before, before + std::strlen(before));
    text.insert(text.end(), first, last);
    text.insert(text.end(), after, after + std::strlen(after) + 1);
    // Too deep for the parser's recursion, or a NUL it would take for the end: the
    // whole-file reading says where.
    if (tooDeeplyNested(text.data(), text.data() + text.size()) ||
        std::memchr(text.data(), '\0', text.size() - 1))
        return false;
    bool parsed = true;
    try
    {
        document->parse<0>(text.data());
    }
    catch (const rapidxml::parse_error&)
    {
        parsed = false;
    }
    document->clear();
    return parsed;
}

// Parses the pending children up to runEnd and hands their elements to the visitor.
bool OsmChunkReader::parseRun(const char* runEnd, Visitor& visitor)
{
    if (runEnd <= window.data() + begin)
        return true;
    char* stop = window.data() + (runEnd - window.data());
    const char* run = window.data() + begin;
    if (tooDeeplyNested(run, stop) || std::memchr(run, '\0', static_cast<std::size_t>(stop - run)))
        return false;
    const char saved = *stop;
    *stop = '\0';
    bool parsed = true;
    try
    {
        document->parse<0>(window.data() + begin);
        for (XmlNode* node = document->first_node(); node; node = node->next_sibling())
            if (node->type() == rapidxml::node_element)
                visitor.read(node);
    }
    catch (const rapidxml::parse_error&)
    {
        parsed = false;
    }
    document->clear();
    *stop = saved;
    begin = static_cast<std::size_t>(runEnd - window.data());
    return parsed;
}

OsmChunkReader::Outcome OsmChunkReader::visit(long offset, long stop, Visitor& visitor)
{
    if (std::fseek(file, offset, SEEK_SET) != 0)
        return Outcome::Failed;
    if (window.size() < blockSize + 1)
        window.resize(blockSize + 1);
    begin = end = 0;
    windowOffset = offset;
    atEof = false;

    const char* p = window.data();
    if (offset == 0)
    {
        Scan scan;
        while ((scan = skipPrologue(p)) == Scan::NeedMore)
        {
            if (!fill())
                return Outcome::Failed;
            p = window.data();
        }
        if (scan == Scan::Invalid || !parses(window.data(), p, "", "</osm>"))
            return Outcome::Failed;
        begin = static_cast<std::size_t>(p - window.data());
    }

    for (;;)
    {
        const char* next = p;
        std::string_view element;
        const Scan scan = scanChild(next, element);
        if (scan == Scan::Invalid)
            return Outcome::Failed;
        if (scan == Scan::Done)
        {
            if (!element.empty())
            {
                const long at = fileOffset(element.data());
                if (at >= stop)
                {
                    stopOffset = at;
                    return parseRun(element.data(), visitor) ? Outcome::Stopped : Outcome::Failed;
                }
                if (!visitor.wants(at, element))
                {
                    if (!parseRun(element.data(), visitor))
                        return Outcome::Failed;
                    begin = static_cast<std::size_t>(next - window.data());
                }
            }
            p = next;
            if (static_cast<std::size_t>(p - window.data()) - begin >= runSize && !parseRun(p, visitor))
                return Outcome::Failed;
            continue;
        }
        // The root ends here, or the next child needs more of the file: parse what is whole first.
        if (!parseRun(p, visitor))
            return Outcome::Failed;
        if (scan == Scan::RootEnd)
        {
            Scan trailer;
            while ((trailer = scanTrailer(p)) == Scan::NeedMore)
            {
                if (!fill())
                    return Outcome::Failed;
                p = window.data();
            }
            const bool finished = trailer == Scan::Done && parses(p, limit(), "<osm>", "");
            return finished ? Outcome::Finished : Outcome::Failed;
        }
        if (!fill())
            return Outcome::Failed;
        p = window.data();
    }
}

long OsmChunkReader::likelyChildStart(long offset)
{
    std::vector<char> block(1 << 16);
    for (;; offset += static_cast<long>(block.size()) - lookahead)
    {
        if (std::fseek(file, offset, SEEK_SET) != 0)
            return -1;
        const std::size_t n = std::fread(block.data(), 1, block.size(), file);
        const char* last = block.data() + n;
        for (const char* p = block.data(); (p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(last - p)))); ++p)
            for (const char* name : {"<node", "<way", "<relation"})
            {
                const std::size_t length = std::strlen(name);
                if (static_cast<std::size_t>(last - p) > length && std::memcmp(p, name, length) == 0 &&
                    (isBlank(p[length]) || p[length] == '/' || p[length] == '>'))
                    return offset + static_cast<long>(p - block.data());
            }
        if (n < block.size())
            return -1;
    }
}
