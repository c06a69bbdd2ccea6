#include "geometry/WavefrontSkeleton.h"

#include "geometry/PlanarRing.h"
#include "geometry/RoofMesh.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

namespace
{
// The ring's bounding box diagonal plus a metre: what tolerances scale with.
double sizeOf(const std::vector<osg::Vec2d>& ring)
{
    osg::Vec2d low = ring.front(), high = low;
    for (const osg::Vec2d& p : ring)
    {
        low.set(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
        high.set(std::max(high.x(), p.x()), std::max(high.y(), p.y()));
    }
    return 1.0 + (high - low).length();
}

// A footprint edge's line. Its wavefront at time t is where distance(p) == t.
struct Line
{
    osg::Vec2d direction;
    osg::Vec2d normal;
    double offset;

    Line(const osg::Vec2d& from, const osg::Vec2d& to)
        : direction(to - from)
    {
        direction.normalize();
        normal.set(-direction.y(), direction.x());
        offset = normal * from;
    }
    double distance(const osg::Vec2d& p) const { return normal * p - offset; }
};

// Where two lines' wavefronts meet moves at this velocity. Opposite lines that have
// met leave nothing between them to move into.
osg::Vec2d bisector(const Line& a, const Line& b)
{
    const double c = a.normal * b.normal;
    if (1.0 + c < 1e-12)
        return osg::Vec2d();
    return (a.normal + b.normal) / (1.0 + c);
}

struct Node
{
    osg::Vec2d at;
    double time;
};

// The path a wavefront vertex travelled between two nodes, between its lines' faces;
// the part of a collapsed wavefront edge that bounds its line's face alone has right -1.
struct Arc
{
    int from, to, left, right;
};

// A wavefront vertex: the wavefront edge on line left comes in, the one on line right
// goes out, towards next.
struct Vertex
{
    osg::Vec2d origin;
    double start;
    osg::Vec2d velocity;
    int node, left, right, prev, next;
    bool active;

    osg::Vec2d at(double t) const { return origin + velocity * (t - start); }
};

// An edge event when the edge from vertex to its next collapses, a split event when the
// reflex vertex reaches line other. Edge events go first at equal times.
struct Event
{
    double time;
    bool split;
    int vertex;
    int other;

    bool operator>(const Event& e) const { return time != e.time ? time > e.time : split > e.split; }
};

class Wavefront
{
public:
    explicit Wavefront(const std::vector<osg::Vec2d>& ring);
    // False when the events run out with vertices left, or too many are needed.
    bool run();
    // The faces around the arcs; empty when they do not close.
    std::vector<SkeletonFace> faces() const;

private:
    int addNode(const osg::Vec2d& at);
    int addEventNode(const osg::Vec2d& estimate, int a, int b, int c);
    int addVertex(int node, int left, int right);
    void end(int v, int node);
    int stop(int v, const std::vector<int>& near);
    void push(const Event& e);
    void schedule(int v);
    void scheduleEdge(int v);
    void scheduleSplits(int v);
    bool handle(const Event& e);
    void collapse(int v);
    int hitSegment(int v, int line) const;
    void split(int v, int u);
    void join(int prev, int v, int next);
    bool isCollapsed(int v) const;
    void finish(int v);

    std::vector<Line> lines;
    std::vector<Node> nodes;
    std::vector<Arc> arcs;
    std::vector<Vertex> vertices;
    std::priority_queue<Event, std::vector<Event>, std::greater<Event>> events;
    double now = 0.0;
    double tolerance = 0.0;
};

Wavefront::Wavefront(const std::vector<osg::Vec2d>& ring)
{
    const int n = static_cast<int>(ring.size());
    for (int i = 0; i < n; ++i)
    {
        lines.emplace_back(ring[i], ring[(i + 1) % n]);
        addNode(ring[i]);
    }
    tolerance = 1e-9 * sizeOf(ring);
    for (int i = 0; i < n; ++i)
    {
        const int v = addVertex(i, (i + n - 1) % n, i);
        vertices[v].prev = (i + n - 1) % n;
        vertices[v].next = (i + 1) % n;
    }
    for (int i = 0; i < n; ++i)
        schedule(i);
}

int Wavefront::addNode(const osg::Vec2d& at)
{
    nodes.push_back({at, now});
    return static_cast<int>(nodes.size()) - 1;
}

// Where the wavefronts of lines a, b and c meet, found from the lines themselves when
// they pin it down: a vertex between nearly parallel lines moves fast and loses digits.
int Wavefront::addEventNode(const osg::Vec2d& estimate, int a, int b, int c)
{
    const osg::Vec2d ab = lines[a].normal - lines[b].normal, ac = lines[a].normal - lines[c].normal;
    const double det = cross(ab, ac);
    if (std::abs(det) > 1e-6)
    {
        const double rb = lines[a].offset - lines[b].offset, rc = lines[a].offset - lines[c].offset;
        const osg::Vec2d at((rb * ac.y() - rc * ab.y()) / det, (ab.x() * rc - ac.x() * rb) / det);
        const double time = lines[a].distance(at);
        if (std::abs(time - now) <= 1e3 * tolerance && (at - estimate).length() <= 1e-3 * (1.0 + now))
        {
            nodes.push_back({at, time});
            return static_cast<int>(nodes.size()) - 1;
        }
    }
    return addNode(estimate);
}

int Wavefront::addVertex(int node, int left, int right)
{
    const osg::Vec2d velocity = bisector(lines[left], lines[right]);
    vertices.push_back({nodes[node].at, nodes[node].time, velocity, node, left, right, -1, -1, true});
    return static_cast<int>(vertices.size()) - 1;
}

void Wavefront::end(int v, int node)
{
    arcs.push_back({vertices[v].node, node, vertices[v].left, vertices[v].right});
    vertices[v].active = false;
}

// Ends the vertex where it is now: on its own node if it has not left it, else on one
// of the near nodes at the same place or on a new one.
int Wavefront::stop(int v, const std::vector<int>& near)
{
    const osg::Vec2d at = vertices[v].at(now);
    if ((at - vertices[v].origin).length() <= 1e3 * tolerance)
    {
        vertices[v].active = false;
        return vertices[v].node;
    }
    const auto same = std::find_if(near.begin(), near.end(),
                                   [&](int node) { return (nodes[node].at - at).length() <= 1e3 * tolerance; });
    const int node = same == near.end() ? addNode(at) : *same;
    end(v, node);
    return node;
}

// Events that never come are left out: nothing in the queue may compare unordered.
void Wavefront::push(const Event& e)
{
    if (std::isfinite(e.time))
        events.push(e);
}

void Wavefront::schedule(int v)
{
    scheduleEdge(vertices[v].prev);
    scheduleEdge(v);
    scheduleSplits(v);
}

// An edge that events at one place leave without length collapses at once unless its
// ends move apart: vertices travelling together would trace one arc twice.
void Wavefront::scheduleEdge(int v)
{
    const Vertex& a = vertices[v];
    const Vertex& b = vertices[a.next];
    const osg::Vec2d& d = lines[a.right].direction;
    const double closing = d * (a.velocity - b.velocity);
    const double length = d * (b.at(now) - a.at(now));
    if (length <= tolerance && closing > -1e-9)
        push({now, false, v, a.next});
    else if (closing > 0.0)
        push({now + std::max(length, 0.0) / closing, false, v, a.next});
}

// Every line of the vertex's wavefront that a reflex vertex heads for; whether it hits
// the line where a wavefront edge still is shows when the time comes.
void Wavefront::scheduleSplits(int v)
{
    const Vertex& x = vertices[v];
    if (cross(lines[x.left].direction, lines[x.right].direction) >= 0.0)
        return;
    const osg::Vec2d p = x.at(now);
    for (int u = x.next; vertices[u].next != v; u = vertices[u].next)
    {
        const int line = vertices[u].right;
        if (line == x.left || line == x.right)
            continue;
        const double ahead = lines[line].distance(p) - now;
        const double closing = 1.0 - lines[line].normal * x.velocity;
        if (closing > 0.0 && ahead > -tolerance)
            push({now + std::max(ahead, 0.0) / closing, true, v, line});
    }
}

bool Wavefront::run()
{
    const std::size_t n = lines.size();
    std::size_t handled = 0;
    while (!events.empty())
    {
        const Event e = events.top();
        events.pop();
        if (handle(e) && ++handled > 4 * n * n)
            return false;
    }
    return std::none_of(vertices.begin(), vertices.end(), [](const Vertex& v) { return v.active; });
}

// Acts on an event still true: both ends of the edge still joined, or a wavefront edge
// on the line where the vertex reaches it.
bool Wavefront::handle(const Event& e)
{
    const Vertex& v = vertices[e.vertex];
    if (!v.active || (!e.split && (v.next != e.other || !vertices[e.other].active)))
        return false;
    const double before = now;
    now = std::max(now, e.time);
    if (!e.split)
    {
        collapse(e.vertex);
        return true;
    }
    const int u = hitSegment(e.vertex, e.other);
    if (u < 0)
    {
        now = before;
        return false;
    }
    split(e.vertex, u);
    return true;
}

void Wavefront::collapse(int v)
{
    const int w = vertices[v].next, prev = vertices[v].prev, next = vertices[w].next;
    const osg::Vec2d middle = (vertices[v].at(now) + vertices[w].at(now)) * 0.5;
    const int node = addEventNode(middle, vertices[v].left, vertices[v].right, vertices[w].right);
    end(v, node);
    end(w, node);
    // A triangle shrinks to its centre: all three corners end there.
    if (prev == next)
        end(prev, node);
    else
        join(prev, addVertex(node, vertices[v].left, vertices[w].right), next);
}

// The vertex before the wavefront edge on the line that the vertex is on now, on its
// own part of the wavefront; -1 if none is there.
int Wavefront::hitSegment(int v, int line) const
{
    const osg::Vec2d p = vertices[v].at(now);
    const osg::Vec2d& d = lines[line].direction;
    int hit = -1;
    double margin = -1e3 * tolerance;
    for (int u = vertices[v].next; vertices[u].next != v; u = vertices[u].next)
    {
        if (vertices[u].right != line)
            continue;
        const osg::Vec2d a = vertices[u].at(now);
        const double along = d * (p - a), length = d * (vertices[vertices[u].next].at(now) - a);
        if (std::min(along, length - along) >= margin)
        {
            hit = u;
            margin = std::min(along, length - along);
        }
    }
    return hit;
}

// The reflex vertex v cuts the wavefront edge from u to its next in two.
void Wavefront::split(int v, int u)
{
    const int line = vertices[u].right, w = vertices[u].next;
    const int node = addEventNode(vertices[v].at(now), vertices[v].left, vertices[v].right, line);
    end(v, node);
    const int prev = vertices[v].prev, next = vertices[v].next;
    const int left = vertices[v].left, right = vertices[v].right;
    join(prev, addVertex(node, left, line), w);
    join(u, addVertex(node, line, right), next);
}

void Wavefront::join(int prev, int v, int next)
{
    vertices[v].prev = prev;
    vertices[v].next = next;
    vertices[prev].next = v;
    vertices[next].prev = v;
    if (isCollapsed(v))
        finish(v);
    else
        schedule(v);
}

// Whether the part of the wavefront through v has no area left: its edges lie on each
// other, as the last two always do.
bool Wavefront::isCollapsed(int v) const
{
    double twiceArea = 0.0, perimeter = 0.0;
    int u = v;
    do
    {
        const osg::Vec2d a = vertices[u].at(now), b = vertices[vertices[u].next].at(now);
        twiceArea += cross(a, b);
        perimeter += (b - a).length();
        u = vertices[u].next;
    } while (u != v);
    return std::abs(twiceArea) <= tolerance * perimeter;
}

// Ends a collapsed part of the wavefront: each of its edges is the ridge of its line's face.
void Wavefront::finish(int v)
{
    std::vector<int> chain, ends;
    int u = v;
    do
    {
        chain.push_back(u);
        u = vertices[u].next;
    } while (u != v);
    for (int w : chain)
        ends.push_back(stop(w, ends));
    for (std::size_t i = 0; i < chain.size(); ++i)
    {
        const int next = ends[(i + 1) % chain.size()];
        if (next != ends[i])
            arcs.push_back({next, ends[i], vertices[chain[i]].right, -1});
    }
}

std::vector<SkeletonFace> Wavefront::faces() const
{
    const int n = static_cast<int>(lines.size());
    std::vector<std::vector<std::pair<int, int>>> sides(n);
    for (const Arc& a : arcs)
    {
        sides[a.left].emplace_back(a.from, a.to);
        if (a.right >= 0)
            sides[a.right].emplace_back(a.to, a.from);
    }
    std::vector<SkeletonFace> faces(n);
    for (int i = 0; i < n; ++i)
    {
        std::vector<std::pair<int, int>>& side = sides[i];
        const auto addPoint = [&](int node) {
            faces[i].points.push_back({nodes[node].at, nodes[node].time, node, node >= n});
        };
        addPoint(i);
        int at = (i + 1) % n;
        for (std::size_t steps = 0; at != i; ++steps)
        {
            const auto out = std::find_if(side.begin(), side.end(), [at](const auto& s) { return s.first == at; });
            if (out == side.end() || steps == side.size())
                return {};
            addPoint(at);
            at = out->second;
            out->first = -1;
        }
        if (faces[i].points.size() != side.size() + 1)
            return {};
    }
    return faces;
}

double segmentDistance(const osg::Vec2d& p, const osg::Vec2d& a, const osg::Vec2d& b)
{
    const osg::Vec2d ab = b - a;
    const double along = std::clamp(((p - a) * ab) / ab.length2(), 0.0, 1.0);
    return (a + ab * along - p).length();
}

// Inside the ring or within tolerance of its boundary.
bool isInside(const osg::Vec2d& p, const std::vector<osg::Vec2d>& ring, double tolerance)
{
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    {
        const osg::Vec2d& a = ring[j];
        const osg::Vec2d& b = ring[i];
        if (segmentDistance(p, a, b) <= tolerance)
            return true;
        if ((a.y() > p.y()) != (b.y() > p.y()) && p.x() < a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y()))
            inside = !inside;
    }
    return inside;
}

bool segmentsMeet(const osg::Vec2d& a, const osg::Vec2d& b, const osg::Vec2d& c, const osg::Vec2d& d)
{
    const double abc = cross(b - a, c - a), abd = cross(b - a, d - a);
    const double cda = cross(d - c, a - c), cdb = cross(d - c, b - c);
    const auto apart = [](double p, double q) { return (p > 0.0 && q < 0.0) || (p < 0.0 && q > 0.0); };
    if (apart(abc, abd) && apart(cda, cdb))
        return true;
    const auto onSegment = [](const osg::Vec2d& p, const osg::Vec2d& from, const osg::Vec2d& to, double side) {
        return side == 0.0 && (p - from) * (p - to) <= 0.0;
    };
    return onSegment(c, a, b, abc) || onSegment(d, a, b, abd) || onSegment(a, c, d, cda) || onSegment(b, c, d, cdb);
}

// No edge meets another but where neighbours share their end.
bool isSimple(const std::vector<osg::Vec2d>& polygon)
{
    const std::size_t k = polygon.size();
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = i + 2; j < k; ++j)
            if ((j + 1) % k != i &&
                segmentsMeet(polygon[i], polygon[(i + 1) % k], polygon[j], polygon[(j + 1) % k]))
                return false;
    return true;
}

