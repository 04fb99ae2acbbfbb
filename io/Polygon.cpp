#include "io/Polygon.h"

#include <algorithm>
#include <cmath>

namespace meshio
{
namespace
{
struct Point
{
    double x, y;
};

// Twice the signed area of a b c: positive when they turn left. Differences and products
// of float coordinates are exact or nearly so in double.
double orient(const Point& a, const Point& b, const Point& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Whether c, collinear with a b, lies on the closed segment a b.
bool within(const Point& a, const Point& b, const Point& c)
{
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
}

// Whether the closed segments a b and c d meet, touching included.
bool segmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d)
{
    const double d1 = orient(c, d, a), d2 = orient(c, d, b);
    const double d3 = orient(a, b, c), d4 = orient(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && within(c, d, a)) || (d2 == 0 && within(c, d, b)) ||
           (d3 == 0 && within(a, b, c)) || (d4 == 0 && within(a, b, d));
}

// A face projected onto the plane of two axes, turned so that it runs counterclockwise.
struct Projection
{
    PolygonShape shape = PolygonShape::IRREGULAR;
    std::vector<Point> points;
};

// Every corner within this share of the face's bounding-box diagonal from the plane through
// the corners' centroid across Newell's normal counts as planar, plus a millionth of the
// largest coordinate: a file's text (six or seven digits) and float rounding move corners
// by about that much.
constexpr double PLANE_TOLERANCE = 1e-5;
constexpr double COORDINATE_TOLERANCE = 1e-6;

// How often the sides' x (or y) steps change sign around the polygon, zero steps passed
// over: twice for a polygon that goes around once.
int signChanges(const std::vector<Point>& q, bool y)
{
    const std::size_t n = q.size();
    auto step = [&](std::size_t i)
    {
        const Point& a = q[i];
        const Point& b = q[i + 1 == n ? 0 : i + 1];
        return y ? b.y - a.y : b.x - a.x;
    };
    int changes = 0;
    double last = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (step(i) != 0)
            last = step(i);
    for (std::size_t i = 0; i < n; ++i)
        if (step(i) != 0)
        {
            changes += (step(i) > 0) != (last > 0);
            last = step(i);
        }
    return changes;
}

// Whether two sides that do not follow each other meet. The sides are taken in the order
// of their left ends, and each is compared only with those that start before it ends.
bool crosses(const std::vector<Point>& q)
{
    const std::size_t n = q.size();
    auto end = [&](std::size_t i) -> const Point& { return q[i + 1 == n ? 0 : i + 1]; };
    std::vector<unsigned int> order(n);
    for (unsigned int i = 0; i < n; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](unsigned int i, unsigned int j)
              { return std::min(q[i].x, end(i).x) < std::min(q[j].x, end(j).x); });
    for (std::size_t s = 0; s < n; ++s)
    {
        const unsigned int i = order[s];
        const double right = std::max(q[i].x, end(i).x);
        for (std::size_t t = s + 1; t < n; ++t)
        {
            const unsigned int j = order[t];
            if (std::min(q[j].x, end(j).x) > right)
                break;
            const std::size_t gap = i > j ? i - j : j - i;
            if (gap != 1 && gap + 1 != n &&
                std::max(q[i].y, end(i).y) >= std::min(q[j].y, end(j).y) &&
                std::max(q[j].y, end(j).y) >= std::min(q[i].y, end(i).y) &&
                segmentsMeet(q[i], end(i), q[j], end(j)))
                return true;
        }
    }
    return false;
}

// One block: the plane, then the turns, then the crossings.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
Projection project(const Vector3<float>* c, std::size_t n)
{
    Projection p;
    double normal[3] = {0, 0, 0}, centroid[3] = {0, 0, 0}, lo[3], hi[3];
    double largest = 0;
    for (int k = 0; k < 3; ++k)
        lo[k] = hi[k] = c[0][k];
    for (std::size_t i = 0; i < n; ++i)
    {
        // Newell's sum over corners taken relative to the first, for less cancellation.
        const std::size_t j = i + 1 == n ? 0 : i + 1;
        double a[3], b[3];
        for (unsigned int k = 0; k < 3; ++k)
        {
            a[k] = double(c[i][k]) - c[0][k];
            b[k] = double(c[j][k]) - c[0][k];
            centroid[k] += c[i][k];
            lo[k] = std::min(lo[k], double(c[i][k]));
            hi[k] = std::max(hi[k], double(c[i][k]));
            largest = std::max(largest, std::fabs(double(c[i][k])));
        }
        for (int k = 0; k < 3; ++k)
        {
            const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
            normal[k] += (a[k1] - b[k1]) * (a[k2] + b[k2]);
        }
    }
    const double diagonal = std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
    const double length = std::hypot(normal[0], normal[1], normal[2]);
    if (!(length > 1e-12 * diagonal * diagonal) || !std::isfinite(length))
        return p; // no area: collinear corners, or lobes that cancel
    const double tolerance = PLANE_TOLERANCE * diagonal + COORDINATE_TOLERANCE * largest;
    for (std::size_t i = 0; i < n; ++i)
    {
        double distance = 0;
        for (unsigned int k = 0; k < 3; ++k)
            distance += (c[i][k] - centroid[k] / double(n)) * normal[k] / length;
        if (std::fabs(distance) > tolerance)
            return p;
    }

    // Drop the axis the normal leans to most; keep the other two in the order that makes
    // the face run counterclockwise.
    unsigned int drop = 0;
    for (unsigned int k = 1; k < 3; ++k)
        if (std::fabs(normal[k]) > std::fabs(normal[drop]))
            drop = k;
    unsigned int u = (drop + 1) % 3, v = (drop + 2) % 3;
    if (normal[drop] < 0)
        std::swap(u, v);
    p.points.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        p.points[i] = Point{c[i][u], c[i][v]};

    const std::vector<Point>& q = p.points;
    bool reflex = false;
    for (std::size_t i = 0; i < n; ++i)
    {
        const Point& a = q[i == 0 ? n - 1 : i - 1];
        const Point& b = q[i];
        const Point& d = q[i + 1 == n ? 0 : i + 1];
        const double turn = orient(a, b, d);
        // Straight back, or a corner repeated: the sides overlap.
        if (turn == 0 && (b.x - a.x) * (d.x - b.x) + (b.y - a.y) * (d.y - b.y) <= 0)
            return p;
        reflex = reflex || turn < 0;
    }
    // Turning one way throughout and once around: convex.
    if (!reflex && signChanges(q, false) <= 2 && signChanges(q, true) <= 2)
        return p.shape = PolygonShape::CONVEX, p;
    if (n > MAX_EXAMINED_CORNERS)
        return p;
    p.shape = crosses(q) ? PolygonShape::IRREGULAR : PolygonShape::CONCAVE;
    return p;
}

void appendReadersSplit(std::size_t n, std::vector<CornerTriple>& out)
{
    if (n == 4)
    {
        out.push_back({0, 1, 3});
        out.push_back({1, 2, 3});
        return;
    }
    for (unsigned int i = 1; i + 1 < n; ++i)
        out.push_back({0, i, i + 1});
}

bool inTriangle(const Point& a, const Point& b, const Point& c, const Point& x)
{
    return orient(a, b, x) >= 0 && orient(b, c, x) >= 0 && orient(c, a, x) >= 0;
}

// Ear clipping of a simple counterclockwise polygon, in O(n^2): an ear's tip turns left and
// its triangle holds no corner that does not (only such corners can lie in it).
class EarClipper
{
public:
    explicit EarClipper(const std::vector<Point>& points)
        : mQ(points), mPrev(mQ.size()), mNext(mQ.size()), mEar(mQ.size())
    {
        const unsigned int n = static_cast<unsigned int>(mQ.size());
        for (unsigned int i = 0; i < n; ++i)
        {
            mPrev[i] = i == 0 ? n - 1 : i - 1;
            mNext[i] = i + 1 == n ? 0 : i + 1;
        }
        for (unsigned int i = 0; i < n; ++i)
            if (!(turn(i) > 0))
                mNotConvex.push_back(i);
        for (unsigned int i = 0; i < n; ++i)
            mEar[i] = isEar(i);
    }

