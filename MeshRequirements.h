#pragma once

#include "MeshAnalysis.h"

#include <string>
#include <vector>

// Pass/fail requirements on an analysed mesh, for gates in scripts and builds.
//   closed         no boundary edges
//   manifold       no non-manifold edges and no non-manifold vertices
//   oriented       no inconsistently oriented edges
//   no-degenerate  no triangle with a repeated corner or exactly zero area
// A mesh without triangles is neither closed nor manifold (as meshinfo's summary counts
// them), and is oriented and free of degenerate triangles.
struct MeshRequirements
{
    bool closed = false;
    bool manifold = false;
    bool oriented = false;
    bool noDegenerate = false;

    bool any() const { return closed || manifold || oriented || noDegenerate; }

    // Adds the requirements of a comma-separated list of the names above. False with one
    // line in error for an unknown or empty name.
    bool parse(const std::string& list, std::string& error);

    // One line per requirement the report falls short of, in the order above, e.g.
    // "not closed: 43 boundary edges"; empty when all are met.
    std::vector<std::string> unmet(const MeshAnalysis::Report& report) const;
};
