#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rapidxml
{
template <class Ch> class xml_node;
template <class Ch> class xml_document;
}

// Streams the child elements of an OSM file's root "osm": the file is read a block
// at a time and each run of whole child elements is parsed in place with RapidXML's
// default flags, so the parsed tree never holds more than a few blocks.
//
// Only the plain shape of an OSM file is taken this way: a prologue of declarations
// and comments, the root, its child elements (with blanks and comments between
// them) and nothing but blanks or comments after it. For anything else, and for
// XML that does not parse, visit() returns false and the caller parses the file
// whole, which yields the same records or the parser's own error.
class OsmChunkReader
{
public:
    using XmlNode = rapidxml::xml_node<char>;
    using Visitor = std::function<void(XmlNode*)>;

    // Throws std::runtime_error("cannot open file " + path) when the file cannot be read.
    explicit OsmChunkReader(const std::string& path);
    ~OsmChunkReader();

    OsmChunkReader(const OsmChunkReader&) = delete;
    OsmChunkReader& operator=(const OsmChunkReader&) = delete;

    // Visits the root's child elements in document order. With offset 0 the whole
    // file is read and checked; a later call may start at an offset a visitor got
    // from fileOffsetOf(), the start of a child element already seen.
    bool visit(long offset, const Visitor& visitor);

    // Where the given element (passed to the running visitor) starts in the file.
    long fileOffsetOf(const XmlNode* element) const;

    std::size_t fileSize() const { return size; }

    // The whole file plus a terminating zero, for parsing it in one piece.
    std::vector<char> readAll();

private:
    enum class Scan { Done, NeedMore, Invalid, RootEnd };

    bool fill();
    Scan skipPrologue(const char*& p) const;
    Scan scanChild(const char*& p) const;
    Scan scanElement(const char*& p) const;
    Scan scanTrailer(const char*& p) const;
    const char* limit() const { return window.data() + end; }
    bool parseRun(const char* runEnd, const Visitor& visitor);
    bool parses(const char* first, const char* last, const char* before, const char* after);

    std::unique_ptr<rapidxml::xml_document<char>> document;
    std::string path;
    std::FILE* file = nullptr;
    std::size_t size = 0;
    std::vector<char> window;
    std::size_t begin = 0;
    std::size_t end = 0;
    long windowOffset = 0;
    bool atEof = false;
};
