#pragma once

#include "MeshAnalysis.h"
#include "SimpleMesh.h"
#include "viewer/CurvatureScale.h"

#include "SupportCode/Geometry.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// What the viewer shows besides the meshes themselves: the defects the analysis found,
// curvature colours, and the panels drawn over the scene in window pixels.
namespace Inspect
{
// The defects overlay's colours (unlit RGB), which normal colours never reach: a unit
// normal cannot have two components near -1, nor one at -1 with the other two unequal.
const float BOUNDARY_COLOUR[3] = {1.0f, 0.5f, 0.0f};            // orange
const float NON_MANIFOLD_EDGE_COLOUR[3] = {1.0f, 0.0f, 0.5f};   // pink
const float INCONSISTENT_COLOUR[3] = {0.5f, 1.0f, 0.0f};        // lime
const float NON_MANIFOLD_VERTEX_COLOUR[3] = {0.5f, 0.0f, 1.0f}; // violet
const float DEGENERATE_COLOUR[3] = {0.0f, 0.5f, 1.0f};          // azure

// The defect lists of one mesh as lines and points in the mesh's own coordinates; the
// caller loads the mesh's transform. Never changes, so a compiled drawing stays valid.
class DefectDrawing : public Geometry
{
public:
    explicit DefectDrawing(MeshAnalysis::Defects defects) : mDefects(std::move(defects)) {}
    void draw() override;
    const MeshAnalysis::Defects& defects() const { return mDefects; }

private:
    MeshAnalysis::Defects mDefects;
};

// Counts of each kind over the scene; meshes is how many were checked.
struct DefectCounts
{
    std::size_t meshes = 0;
    std::size_t boundaryEdges = 0, nonManifoldEdges = 0, inconsistentEdges = 0;
    std::size_t nonManifoldVertices = 0, degenerateTriangles = 0;
    void add(const MeshAnalysis::Defects& d);
};

// A simple mesh coloured by its mean curvature, or by its normals while that is off.
class CurvatureMesh : public SimpleMesh
{
public:
    // Vertex normals, then the curvature of every vertex and the range of the values. The
    // library's line for each vertex without a value goes to messages, not the console.
    void computeCurvature();
    void showCurvature(bool on);
    // Colours running from range.low (red) through black to range.high (blue).
    void setColourRange(const CurvatureScale::Range& range);

    float minimum = 0.0f, maximum = 0.0f; // over the vertices with a value
    std::size_t withoutValue = 0;         // vertices where the formula has none (NaN)
    std::vector<float> values;            // the curvature of each vertex
    std::string messages;                 // what the curvature computation said

private:
    std::vector<float> mHidden; // the values while normal colours are shown
};

// Panels in window pixels (width x height), drawn over everything.
void drawDefectLegend(const DefectCounts& counts, int width, int height);
void drawColourBar(const CurvatureScale::Range& range, float minimum, float maximum, int width,
                   int height);
// Lines of text in a panel at the top left, under the frame counter.
void drawInfoPanel(const std::vector<std::string>& lines, int width, int height);
void drawHelpPanel(int width, int height);
void drawHelpHint(int width, int height);
} // namespace Inspect
