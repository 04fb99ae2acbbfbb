#include "viewer/Inspect.h"

#include "viewer/CommandLine.h"
#include "viewer/CurvatureScale.h"
#include "viewer/Text.h"

#include "SupportCode/ColorMap.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
void colour(const float (&c)[3])
{
    glColor3f(c[0], c[1], c[2]);
}

void vertices(const std::vector<Vector3<float>>& points)
{
    for (const Vector3<float>& p : points)
        glVertex3f(p[0], p[1], p[2]);
}

// Window pixels with the origin at the bottom left, unlit and on top, for the lifetime of
// the object; everything is restored after.
class PixelSpace
{
public:
    PixelSpace(int width, int height)
    {
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    ~PixelSpace()
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
    }
    PixelSpace(const PixelSpace&) = delete;
    PixelSpace& operator=(const PixelSpace&) = delete;
};

const int LINE = 16; // pixels from one line of text to the next

int textWidth(const std::string& s)
{
    return Text::width(s);
}

// The raster colour is the current colour when the position is set.
void text(int x, int y, const std::string& s)
{
    glRasterPos2i(x, y);
    Text::draw(s);
}

void rectangle(int x, int y, int w, int h)
{
    glRecti(x, y, x + w, y + h);
}

std::string number(float v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3g", static_cast<double>(v));
    return buffer;
}
} // namespace

void Inspect::DefectDrawing::draw()
{
    const MeshAnalysis::Defects& d = mDefects;
    glBegin(GL_LINES);
    colour(BOUNDARY_COLOUR);
    vertices(d.boundaryEdges);
    colour(NON_MANIFOLD_EDGE_COLOUR);
    vertices(d.nonManifoldEdges);
    colour(INCONSISTENT_COLOUR);
    vertices(d.inconsistentEdges);
    // A degenerate triangle has no inside to show: its sides, and a point below.
    colour(DEGENERATE_COLOUR);
    for (std::size_t i = 0; i + 2 < d.degenerateTriangles.size(); i += 3)
        for (std::size_t k = 0; k < 3; ++k)
        {
            const Vector3<float>& a = d.degenerateTriangles[i + k];
            const Vector3<float>& b = d.degenerateTriangles[i + (k + 1) % 3];
            glVertex3f(a[0], a[1], a[2]);
            glVertex3f(b[0], b[1], b[2]);
        }
    glEnd();
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i + 2 < d.degenerateTriangles.size(); i += 3)
    {
        const Vector3<float> c = (d.degenerateTriangles[i] + d.degenerateTriangles[i + 1] +
                                  d.degenerateTriangles[i + 2]) *
                                 (1.0f / 3.0f);
        glVertex3f(c[0], c[1], c[2]);
    }
    colour(NON_MANIFOLD_VERTEX_COLOUR);
    vertices(d.nonManifoldVertices);
    glEnd();
}

void Inspect::DefectCounts::add(const MeshAnalysis::Defects& d)
{
    ++meshes;
    boundaryEdges += d.boundaryEdges.size() / 2;
    nonManifoldEdges += d.nonManifoldEdges.size() / 2;
    inconsistentEdges += d.inconsistentEdges.size() / 2;
    nonManifoldVertices += d.nonManifoldVertices.size();
    degenerateTriangles += d.degenerateTriangles.size() / 3;
}

void Inspect::CurvatureMesh::computeCurvature()
{
    calculateVertexNormals();
    {
        // The library reports each vertex without a value on standard error, as its other
        // callers expect; the viewer sums them up in one line instead.
        std::ostringstream said;
        struct Redirect
        {
            std::streambuf* old;
            ~Redirect() { std::cerr.rdbuf(old); }
        } redirect{std::cerr.rdbuf(said.rdbuf())};
        calcCurv();
        messages = said.str();
    }
    values = curvatureArray;
    withoutValue = 0;
    bool any = false;
    for (const float k : values)
    {
        if (std::isnan(k))
        {
            ++withoutValue;
            continue;
        }
        minimum = any ? std::min(minimum, k) : k;
        maximum = any ? std::max(maximum, k) : k;
        any = true;
    }
}

void Inspect::CurvatureMesh::setColourRange(const CurvatureScale::Range& range)
{
    std::vector<float>& shown = curvatureArray.empty() ? mHidden : curvatureArray;
    shown.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        shown[i] = CurvatureScale::toRamp(values[i], range);
    changed();
}

void Inspect::CurvatureMesh::showCurvature(bool on)
{
    // The drawing colours corners by their normals without one value per vertex.
    if (on == curvatureArray.empty())
    {
        curvatureArray.swap(mHidden);
        changed();
    }
}

