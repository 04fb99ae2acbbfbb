#include "viewer/Inspect.h"

#include "viewer/CommandLine.h"

#include "SupportCode/ColorMap.h"

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

void* const FONT = GLUT_BITMAP_HELVETICA_12;
const int LINE = 16; // pixels from one line of FONT to the next

int textWidth(const std::string& s)
{
    int w = 0;
    for (char c : s)
        w += glutBitmapWidth(FONT, c);
    return w;
}

// The raster colour is the current colour when the position is set.
void text(int x, int y, const std::string& s)
{
    glRasterPos2i(x, y);
    for (char c : s)
        glutBitmapCharacter(FONT, c);
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
    calcCurv();
    withoutValue = 0;
    bool any = false;
    for (const float k : curvatureArray)
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

void Inspect::drawColourBar(float minimum, float maximum, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    PixelSpace pixels(width, height);
    // The map of the smooth drawing: red at -3 and below, black at 0, blue at 3 and above.
    const float low = -3.0f, high = 3.0f;
    const int barWidth = 240, barHeight = 14;
    const int x = width - barWidth - 20, y = 30;
    glColor4f(1.0f, 1.0f, 1.0f, 0.7f);
    rectangle(x - 10, y - 22, barWidth + 20, barHeight + 50);
    const ColorMap map;
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= barWidth; i += 4)
    {
        const Vector3<float> c =
            map.map(low + (high - low) * static_cast<float>(i) / barWidth, low, high);
        glColor3f(c[0], c[1], c[2]);
        glVertex2i(x + i, y);
        glVertex2i(x + i, y + barHeight);
    }
    glEnd();
    // Where the mesh's own range lies on the bar.
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const float v : {minimum, maximum})
    {
        const float t = std::min(std::max((v - low) / (high - low), 0.0f), 1.0f);
        rectangle(x + static_cast<int>(t * static_cast<float>(barWidth)) - 1, y - 3, 2,
                  barHeight + 6);
    }
    glColor3f(0.0f, 0.0f, 0.0f);
    text(x, y - 16, number(low));
    text(x + barWidth - textWidth(number(high)), y - 16, number(high));
    text(x, y + barHeight + 6,
         "mean curvature: min " + number(minimum) + ", max " + number(maximum));
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
    const int panelHeight = LINE * static_cast<int>(keys.size() + 2) + 20;
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