// The face's points without the zero-length steps that events at one place leave.
std::vector<osg::Vec2d> outline(const SkeletonFace& face, double tolerance)
{
    std::vector<osg::Vec2d> points;
    for (const SkeletonFace::Point& p : face.points)
        points.push_back(p.at);
    return withoutRepeats(points, tolerance);
}

// Doubles can take the wavefront wrong where events nearly coincide; what comes out
// is only used if it is a roof: every face (which starts with its own edge) simple,
// inside the ring and on its edge's plane, the faces together covering the ring.
bool isTrustworthy(const std::vector<SkeletonFace>& faces, const std::vector<osg::Vec2d>& ring, double scale)
{
    const double tolerance = 1e-6 * scale;
    const int n = static_cast<int>(ring.size());
    double highest = 0.0, area = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const Line line(ring[i], ring[(i + 1) % n]);
        for (const SkeletonFace::Point& p : faces[i].points)
        {
            if (!std::isfinite(p.at.x()) || !std::isfinite(p.at.y()) || !std::isfinite(p.time) ||
                std::abs(line.distance(p.at) - p.time) > tolerance ||
                (p.inner && !isInside(p.at, ring, tolerance)))
                return false;
            highest = std::max(highest, p.time);
        }
        const std::vector<osg::Vec2d> polygon = outline(faces[i], 1e-3 * tolerance);
        const double faceArea = signedArea(polygon);
        if (polygon.size() < 3 || faceArea <= 0.0 || !isSimple(polygon))
            return false;
        area += faceArea;
    }
    const double ringArea = signedArea(ring);
    return highest > tolerance && std::abs(area - ringArea) <= 1e-7 * ringArea;
}
} // namespace

std::vector<SkeletonFace> wavefrontSkeleton(const std::vector<osg::Vec2d>& ring)
{
    if (ring.size() < 3)
        return {};
    // An edge without a direction has no line to move.
    const double size = sizeOf(ring);
    for (std::size_t i = 0; i < ring.size(); ++i)
        if ((ring[(i + 1) % ring.size()] - ring[i]).length() <= 1e-9 * size)
            return {};
    Wavefront wavefront(ring);
    if (!wavefront.run())
        return {};
    std::vector<SkeletonFace> faces = wavefront.faces();
    if (faces.empty() || !isTrustworthy(faces, ring, size))
        return {};
    return faces;
}