void Inspect::drawDefectLegend(const DefectCounts& counts, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    PixelSpace pixels(width, height);
    struct Row
    {
        const float* colour;
        std::size_t count;
        const char* one;
        const char* many;
    };
    const Row rows[] = {
        {BOUNDARY_COLOUR, counts.boundaryEdges, "boundary edge", "boundary edges"},
        {NON_MANIFOLD_EDGE_COLOUR, counts.nonManifoldEdges, "non-manifold edge",
         "non-manifold edges"},
        {INCONSISTENT_COLOUR, counts.inconsistentEdges, "inconsistently oriented edge",
         "inconsistently oriented edges"},
        {NON_MANIFOLD_VERTEX_COLOUR, counts.nonManifoldVertices, "non-manifold vertex",
         "non-manifold vertices"},
        {DEGENERATE_COLOUR, counts.degenerateTriangles, "degenerate triangle",
         "degenerate triangles"},
    };
    std::size_t total = 0;
    for (const Row& r : rows)
        total += r.count;
    const int x = 10, y = 10;
    // A clean scene shows no defect colour at all, only the line that says so.
    if (counts.meshes == 0 || total == 0)
    {
        const std::string line = counts.meshes == 0
                                     ? "Defects: no mesh to check"
                                     : "No defects: closed, manifold, consistently oriented";
        glColor4f(1.0f, 1.0f, 1.0f, 0.7f);
        rectangle(x, y, textWidth(line) + 16, LINE + 8);
        glColor3f(0.0f, 0.0f, 0.0f);
        text(x + 8, y + 8, line);
        return;
    }
    const int rowsHeight = LINE * 5;
    glColor4f(1.0f, 1.0f, 1.0f, 0.7f);
    rectangle(x, y, 250, rowsHeight + 12);
    for (int i = 0; i < 5; ++i)
    {
        const Row& r = rows[i];
        const int rowY = y + 6 + LINE * (4 - i);
        glColor3f(r.colour[0], r.colour[1], r.colour[2]);
        rectangle(x + 8, rowY + 1, 12, 10);
        glColor3f(0.0f, 0.0f, 0.0f);
        text(x + 28, rowY + 2, std::to_string(r.count) + " " + (r.count == 1 ? r.one : r.many));
    }
}

void Inspect::drawColourBar(const CurvatureScale::Range& range, float minimum, float maximum,
                            int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    PixelSpace pixels(width, height);
    const std::string low = number(range.low), high = number(range.high);
    const std::string title = "mean curvature: min " + number(minimum) + ", max " + number(maximum);
    const CurvatureScale::Layout l = CurvatureScale::layout(width, height, textWidth(low),
                                                            textWidth(high), textWidth(title), 12);
    if (!l.bar)
        return;
    const int top = l.title ? l.titleY + 16 : l.barY + l.barHeight + 4;
    const int left = std::max(0, std::min(l.barX, l.titleX) - 10);
    glColor4f(1.0f, 1.0f, 1.0f, 0.7f);
    rectangle(left, std::max(0, l.labelY - 6), width - left, top - std::max(0, l.labelY - 6));
    const ColorMap map;
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= l.barWidth; i += 4)
    {
        // The drawing's ramp, -3 to 3, across the bar: the colours range.low to range.high get.
        const Vector3<float> c =
            map.map(-3.0f + 6.0f * static_cast<float>(i) / l.barWidth, -3.0f, 3.0f);
        glColor3f(c[0], c[1], c[2]);
        glVertex2i(l.barX + i, l.barY);
        glVertex2i(l.barX + i, l.barY + l.barHeight);
    }
    glEnd();
    // Where the mesh's own extremes lie on the bar.
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const float v : {minimum, maximum})
    {
        const float t =
            std::min(std::max((CurvatureScale::toRamp(v, range) + 3.0f) / 6.0f, 0.0f), 1.0f);
        rectangle(l.barX + static_cast<int>(t * static_cast<float>(l.barWidth)) - 1, l.barY - 3, 2,
                  l.barHeight + 6);
    }
    glColor3f(0.0f, 0.0f, 0.0f);
    if (l.low)
        text(l.lowX, l.labelY, low);
    if (l.high)
        text(l.highX, l.labelY, high);
    if (l.title)
        text(l.titleX, l.titleY, title);
}

void Inspect::drawInfoPanel(const std::vector<std::string>& lines, int width, int height)
{
    if (width <= 0 || height <= 0 || lines.empty())
        return;
    PixelSpace pixels(width, height);
    int w = 0;
    for (const std::string& line : lines)
        w = std::max(w, textWidth(line));
    const int h = LINE * static_cast<int>(lines.size()) + 8;
    const int top = height - 34;
    glColor4f(1.0f, 1.0f, 1.0f, 0.7f);
    rectangle(4, top - h, w + 12, h);
    glColor3f(0.0f, 0.0f, 0.0f);
    int y = top - LINE + 2;
    for (const std::string& line : lines)
    {
        text(10, y, line);
        y -= LINE;
    }
}

void Inspect::drawHelpPanel(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    PixelSpace pixels(width, height);
    const std::vector<KeyHelp>& keys = keyTable();
    int keysWidth = 0, whatWidth = 0;
    for (const KeyHelp& k : keys)
    {
        keysWidth = std::max(keysWidth, textWidth(k.keys));
        whatWidth = std::max(whatWidth, textWidth(k.what));
    }
    const int panelWidth = keysWidth + whatWidth + 60;
    const int panelHeight = LINE * static_cast<int>(keys.size() + 3) + 20;
    const int x = std::max(0, (width - panelWidth) / 2);
    const int top = std::min(height, (height + panelHeight) / 2);
    glColor4f(0.1f, 0.1f, 0.15f, 0.75f);
    rectangle(x, top - panelHeight, panelWidth, panelHeight);
    glColor3f(1.0f, 1.0f, 1.0f);
    int y = top - 10 - LINE;
    text(x + 20, y, "Keys (h hides this)");
    for (const KeyHelp& k : keys)
    {
        y -= LINE;
        text(x + 20, y, k.keys);
        text(x + 40 + keysWidth, y, k.what);
    }
    text(x + 20, y - LINE, "Files: OBJ, STL, PLY, OFF");
}

void Inspect::drawHelpHint(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    PixelSpace pixels(width, height);
    const std::string hint = "h: help";
    glColor3f(0.15f, 0.15f, 0.2f);
    text(width - textWidth(hint) - 10, height - 20, hint);
}
