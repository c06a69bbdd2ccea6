#pragma once

#include "osm/LargePageAllocator.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
// XML that does not parse, visit() fails and the caller parses the file whole,
// which yields the same records or the parser's own error.
class OsmChunkReader
{
public:
    using XmlNode = rapidxml::xml_node<char>;

    // Told of the root's child elements in document order.
    class Visitor
    {
    public:
        virtual ~Visitor() = default;
        // Called for every child element, with its file offset and the text of its
        // start tag, before it is parsed; false passes it over unparsed (so its
        // syntax is not checked either).
        virtual bool wants(long offset, std::string_view startTag) = 0;
        // Called for every child element that was wanted, once it is parsed.
        virtual void read(XmlNode* element) = 0;
    };

    enum class Outcome
    {
        Finished, // the root and what follows it were read
        Stopped,  // stopped before a child element, at stoppedAt()
        Failed    // not the plain shape, or not well-formed
    };

    // Throws std::runtime_error("cannot open file " + path) when the file cannot be read.
    explicit OsmChunkReader(const std::string& path);
    ~OsmChunkReader();

    OsmChunkReader(const OsmChunkReader&) = delete;
    OsmChunkReader& operator=(const OsmChunkReader&) = delete;

    // Visits the root's children in document order, from offset on, up to the first
    // child element that starts at or after stop. With offset 0 the file is read from
    // its start and its prologue checked; any other offset must be where a child
    // element starts.
    Outcome visit(long offset, long stop, Visitor& visitor);
    long stoppedAt() const { return stopOffset; }

    // A guess at where a child element starts, at or after offset: the next start tag
    // of a node, way or relation, or -1. It may also be one nested deeper or inside a
    // comment; visiting up to it tells, since the visit then stops elsewhere.
    long likelyChildStart(long offset);

    std::size_t fileSize() const { return size; }
    const std::string& filePath() const { return path; }

    // The whole file plus a terminating zero, for parsing it in one piece.
    std::vector<char> readAll();

    // Told how far into the file the streamed reading is, after every block it reads.
    void setProgress(std::function<void(long offset)> onRead) { progress = std::move(onRead); }

private:
    enum class Scan { Done, NeedMore, Invalid, RootEnd };

    bool fill();
    Scan skipPrologue(const char*& p) const;
    Scan scanChild(const char*& p, std::string_view& element) const;
    Scan scanElement(const char*& p, const char*& startTagEnd) const;
    Scan scanTrailer(const char*& p) const;
    const char* limit() const { return window.data() + end; }
    long fileOffset(const char* p) const { return windowOffset + static_cast<long>(p - window.data()); }
    bool parseRun(const char* runEnd, Visitor& visitor);
    bool parses(const char* first, const char* last, const char* before, const char* after);

    std::unique_ptr<rapidxml::xml_document<char>> document;
    std::string path;
    std::FILE* file = nullptr;
    std::size_t size = 0;
    std::vector<char, LargePageAllocator<char>> window;
    std::size_t begin = 0;
    std::size_t end = 0;
    long windowOffset = 0;
    long stopOffset = -1;
    bool atEof = false;
    std::function<void(long)> progress;
};
