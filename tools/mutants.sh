#!/usr/bin/env bash
# Mutation check of the unit tests: plants each hand-made fault listed below, one at a time,
# in a scratch copy of the committed tree, rebuilds the unit tests (at -O0, through ccache
# where there is one) and runs them; a fault in the window program's own sources also
# builds the viewer and runs its end-to-end tests. A fault the tests do not notice
# "survives". Takes tens of minutes, so it is not part of CI.
#
#   tools/mutants.sh          every mutant
#   tools/mutants.sh 3 17     only mutants 3 and 17 (numbers as printed by --list)
#   tools/mutants.sh --list   the numbered list
#   tools/mutants.sh --check  which mutants no longer apply to the code, or apply in more
#                             than one place (no build)
#
# The copy and its build live in build-mutants/, kept between runs (MUTANTS_DIR: elsewhere).
# MUTANTS_REV names the commit to copy (default HEAD), MUTANTS_ROOT the checkout (default:
# this script's; a copy of the script elsewhere is safe from checkouts during a run),
# MUTANT_TIMEOUT the seconds one test run may take (default 240). A mutant whose text is no
# longer in the code is reported as "did not apply": update its text after a refactor.
set -uo pipefail
root=${MUTANTS_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

names=() olds=() news=()
# mutant FILE OLD NEW: every occurrence of the text OLD in FILE becomes NEW.
mutant() { names+=("$1"); olds+=("$2"); news+=("$3"); }

# --- SimpleMesh ---
mutant SimpleMesh.cpp ' || mVertexFacesFaceCount != mFaces.size()' ''
mutant SupportCode/VertexFaces.h 'if (c2 != c0 && c2 != c1 && c2 < numVerts)' 'if (c2 != c0 && c2 < numVerts)'
mutant Mesh.cpp 'if (!(len > 0.0) || !std::isfinite(len))' 'if (true)'
mutant Mesh.cpp 'n = cross(p1 - p0, p2 - p0);' 'n = cross(p2 - p0, p1 - p0);'
mutant SimpleMesh.cpp 'mNormals.push_back(isFinite(n) ? n : Vector3<float>(0.0f, 0.0f, 0.0f));' \
    'mNormals.push_back(n);'
mutant SimpleMesh.cpp 'way = mNormals.size() >= mFaces.size() ? Way::FLAT : Way::BARE;' \
    'way = Way::FLAT;'
mutant SimpleMesh.cpp 'curvatureColours = curvatureArray.size() == mVerts.size();' \
    'curvatureColours = !curvatureArray.empty();'
mutant SimpleMesh.cpp 'if (direction * locn < 0.0f)' 'if (!(direction * locn >= 0.0f))'
mutant SimpleMesh.cpp 'if (!(neighbourVertices[0] != neighbourVertices[1]))' 'if (false)'
mutant SimpleMesh.cpp ' || (c > 1 && localV == corners[1])' ''
mutant SimpleMesh.cpp 'mMaxCurv = 1.1754944e-38f;' 'mMaxCurv = -3.4028235e38f;'
mutant SimpleMesh.cpp 'if (count != 2)' 'if (count < 2)'

# --- HalfEdgeMesh and its edge table ---
mutant HalfEdgeMesh.h 'mEdges[to].prev = from;' ';'
mutant HalfEdgeMesh.cpp 'if (v1 == v2)' 'if (false)'
mutant HalfEdgeMesh.cpp $'if (mPairListLength[lo] >= PAIR_LIST_LIMIT)\n    {\n        found' \
    $'if (mPairListLength[lo] > PAIR_LIST_LIMIT)\n    {\n        found'
mutant HalfEdgeMesh.cpp '++mPairListLength[lo] < PAIR_LIST_LIMIT' 'mPairListLength[lo] + 1 < PAIR_LIST_LIMIT'
# (Matching on lo alone survives: the table also compares 32 bits of the hash.)
mutant HalfEdgeMesh.cpp 'return pairEnds(n) == std::make_pair(lo, hi);' 'return pairEnds(n) == std::make_pair(hi, lo);'
mutant SupportCode/IndexTable.h 'while (mSlots[i].index != NONE && (mSlots[i].tag != tag' \
    'if (mSlots[i].index != NONE && (mSlots[i].tag != tag'
mutant HalfEdgeMesh.cpp 'mTakenFew.emplace(f, corner);' ';'
mutant HalfEdgeMesh.cpp 'mTakenByFace[f] = corner;' ';'
mutant HalfEdgeMesh.cpp 'if (!border3)' 'if (border3)'
mutant HalfEdgeMesh.cpp 'path.resize(mu + lambda);' 'path.resize(mu);'
mutant HalfEdgeMesh.cpp '(*ends)[passed] = result;' '(*ends)[passed] = UNINITIALIZED;'
mutant HalfEdgeMesh.cpp 'setNextHalfEdge(edgeInd3, edgeInd5);' ';'
mutant HalfEdgeMesh.cpp 'e.prev == UNINITIALIZED || ' ''
mutant HalfEdgeMesh.cpp '++v.isolatedVertices;' ';'
mutant HalfEdgeMesh.cpp 'const long long g = (e - f - v + 2) / 2;' \
    'const long long g = static_cast<long long>((std::size_t(e) - std::size_t(f) - std::size_t(v) + 2) / 2);'
mutant HalfEdgeMesh.cpp $'    if (mClosed)\n        return false;\n' ''
mutant HalfEdgeMesh.cpp 'if (first >= last || mClosed)' 'if (first >= last)'
mutant HalfEdgeMesh.cpp 'if (triangles.empty() || mClosed)' 'if (triangles.empty())'
mutant HalfEdgeMesh.cpp 'mUniqueVerts = WeldMap();' ';'
mutant HalfEdgeMesh.cpp $'    mClosed = true;\n' ''
mutant HalfEdgeMesh.cpp 'static_cast<float>(sum / 3.0)' 'static_cast<float>(sum / 6.0)'
mutant HalfEdgeMesh.cpp 'v_normal = unitOrZero(sum);' 'v_normal = sum;'
mutant HalfEdgeMesh.cpp 'return isFinite(v) ? v : Vector3<float>(0.0f, 0.0f, 0.0f);' 'return v;'

# --- welding ---
mutant SupportCode/WeldKey.h 'if (f == 0.0f)' 'if (false)'
mutant SupportCode/WeldKey.h 'x == o.x && y == o.y && z == o.z' 'x == o.x && y == o.y'
mutant SupportCode/WeldMap.h $'CacheEntry& cached = cacheFor(h);\n        if (cached.index != NONE && cached.key == key)' \
    $'CacheEntry& cached = cacheFor(h);\n        if (cached.index != NONE)'
mutant SupportCode/IndexTable.h $'while (mSlots[i].index != NONE)\n' $'if (mSlots[i].index != NONE)\n'
mutant SupportCode/IndexTable.h '++mCount;' ';'
mutant SupportCode/WeldMap.h 'CacheEntry{WeldKey{0, 0, 0}, NONE}' 'CacheEntry{WeldKey{0, 0, 0}, 0}'

# --- OBJ reader ---
mutant io/TextInput.cpp $'        if (begin < end && (*begin == \'+\' || *begin == \'-\'))\n            return false;\n' ''
mutant io/TextInput.cpp 'if (r.ec == std::errc::result_out_of_range)' 'if (false)'
mutant io/TextInput.cpp 'return std::isfinite(out);' 'return true;'
mutant io/TextInput.h "c == '\\r' || " ''
mutant io/TextInput.cpp $'            ++mLine;\n            mCut = !found;\n' $'            mCut = !found;\n'
mutant io/TextInput.cpp 'std::memmove(mBuffer.data(), mBuffer.data() + mPos, held());' ';'
mutant ObjIO.cpp 'if (keywordIs(begin, kwEnd, "v"))' 'if (keywordIs(begin, kwEnd, "v") || keywordIs(begin, kwEnd, "V"))'
mutant ObjIO.cpp 'if (!keywordIs(begin, kwEnd, "f")' 'if (false && !keywordIs(begin, kwEnd, "f")'
mutant ObjIO.cpp 'if (count < 3)' 'if (count < 2)'
mutant ObjIO.cpp 'emplace_back(c[0], c[1], c[3]);' 'emplace_back(c[0], c[1], c[2]);'
mutant ObjIO.cpp $'if (value > numVerts)\n                         {' $'if (value >= numVerts)\n                         {'
mutant ObjIO.cpp 'if (ref.index > numVerts)' 'if (ref.index >= numVerts)'
mutant ObjIO.cpp 'const char* fieldEnd = slash ? slash : e;' 'const char* fieldEnd = e;'
mutant ObjIO.cpp 'mesh->addTriangles(verts, tris, 0, count);' 'mesh->addTriangles(verts, tris, 1, count);'

# --- analysis ---
mutant MeshAnalysis.cpp ' || t[2] >= numPositions' ''
mutant MeshAnalysis.cpp 'isolatedVertices = distinctPositions - s.vertexPosition.size();' \
    'isolatedVertices = positions.size() - s.vertexPosition.size();'
mutant MeshAnalysis.cpp 'collinear(s.vertexPosition[t[0]], s.vertexPosition[t[1]], s.vertexPosition[t[2]]))' \
    '(false && collinear(s.vertexPosition[t[0]], s.vertexPosition[t[1]], s.vertexPosition[t[2]])))'
mutant MeshAnalysis.cpp $'        sets.unite(t[0], t[2]);\n    }\n    std::size_t roots' $'    }\n    std::size_t roots'
mutant MeshAnalysis.cpp $'            sets.unite(t[0], t[2]);\n            used' '            used'
mutant MeshAnalysis.cpp 'else if (e.faces > 2)' 'else if (e.faces >= 2)'
mutant MeshAnalysis.cpp 'e.outwardOnly != 1 || e.inwardOnly != 1' 'e.outwardOnly != 1 && e.inwardOnly != 1'
mutant MeshAnalysis.cpp 'if (e.properFaces > 0 && root == i)' 'if (root == i)'
mutant MeshAnalysis.cpp 'uniteRoots(parentOf, fanEdge, id);' ';'
mutant MeshAnalysis.cpp 'std::sort(s.higherCorners.begin(), s.higherCorners.end());' ';'
mutant MeshAnalysis.cpp '2 - c.eulerCharacteristic - ' '2 - c.eulerCharacteristic + '
mutant MeshAnalysis.cpp 'if (r.boundaryEdges > 0)' 'if (r.boundaryLoops > 1)'
mutant MeshAnalysis.cpp 'c.repeatedCornerTriangles += s.repeatedCorners[f] ? 1u : 0u;' ';'

# --- meshinfo ---
mutant tools/meshinfo.cpp 'o.validateProblemLines = checked.unsetRecords();' 'o.validateProblemLines = 0;'
mutant tools/meshinfo.cpp 'out << r.isolatedVertices;' 'out << r.positions - r.vertices;'
mutant tools/meshinfo.cpp "s.back() = ' ';" ';'
mutant tools/meshinfo.cpp 'key("genus"), out << (hasGenus ?' 'key("genus"), out << (single ?'
mutant io/MeshFile.cpp 'if (S_ISDIR(st.st_mode))' 'if (false)'
mutant Console.cpp 'if (c >= 0x20 && c < 0x7f)' 'if (c < 0x7f)'
mutant tools/meshinfo.cpp 'return usage("standard input can be read once");' 'options.quiet = true;'
mutant tools/meshinfo.cpp 'o.meshVertices = mesh.numVertices();' 'o.meshVertices = o.report.positions;'

# --- writers, requirements, analysis by index ---
mutant io/MeshWriter.cpp 'if (std::fabs(value) == std::numeric_limits<float>::max())' 'if (false)'
mutant io/MeshWriter.cpp 'return a.st_dev == b.st_dev && a.st_ino == b.st_ino;' 'return a.st_ino == b.st_ino && false;'
mutant io/MeshWriter.cpp '::fchmod(temporary.fd, existing.st_mode & 07777);' ';'
mutant io/MeshWriter.cpp 'if (S_ISDIR(existing.st_mode))' 'if (false)'
mutant io/MeshWriter.cpp '::unlink(path.c_str());' ';'
mutant io/MeshWriter.cpp 'out = ascii ? WriteFormat::STL_ASCII : WriteFormat::STL_BINARY;' 'out = WriteFormat::STL_BINARY;'
mutant io/MeshWriter.cpp 'if (data.tris[t][c] >= count)' 'if (data.tris[t][c] > count)'
mutant io/StlWriter.cpp 'if (!(length > 0.0) || !std::isfinite(length))' 'if (!std::isfinite(length))'
mutant io/StlWriter.cpp 'char header[80] = "binary STL written by MeshViewer";' 'char header[80] = "solid, binary, written by MeshViewer";'
mutant io/PlyWriter.cpp 'buffer.uint32le(t[k]);' 'buffer.uint32le(t[2 - k]);'
mutant io/ObjWriter.cpp 'buffer.unsigned3(t[0] + 1, t[1] + 1, t[2] + 1,' 'buffer.unsigned3(t[0] + 1, t[2] + 1, t[1] + 1,'
mutant io/OffWriter.cpp 'std::to_string(data.tris.size()) + " 0\n"' 'std::to_string(data.verts.size()) + " 0\n"'
mutant MeshRequirements.cpp 'if (wanted && needsTriangles && r.faces == 0)' 'if (wanted && r.faces == 0)'
mutant MeshRequirements.cpp 'if (r.nonManifoldVertices)' 'if (r.nonManifoldVertices && nonManifold.empty())'
mutant tools/meshinfo.cpp 'return !std::cout || anyRejected ? 1 : anyUnmet ? 3 : 0;' 'return !std::cout ? 1 : anyUnmet ? 3 : anyRejected ? 1 : 0;'
mutant tools/meshinfo.cpp 'o.welded = !options.keepIndices || stl;' 'o.welded = !options.keepIndices;'
mutant io/MeshFile.cpp 'mByIndex = keepIndices || format == MeshFormat::STL_BINARY' 'mByIndex = format == MeshFormat::STL_BINARY'
mutant MeshAnalysis.cpp 'if (e.faces > 0 && e.w > v)' 'if (e.faces > 1 && e.w > v)'
mutant MeshAnalysis.cpp 'if (keepIndices)' 'if (false)'
mutant HalfEdgeMesh.cpp 'unsigned int& vertex = vertexOf[firstEqual' 'unsigned int vertex = vertexOf[firstEqual'
# --- collections: folders, lists, gzip, the geometry hash, the memory gate ---
mutant GeometryHash.cpp 'const float x = p[i] == 0.0f ? 0.0f : p[i];' 'const float x = p[i];'
mutant GeometryHash.cpp 'if (r == 0 || words < best)' 'if (r == 0)'
mutant GeometryHash.cpp 'xored ^= b;' 'xored += b;'
mutant io/Compressed.cpp 'if (mTotal > mLimit)' 'if (mTotal >= mLimit)'
mutant io/Compressed.cpp 'inflateReset(&mZ); // another member follows' 'mEnded = true;'
mutant io/Compressed.cpp 'mError = "truncated gzip data (the file ends inside it)";' 'mEnded = true;'
mutant io/Compressed.cpp "(path[n - 2] | 0x20) == 'g'" "path[n - 2] == 'g'"
mutant io/Compressed.cpp "head[3] >= '1' && head[3] <= '9'" "head[3] >= '1'"
mutant tools/Collection.cpp 'std::sort(names.begin(), names.end());' ';'
mutant tools/Collection.cpp '!visited.emplace(st.st_dev, st.st_ino).second' 'false'
mutant tools/Collection.h 'running == 0 || (inUse <= limit && peak <= limit - inUse)' 'running == 0 || peak <= limit - inUse'
mutant tools/Collection.cpp 'perByte = 3;' 'perByte = 4;'
mutant tools/Collection.cpp "if (!line.empty() && line.back() == '\r')" 'if (false)'
mutant tools/Collection.cpp 'return items.size() > before;' 'return true;'
mutant tools/meshinfo.cpp 'if (results[i].read && results[i].faces > 0)' 'if (results[i].read)'
mutant tools/meshinfo.cpp 'shown += group.second.size() > 1;' 'shown += 1;'
mutant tools/meshinfo.cpp $'if (unpacked.error().empty())\n        return read;' 'return read;'
mutant tools/meshinfo.cpp 'const bool several = count > 1 || options.collection;' 'const bool several = count > 1;'
# --- faces split truly ---
mutant io/Polygon.cpp '(d.y - b.y) <= 0)' '(d.y - b.y) < 0)'
mutant io/Polygon.cpp 'if (normal[drop] < 0)' 'if (normal[drop] > 0)'
mutant io/Polygon.cpp ' + COORDINATE_TOLERANCE * largest;' ';'
mutant io/Polygon.cpp 'if (!reflex && signChanges(q, false) <= 2 && signChanges(q, true) <= 2)' 'if (!reflex)'
mutant io/Polygon.cpp 'return orient(q[t[0]], q[t[1]], q[t[2]]) >= 0;' 'return orient(q[t[0]], q[t[1]], q[t[2]]) > 0;'
mutant io/Polygon.cpp 'if (std::min(q[j].x, end(j).x) > right)' 'if (std::min(q[j].x, end(j).x) >= right)'
mutant io/Polygon.cpp '            mEar[b] = isEar(b);' ''
mutant io/Polygon.cpp 'index.assign({t[0], t[1], tris[first + 1][1], t[2]});' 'index.assign({t[0], t[1], tris[first + 1][2], t[2]});'
mutant io/ReaderHelpers.cpp $'if (count > 3)\n        markFace' $'if (count > 4)\n        markFace'
mutant ObjIO.cpp 'mIrregularFaces = meshio::splitFaces(' 'mIrregularFaces = 0 * meshio::splitFaces('
mutant io/MeshFile.cpp 'stats.irregularFaces = meshio::splitFaces(' 'meshio::splitFaces('
mutant io/Polygon.cpp 'const std::size_t j = i + 1 == n ? 0 : i + 1;' 'const std::size_t j = i + 1 == n ? i : i + 1;'
mutant tools/meshinfo.cpp 'count("faces not flat and simple", o.irregularFaces);' 'count("faces not flat and simple", o.polygonsSplit);'
mutant io/Polygon.cpp 'orient(a, b, x) >= 0 && orient(b, c, x) >= 0 && orient(c, a, x) >= 0' \
    'orient(a, b, x) > 0 && orient(b, c, x) > 0 && orient(c, a, x) > 0'
mutant io/Polygon.cpp 'if (!(length > 1e-12 * diagonal * diagonal) || !std::isfinite(length))' 'if (!std::isfinite(length))'
mutant io/Polygon.cpp 'faceRuns.push_back(false);' 'faceRuns.push_back(true);'
mutant io/Polygon.cpp 'first = end - 1;' 'first = end;'
mutant io/Polygon.cpp 'if (n > MAX_EXAMINED_CORNERS)' 'if (n >= MAX_EXAMINED_CORNERS)'

# --- camera ---
mutant SupportCode/Camera.h 'std::sin(phi) * std::sin(theta)' 'std::cos(phi) * std::sin(theta)'
mutant SupportCode/Camera.h $'mCameraVel += mCameraAcc * dt;\n        mCameraPos += mCameraVel * dt;' \
    $'mCameraPos += mCameraVel * dt;\n        mCameraVel += mCameraAcc * dt;'
mutant SupportCode/Camera.h '0.0001f, 0.9999f)' '0.0001f, 1.0f)'
mutant SupportCode/Camera.h 'const float dx = d[0] == 0.0f ? 0.0f : d[0];' 'const float dx = d[0];'
mutant SupportCode/Camera.h 'if (d[0] != 0.0f || d[2] != 0.0f)' 'if (d[0] != 0.0f)'
mutant SupportCode/Camera.h 'accLeft() { accelerate(-getSideVector()); }' 'accLeft() { accelerate(getSideVector()); }'
mutant SupportCode/Camera.h 'cross(getSideVector(), getLookAtVector())' 'cross(getLookAtVector(), getSideVector())'
mutant SupportCode/Camera.h 'if (!(r > 0.0f))' 'if (false)'

# --- viewer arithmetic ---
mutant SupportCode/ViewerMath.h 'timeSinceLastFPS > FPS_INTERVAL' 'timeSinceLastFPS >= FPS_INTERVAL'
mutant SupportCode/ViewerMath.h 'frameCounter = 0;' ';'
mutant SupportCode/ViewerMath.h 'if (fps < 20.0f)' 'if (fps <= 20.0f)'
mutant SupportCode/ViewerMath.h 'oldPos = pos == NO_MOUSE_SAMPLE ? sample : pos;' 'oldPos = pos;'
mutant SupportCode/ViewerMath.h 'x = windowWidth == 0 ? 0.0f' 'x = false ? 0.0f'

# --- viewer ---
mutant viewer/Summary.cpp 'r.components[0].genus == halfEdgeGenus' 'r.components[0].genus >= halfEdgeGenus'
mutant viewer/Summary.cpp 'if (r.hasGenusIgnoringDegenerate)' 'if (true)'
mutant viewer/Summary.cpp 'if (r.nonManifoldEdges > 0)' 'if (r.nonManifoldEdges > 1)'
mutant viewer/Summary.cpp 'if (n != 1)' 'if (n > 2)'
mutant viewer/Summary.cpp '"%.17g", r.area' '"%.9g", r.area'
mutant viewer/OutputPath.cpp 'name[0] == '"'/'"' || ' ''
mutant viewer/OutputPath.cpp 'dot != std::string::npos && dot > 0' 'dot != std::string::npos'
mutant viewer/OutputPath.cpp 'for (int n = 2;' 'for (int n = 1;'
mutant viewer/CurvatureScale.cpp 'std::ceil(fraction * static_cast<double>(m.size()))' \
    'std::floor(fraction * static_cast<double>(m.size()))'
mutant viewer/CurvatureScale.cpp 'if (!std::isnan(v))' 'if (true)'
mutant viewer/CurvatureScale.cpp 'l.bar = l.barWidth >= 20 && l.barY >= 0;' 'l.bar = true;'
mutant viewer/CurvatureScale.cpp '(!l.low || l.lowX + lowWidth + 4 <= l.highX)' '(l.lowX + lowWidth <= l.highX)'
mutant viewer/CurvatureScale.cpp 'l.titleX = std::min(l.barX, width - titleWidth - margin);' 'l.titleX = l.barX;'
mutant viewer/Pick.cpp 'if (d1 <= 0.0 && d2 <= 0.0)' 'if (d1 <= 0.0 || d2 <= 0.0)'
mutant viewer/Pick.cpp 'return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));' 'return b + (c - b) * 0.5;'
mutant viewer/Pick.cpp 'if (!hit.found || d < hit.distanceSquared)' 'if (!hit.found || d <= hit.distanceSquared)'
mutant viewer/Pick.cpp 'if (k == 0 || dot(d, d) < best)' 'if (dot(d, d) < best)'
mutant viewer/Pick.cpp 'tri[2] >= positions.size()' 'tri[2] > positions.size()'
mutant viewer/MeshLoad.h 'triangles + positions <= (std::size_t(1) << 21)' 'triangles + positions < (std::size_t(1) << 21)'
mutant viewer/MeshLoad.cpp 'for (unsigned int k = 0; k < 3; ++k)' 'for (unsigned int k = 0; k < 2; ++k)'
mutant viewer/MeshLoad.cpp 'data.tris.empty() ? Outcome::NO_TRIANGLES : Outcome::LOADED' 'Outcome::LOADED'
mutant viewer/MeshLoad.cpp $'        if (error.kind == ReadFailure::CANNOT_OPEN)\n            return r; // UNOPENED\n' ''
mutant viewer/MeshLoad.cpp 'a.report, &a.defects,' 'a.report, nullptr,'
mutant main.cpp $'    if (!loaded)\n        return 1;\n' ''
mutant main.cpp $'        load.join();\n        if (!loaded)\n            return 1;\n' $'        load.join();\n'
mutant GUI.cpp '    mShowCube = false; // it would stand inside the meshes' ''
mutant GUI.cpp 'if (!mDragged && !mFiles.empty())' 'if (!mFiles.empty())'
mutant GUI.cpp 'if (onlyChanged && mtime == f.mtime && size == f.size)' 'if (onlyChanged)'
mutant GUI.cpp '    if (!picture())
        drawFPS(mCurrentFPS);' '    drawFPS(mCurrentFPS);'
mutant GUI.cpp 'Screenshot::nextFreeName(mCallerDir)' 'Screenshot::nextFreeName("")'
mutant GUI.cpp 'const GLint row = static_cast<GLint>(mWindowHeight) - 1 - mPickY;' 'const GLint row = mPickY;'
mutant viewer/Text.cpp 'ADVANCES[glyphIndex(c)] : glutBitmapWidth' '6 : glutBitmapWidth'

# --- maths and colours ---
mutant SupportCode/ColorMap.cpp 'return colors[colors.size() / 2];' 'return colors[0];'
mutant SupportCode/Matrix4x4_Impl.h 'cz * sy * sx - sz * cx' 'cz * sy * sx + sz * cx'
mutant Mesh.cpp 'return 0.5f * cross(e1, e2).length();' 'return cross(e1, e2).length();'

# --- meshinfo's reports, the analysis without repeated corners, the framing ---
mutant tools/meshinfo.cpp '"%.17g", x);' '"%.9g", x);'
mutant Console.cpp "if (c == '\"' || c == '\\\\')" "if (c == '\"')"
mutant Console.cpp 'else if (c < 0x20)' 'else if (c < 0x1f)'
mutant Console.cpp 'for (const char ch : validUtf8(text))' 'for (const char ch : text)'
mutant tools/meshinfo.cpp 'i < TEXT_COMPONENT_LIMIT; ++i)' 'i <= TEXT_COMPONENT_LIMIT; ++i)'
mutant tools/meshinfo.cpp 'if (r.components.size() > TEXT_COMPONENT_LIMIT)' 'if (r.components.size() >= TEXT_COMPONENT_LIMIT)'
mutant tools/meshinfo.cpp 'r.components.size() > JSON_COMPONENT_LIMIT ?' 'r.components.size() >= JSON_COMPONENT_LIMIT ?'
mutant tools/meshinfo.cpp '(ignored == 1 ? " triangle" : " triangles")' '(ignored > 1 ? " triangle" : " triangles")'
mutant tools/meshinfo.cpp '(r.volume < 0 ? "  (negative' '(r.volume > 0 ? "  (negative'
mutant tools/meshinfo.cpp 'if (undefined > 0)' 'if (undefined > 1)'
mutant tools/meshinfo.cpp 'const bool hasGenus = single && r.components[0].hasGenus;' \
    'const bool hasGenus = !r.components.empty() && r.components[0].hasGenus;'
mutant tools/meshinfo.cpp 'result.closed = r.faces > 0 && r.boundaryEdges == 0;' 'result.closed = r.boundaryEdges == 0;'
mutant tools/meshinfo.cpp ' && r.nonManifoldVertices == 0;' ';'
mutant tools/meshinfo.cpp 'if (array && written > 0)' 'if (array)'
mutant tools/meshinfo.cpp 'anyRejected = anyRejected || !r.read;' 'anyRejected = !r.read;'
mutant tools/meshinfo.cpp 'n == 0 || n > 1024)' 'n == 0 || n >= 1024)'
mutant tools/meshinfo.cpp 'while (i + 1 < result.out.size() && result.out[i + 1] == ' \
    'if (i + 1 < result.out.size() && result.out[i + 1] == '
mutant tools/meshinfo.cpp 'else if (arg == "--")' 'else if (arg == "-")'
mutant MeshAnalysis.cpp 'r.hasGenusIgnoringDegenerate = twiceGenus >= 0 &&' 'r.hasGenusIgnoringDegenerate = twiceGenus > 0 &&'
mutant MeshAnalysis.cpp 'static_cast<std::int64_t>(faces) - static_cast<std::int64_t>(p.boundaryLoops)' \
    'static_cast<std::int64_t>(faces) + static_cast<std::int64_t>(p.boundaryLoops)'
mutant MeshAnalysis.cpp ' || countProperComponents(s) != 1)' ')'
mutant MeshAnalysis.cpp 'orientedManifold && p.boundaryEdges == 0;' 'orientedManifold;'
mutant MeshAnalysis.cpp '(r.hasVolume && !genusUndefined(r))' 'r.hasVolume'
mutant MeshAnalysis.cpp 'e.properFaces == 2 && e.properOutward != 1' 'e.properFaces == 2 && e.properOutward == 0'
mutant MeshAnalysis.cpp 's.proper.nonManifoldVertices += numFans > 1' 's.proper.nonManifoldVertices += numFans > 2'
mutant MeshAnalysis.cpp 's.proper.vertices += numFans > 0 ? 1u : 0u;' '++s.proper.vertices;'
mutant MeshAnalysis.cpp 'if (side.component != NONE && side.loop == i)' 'if (side.loop == i)'
mutant MeshAnalysis.cpp 'r.area += 0.5 * std::sqrt' 'r.area += std::sqrt'
mutant viewer/Framing.h 'return std::max(fit, radius + NEAR_MARGIN);' 'return std::min(fit, radius + NEAR_MARGIN);'
mutant viewer/Framing.h 'fovDegrees * 3.14159265358979323846 / 360.0' 'fovDegrees * 3.14159265358979323846 / 180.0'
mutant viewer/Framing.h 'View{centre - lookDirection *' 'View{centre + lookDirection *'
mutant viewer/Framing.h $'    if (all.empty)\n        return std::nullopt;\n' ''
mutant viewer/Framing.h 'all.add(transformed(boxes[i], transforms[i]));' 'all.add(boxes[i]);'
mutant viewer/Framing.h 'total += PLACEMENT_GAP * static_cast<float>(boxes.size() - 1);' \
    'total += PLACEMENT_GAP * static_cast<float>(boxes.size());'
mutant viewer/Framing.h 'const float lowest = b.empty ? 0.0f : b.min[1];' 'const float lowest = b.empty ? 0.0f : b.max[1];'
mutant viewer/Framing.h 'widths.push_back(static_cast<float>(size[0] * s));' 'widths.push_back(static_cast<float>(size[0]));'
mutant viewer/Framing.h 'max[i] = empty ? p[i] : std::max(max[i], p[i]);' 'max[i] = std::max(max[i], p[i]);'
mutant viewer/Framing.h 'HOME_DIRECTION(0.0f, 0.4472136f, 0.8944272f)' 'HOME_DIRECTION(0.0f, 0.8944272f, 0.4472136f)'
# --- readers ---
mutant io/TextInput.cpp 'if (keep && h > 0 && !keep(p, p + h))' 'if (false)'
mutant io/TextInput.cpp 'if (mPos < mEnd && !(mComments && *mPos == '"'"'#'"'"'))' 'if (mPos < mEnd)'
mutant io/TextInput.cpp $'            mNoData = 0;\n' ''
mutant io/TextInput.h $'            else\n                mNoData = 0;\n' ''
mutant io/TextInput.cpp 'mNoData + (look.next - start) <= MAX_NO_DATA_BYTES' 'mNoData + (look.next - start) < MAX_NO_DATA_BYTES'
mutant io/TextInput.cpp 'mNoData += look.next - start;' ';'
mutant io/TextInput.cpp $'            ++mLine; // the line that went beyond\n' ''
mutant io/TextInput.cpp 'if (next - start >= LONG_COMMENT)' 'if (false)'
mutant ObjIO.cpp 'if (!in.passOver())' 'if (false)'
mutant io/MeshFile.cpp '(p[3] == 0 && !startsWithWideMark(head))' '!startsWithWideMark(head)'
mutant io/MeshFile.cpp 'if (solid && !holdsNul(head, whole))' 'if (solid)'
mutant io/MeshFile.cpp 'return !whole || head.find_first_not_of' 'return whole || head.find_first_not_of'
mutant io/MeshFile.cpp 'head.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;' '0;'
mutant io/StlReader.cpp 'if (!input.atEnd())' 'if (false)'
mutant io/StlReader.cpp 'n[2] * cross[2] < 0;' 'n[2] * cross[2] <= 0;'
mutant io/StlReader.cpp 'stats.stlNormalsDisagreeing += normalDisagrees(normal, corner);' ';'
mutant io/StlReader.cpp $'    if (inSolid)\n        stats.warning' $'    if (false)\n        stats.warning'
mutant io/OffReader.cpp 'bool perLine = keyword == OffKeyword::EXTRA;' 'bool perLine = false;'
mutant io/OffReader.cpp 'if (!mTokens.lineDone())' 'if (false)'
mutant io/OffReader.cpp 'if (rest == Tokens::Result::TOKEN)' 'if (false)'
mutant io/ReaderHelpers.cpp 'higher = take("n") || higher;' 'take("n");'
mutant io/PlyReader.cpp '|| words[2] != "1.0"' ''
mutant io/PlyReader.cpp 'if (other.name == p.name)' 'if (false)'
mutant io/PlyReader.cpp 'return v >= 0 && v <= 255;' 'return v >= 0;'
mutant io/PlyReader.cpp 'if (isCornerList(p.name) || e.name == "tristrips")' 'if (false)'
mutant io/PlyReader.cpp 'keywordIs(begin, end, "ply") ||' 'std::strncmp(begin, "ply", 3) == 0 ||'
mutant io/PlyReader.cpp 'if (mInput.atEnd())' 'if (true)'
mutant ObjIO.cpp 'bom = next(0xbb) && next(0xbf);' 'bom = next(0xbb);'
# --- repair ---
mutant MeshRepair.cpp 'result.collapsedTriangles += wasProper && repeatedCorner(t) ? 1u : 0u;' \
    'result.collapsedTriangles += repeatedCorner(t) ? 1u : 0u;'
mutant MeshRepair.cpp 'if (e2 < bestD2 || (e2 == bestD2 && e2 < d2 && k < rep[i]))' \
    'if (e2 <= bestD2 || (e2 == bestD2 && e2 < d2 && k < rep[i]))'
mutant MeshRepair.cpp 'if (exactlyCollinear(mesh.verts[tri[0]], mesh.verts[tri[1]], mesh.verts[tri[2]]))' 'if (false)'
mutant MeshRepair.cpp 'if (faces[sets.find(t[f][0])] > maxFaces)' 'if (faces[sets.find(t[f][0])] >= maxFaces)'
mutant MeshRepair.cpp 'if (!around[i].forward)' 'if (around[i].forward)'
mutant MeshRepair.cpp 'p.unpaired += n - 2 * pairs;' 'p.unpaired += n - pairs;'
mutant MeshRepair.cpp 'r.splitVertices += state[v] == 1 ? 1u : 0u;' '++r.splitVertices;'
mutant MeshRepair.cpp 'volume6(mesh, queue.data() + first, size, flip) < 0' 'volume6(mesh, queue.data() + first, size, flip) > 0'
mutant MeshRepair.cpp 'closed = closed && from(t, h) == to(t, h);' ';'
mutant MeshRepair.cpp 'if (ring[0].second / 3 == ring[1].second / 3 &&' 'if (false &&'
mutant MeshRepair.cpp 'if (loop.size() > maxEdges)' 'if (loop.size() >= maxEdges)'
mutant MeshRepair.cpp 'if (j - i > 2)
                    return false;' 'if (j - i > 3)
                    return false;'
mutant MeshRepair.cpp 'if (!triangulate(stack) || !mergesKeepManifold(merges))' 'if (!triangulate(stack))'
mutant MeshRepair.cpp 'fold < best.fold - 1e-12 ||' 'fold > best.fold + 1e-12 ||'

# --- the size series' midpoint split ---
mutant bench/Subdivide.h '(std::uint64_t(std::min(a, b)) << 32) | std::max(a, b)' '(std::uint64_t(a) << 32) | b'
mutant bench/Subdivide.h '0.5 * (double(mesh.verts[a][k]) + mesh.verts[b][k])' '0.5f * (mesh.verts[a][k] + mesh.verts[b][k])'
mutant bench/Subdivide.h '{ab, bc, ca}}' '{ab, ca, bc}}'
mutant bench/Subdivide.h '{ca, bc, c}' '{bc, ca, c}'

# --- one file on several threads ---
mutant io/MeshFile.cpp 'mShared = !mByIndex && !data.tris.empty();' 'mShared = !data.tris.empty();'
mutant HalfEdgeMesh.cpp 'vertexOf[firstEqual ? (*firstEqual)[t[k]] : t[k]]' 'vertexOf[t[k]]'
mutant HalfEdgeMesh.cpp '                v.vec = positions[t[k]];' '                v.vec = positions[firstEqual ? (*firstEqual)[t[k]] : t[k]];'
mutant MeshAnalysis.cpp 'n += firstEqual[i] == i ? 1u : 0u;' 'n += firstEqual[i] <= i ? 1u : 0u;'
mutant GUI.cpp 'weld->feed(data, h);' 'h.addIndexedTriangles(data.verts, data.tris);'
mutant tools/meshinfo.cpp 'hashXored ^= sums.xored;' 'hashXored = sums.xored;'
mutant tools/meshinfo.cpp 'n * (piece + 1) / HASH_PIECES);' 'n * (piece + 1) / HASH_PIECES - (piece == 7));'
mutant tools/meshinfo.cpp 'analysisMs = millisecondsSince(begun);' \
    'o.phases.push_back({"analysis", millisecondsSince(begun)});'
mutant SupportCode/WeldShares.cpp 'const WeldKey k = WeldKey::of(points[i]);' \
    'WeldKey k;
            std::memcpy(&k, &points[i], sizeof k);'
mutant SupportCode/WeldShares.cpp 'if ((h >> 16) % threads == share)' 'if ((h >> 16) % threads == share && i > 0)'
# --- the OBJ reader's chunks on several threads ---
mutant ObjIO.cpp $'    if (mesh == nullptr) // read only: the caller takes loadData\n        return true;\n' ''
mutant ObjIO.cpp 'number = jumps ? c.numbers[jump++].second : number + 1;' 'number = jumps ? c.numbers[jump++].second : number;'
mutant ObjIO.cpp "c.text.append(begin, static_cast<std::size_t>(end - begin)).push_back('\\n');" \
    'c.text.append(begin, static_cast<std::size_t>(end - begin));'
mutant ObjIO.cpp "const bool position = keyword == 1 && *begin == 'v';" "const bool position = *begin == 'v';"
mutant ObjIO.cpp 'numVerts = mPositionsBefore + loadData.verts.size();' 'numVerts = loadData.verts.size();'
mutant ObjIO.cpp $'        if (mCurrent)\n            queue(std::move(mCurrent));\n' ''
mutant ObjIO.cpp $'    const unsigned long line = mLine;\n    if (chunks && !chunks->finish())' \
    $'    const unsigned long line = mLine;\n    if (false)'
mutant ObjIO.cpp 'while (!mJoinFailed && !mChunks.empty() && mChunks.front()->parsed)' \
    'while (!mChunks.empty() && mChunks.front()->parsed)'
mutant ObjIO.cpp 'to.mFaceRuns.resize(to.loadData.tris.size(), false);' ';'
mutant ObjIO.cpp 'to.mLargestPolygon = std::max(to.mLargestPolygon, from.mLargestPolygon);' \
    'to.mLargestPolygon = from.mLargestPolygon;'
mutant ObjIO.cpp 'append(to.mForwardReferences, from.mForwardReferences);' ';'
mutant ObjIO.cpp "(*begin != 'v' && *begin != 'f' && *begin != 'F')" "(*begin != 'v' && *begin != 'f')"
mutant ObjIO.cpp 'mFailLine = from.mLine;' ';'
mutant ObjIO.cpp 'part.mPolygonsSplit = part.mLargestPolygon = 0;' 'part.mLargestPolygon = 0;'
mutant io/StlReader.cpp 'const unsigned int a = mCorners.add(corners[3 * t]);' 'const unsigned int a = mCorners.add(corners[3 * t + 1]);'
mutant io/StlReader.cpp '            welding = n;' '            welding = n - (n > 0);'
mutant io/StlReader.cpp 'done < count || welding > 0;)' 'done < count;)'
mutant io/StlReader.cpp $'            if (!decoded)\n                return false;\n' ''
mutant io/StlReader.cpp 'mStats.stlNormalsDisagreeing += normalDisagrees(normal, v);' 'mStats.stlNormalsDisagreeing = normalDisagrees(normal, v);'
mutant io/StlReader.cpp 'const std::uint64_t byte = mInput.offset() + t * TRIANGLE + at;' 'const std::uint64_t byte = mInput.offset() + at;'
mutant io/PlyReader.cpp $'r < end; ++r)\n        {\n            const unsigned char* p = base + r * size;' \
    $'r + 1 < end; ++r)\n        {\n            const unsigned char* p = base + r * size;'
mutant io/PlyReader.cpp $'        for (const Fault& f : faults)' $'        for (const Fault& f : std::vector<Fault>(faults.rbegin(), faults.rend()))'
mutant io/PlyReader.cpp $'                if (!part.fault.what.empty())\n                    return failFirst({part.fault});\n' ''
mutant io/PlyReader.cpp 'mData.faceRuns.resize(mData.tris.size(), false);' ';'
mutant io/PlyReader.cpp 'std::max(mStats.largestPolygon, part.stats.largestPolygon)' 'part.stats.largestPolygon'
mutant io/PlyReader.cpp 'return static_cast<std::int32_t>(word());' 'return word();'
mutant io/PlyReader.cpp $'            if (at > held)\n                return;' $'            if (at > held + 1)\n                return;'
mutant io/PlyReader.cpp 'mInput.consume(starts.back());' 'mInput.consume(starts[n - 1]);'
count=${#names[@]}
if [ "${1:-}" = --list ]; then
    for ((i = 0; i < count; i++)); do
        printf '%3d %s: %s  ->  %s\n' $((i + 1)) "${names[i]}" "${olds[i]//$'\n'/\\n}" \
            "${news[i]//$'\n'/\\n}"
    done
    exit 0
fi
# How often OLD occurs in FILE as committed.
occurrences() {
    git -C "$root" show "${MUTANTS_REV:-HEAD}:$2" |
        perl -0777 -ne 'BEGIN { $old = shift @ARGV } $n = () = /\Q$old\E/g; print $n' "$1"
}
if [ "${1:-}" = --check ]; then
    status=0
    for ((i = 0; i < count; i++)); do
        n=$(occurrences "${olds[i]}" "${names[i]}")
        label="#$((i + 1)) ${names[i]}: ${olds[i]//$'\n'/\\n}"
        if [ "$n" = 0 ]; then
            echo "did not apply: $label"
            status=1
        elif [ "$n" != 1 ]; then
            echo "applies in $n places: $label"
        fi
    done
    echo "$count mutants"
    exit $status
fi
selected=("$@")
if [ ${#selected[@]} -eq 0 ]; then
    for ((i = 1; i <= count; i++)); do selected+=("$i"); done
fi

# The window program's own sources: only the end-to-end tests in a virtual X server see
# them, so a mutant there also builds the viewer and runs those (minutes each).
is_viewer_code() {
    case $1 in
        main.cpp | GUI.cpp | GUI.h | viewer/CommandLine.* | viewer/MeshLoad.* | viewer/Text.*) return 0 ;;
    esac
    return 1
}

work=${MUTANTS_DIR:-$root/build-mutants}
src="$work/src"         # mutated in place
pristine="$work/commit" # as committed
build="$work/build"
timeout=${MUTANT_TIMEOUT:-240}
rm -rf "$src" "$pristine"
mkdir -p "$src" "$pristine" "$build"
# Fresh modification times, so the kept build recompiles what changed since the last run.
rev=${MUTANTS_REV:-HEAD}
git -C "$root" archive "$rev" | tar -x -m -C "$src" || exit 1
git -C "$root" archive "$rev" | tar -x -C "$pristine"
viewer=OFF
for n in "${selected[@]}"; do is_viewer_code "${names[n - 1]}" && viewer=ON; done
# -O1: cheap compiles that still run the tests' large inputs quickly. ccache, where there
# is one, makes restoring a file after its mutant a cache hit.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
    -DMV_WERROR=OFF -DMV_BUILD_VIEWER=$viewer -DMV_BUILD_BENCH=OFF "${launcher[@]}" \
    >"$work/configure.log" 2>&1 || { echo "configure failed (see $work/configure.log)" >&2; exit 1; }

# The tests of the mutated part run first, the slowest unit tests last, so that most
# mutants are caught within seconds.
slow='MeshInfo.HostileInputsEndWithOneLine:ObjIO.LargeInputsReadAsInOnePiece'
first_tests() {
    case $1 in
        SimpleMesh.cpp | Mesh.cpp | SupportCode/VertexFaces.h) echo 'SimpleMesh*:MeshInterface*' ;;
        HalfEdgeMesh.cpp | SupportCode/Weld* | SupportCode/IndexTable.h) echo 'HalfEdgeMesh*:IndexTable*' ;;
        ObjIO.cpp | Console.cpp) echo 'ObjIO*:Console*' ;;
        MeshAnalysis.cpp) echo 'MeshAnalysis*' ;;
        MeshRequirements.cpp) echo 'MeshInfo*' ;;
        io/*Writer*) echo 'MeshWriter*:MeshInfo*' ;;
        GeometryHash.cpp | io/Compressed.cpp | tools/Collection.*) echo 'Collection*:GeometryHash*' ;;
        io/Polygon.cpp) echo 'Polygon*:ObjIO.Conc*:MeshFile*' ;;
        io/StlReader.cpp | io/PlyReader.cpp) echo 'Readers*:MeshFile*' ;;
        tools/meshinfo.cpp | io/*) echo 'MeshInfo*:MeshFile*:Collection*' ;;
        SupportCode/Camera.h) echo 'Camera*' ;;
        SupportCode/ViewerMath.h) echo 'ViewerMath*' ;;
        viewer/Framing.h) echo 'ViewerFraming*' ;;
        SupportCode/Matrix4x4* | SupportCode/ColorMap.cpp) echo 'Matrix*:ColorMap*' ;;
        viewer/Summary.* | viewer/OutputPath.* | viewer/CurvatureScale.* | viewer/Pick.*)
            echo 'Summary*:OutputPath*:CurvatureScale*:Pick*' ;;
        bench/Subdivide.h) echo 'Subdivide*' ;;
        *) echo 'none' ;;
    esac
}
unit_tests() {
    (cd "$src" && timeout "$timeout" nice "$build/MeshCoreTests" --gtest_fail_fast --gtest_break_on_failure \
        --gtest_brief=1 "$@" >"$work/test.log" 2>&1) 2>/dev/null # no "Trace/breakpoint trap"
}
# build_and_test FILE: 0 passed, 1 a test failed, 2 the build failed.
build_and_test() {
    local targets=(MeshCoreTests)
    is_viewer_code "$1" && targets+=(MeshViewer)
    nice cmake --build "$build" --target "${targets[@]}" -- -j2 >"$work/build.log" 2>&1 ||
        return 2
    unit_tests --gtest_filter="$(first_tests "$1")-$slow" || return 1
    unit_tests --gtest_filter="-$slow" || return 1
    unit_tests --gtest_filter="$slow" || return 1
    if is_viewer_code "$1"; then
        nice ctest --test-dir "$build" -R '^Viewer' >"$work/test.log" 2>&1 || return 1
    fi
    return 0
}

echo "Unmutated tree..."
baseline=""
[ $viewer = ON ] && baseline=main.cpp
build_and_test "$baseline"
case $? in
    2) echo "the unmutated tree does not build (see $work/build.log)" >&2; exit 1 ;;
    1) echo "the tests fail on the unmutated tree (see $work/test.log)" >&2; exit 1 ;;
esac

killed=0 survived=() unapplied=() broken=()
for n in "${selected[@]}"; do
    i=$((n - 1))
    file=${names[i]}
    label="#$n $file: ${olds[i]//$'\n'/\\n}"
    cp "$pristine/$file" "$src/$file"
    perl -0777 -i -pe 'BEGIN { $old = shift @ARGV; $new = shift @ARGV } s/\Q$old\E/$new/g' \
        "${olds[i]}" "${news[i]}" "$src/$file"
    if cmp -s "$pristine/$file" "$src/$file"; then
        unapplied+=("$label")
        echo "did not apply: $label"
        continue
    fi
    start=$SECONDS
    build_and_test "$file"
    case $? in
        0) survived+=("$label"); verdict=SURVIVED ;;
        1) killed=$((killed + 1)); verdict=killed ;;
        2) broken+=("$label"); verdict="did not compile" ;;
    esac
    echo "$verdict ($((SECONDS - start)) s): $label"
    cp "$pristine/$file" "$src/$file"
done

echo
echo "Killed: $killed of ${#selected[@]}"
for s in "${survived[@]}"; do echo "Survived: $s"; done
for s in "${unapplied[@]}"; do echo "Did not apply: $s"; done
for s in "${broken[@]}"; do echo "Did not compile: $s"; done
[ ${#survived[@]} -eq 0 ] && [ ${#unapplied[@]} -eq 0 ] && [ ${#broken[@]} -eq 0 ]