    // False when no ear is found, which only rounding can bring about.
    bool clip(std::vector<CornerTriple>& out)
    {
        unsigned int at = 0;
        for (std::size_t left = mQ.size(); left > 3; --left)
        {
            std::size_t steps = 0;
            while (!mEar[at] && steps++ < left)
                at = mNext[at];
            if (!mEar[at])
                return false;
            const unsigned int a = mPrev[at], b = mNext[at];
            out.push_back({a, at, b});
            mNext[a] = b;
            mPrev[b] = a;
            // A corner that turned back may now turn left; none turns back anew.
            mNotConvex.erase(std::remove_if(mNotConvex.begin(), mNotConvex.end(),
                                            [&](unsigned int k)
                                            { return (k == a || k == b) && turn(k) > 0; }),
                             mNotConvex.end());
            mEar[a] = isEar(a);
            mEar[b] = isEar(b);
            at = b;
        }
        out.push_back({mPrev[at], at, mNext[at]});
        return true;
    }

private:
    double turn(unsigned int i) const { return orient(mQ[mPrev[i]], mQ[i], mQ[mNext[i]]); }

    bool isEar(unsigned int i) const
    {
        const unsigned int a = mPrev[i], b = mNext[i];
        if (!(turn(i) > 0))
            return false;
        const Point lo{std::min({mQ[a].x, mQ[i].x, mQ[b].x}),
                       std::min({mQ[a].y, mQ[i].y, mQ[b].y})};
        const Point hi{std::max({mQ[a].x, mQ[i].x, mQ[b].x}),
                       std::max({mQ[a].y, mQ[i].y, mQ[b].y})};
        for (unsigned int k : mNotConvex)
            if (k != a && k != b && within(lo, hi, mQ[k]) && inTriangle(mQ[a], mQ[i], mQ[b], mQ[k]))
                return false;
        return true;
    }

    const std::vector<Point>& mQ;
    std::vector<unsigned int> mPrev, mNext; // the corners left, as a ring
    std::vector<unsigned int> mNotConvex;   // corners left that do not turn left
    std::vector<char> mEar;                 // whether a corner left is the tip of an ear
};
} // namespace

PolygonShape classifyPolygon(const Vector3<float>* corners, std::size_t count)
{
    return project(corners, count).shape;
}

PolygonShape splitPolygon(const Vector3<float>* corners, std::size_t count,
                          std::vector<CornerTriple>& out)
{
    const std::size_t base = out.size();
    appendReadersSplit(count, out);
    if (count < 4)
        return PolygonShape::CONVEX;
    const Projection p = project(corners, count);
    if (p.shape != PolygonShape::CONCAVE)
        return p.shape;
    // The readers' cut covers the face when none of its triangles turns back.
    const std::vector<Point>& q = p.points;
    if (std::all_of(out.begin() + static_cast<std::ptrdiff_t>(base), out.end(),
                    [&](const CornerTriple& t) { return orient(q[t[0]], q[t[1]], q[t[2]]) >= 0; }))
        return p.shape;
    out.resize(base);
    if (count == 4)
    {
        out.push_back({0, 1, 2});
        out.push_back({0, 2, 3});
        return p.shape;
    }
    if (EarClipper(q).clip(out))
        return p.shape;
    out.resize(base);
    appendReadersSplit(count, out);
    return PolygonShape::IRREGULAR;
}

void markFace(std::vector<bool>& faceRuns, std::size_t first, std::size_t end)
{
    faceRuns.resize(first, false);
    faceRuns.push_back(false);
    faceRuns.resize(end, true);
}

std::uint64_t splitFaces(const std::vector<Vector3<float>>& verts,
                         std::vector<Vector3<unsigned int>>& tris, std::vector<bool>& faceRuns)
{
    std::uint64_t irregular = 0;
    std::vector<unsigned int> index;
    std::vector<Vector3<float>> corners;
    std::vector<CornerTriple> split;
    const std::size_t size = std::min(faceRuns.size(), tris.size());
    for (std::size_t first = 0; first + 1 < size; ++first)
    {
        std::size_t end = first + 1;
        while (end < size && faceRuns[end])
            ++end;
        if (end == first + 1)
            continue;
        // The corners back from the readers' cut: a b d, b c d for a quad, else a fan.
        const Vector3<unsigned int>& t = tris[first];
        if (end - first == 2)
            index.assign({t[0], t[1], tris[first + 1][1], t[2]});
        else
        {
            index.assign({t[0], t[1]});
            for (std::size_t i = first; i < end; ++i)
                index.push_back(tris[i][2]);
        }
        corners.clear();
        for (unsigned int i : index)
            corners.push_back(verts[i]);
        split.clear();
        irregular += splitPolygon(corners.data(), corners.size(), split) == PolygonShape::IRREGULAR;
        for (std::size_t i = 0; i < split.size(); ++i)
            tris[first + i] =
                Vector3<unsigned int>(index[split[i][0]], index[split[i][1]], index[split[i][2]]);
        first = end - 1;
    }
    std::vector<bool>().swap(faceRuns);
    return irregular;
}
} // namespace meshio
