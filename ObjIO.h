#pragma once

#include "Mesh.h"

#include "SupportCode/Vector3.h"

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// Reads the accepted subset of Wavefront OBJ (positions, normals that are read and
// dropped, triangles and quads) into any Mesh through addTriangle. The whole stream is
// parsed and checked before the mesh receives anything, so a rejected file leaves the
// mesh untouched. One ObjIO serves one load.
//
// Bounds for any stream, a device or a pipe included: a line the reader reads (a position,
// normal or face) may hold up to MAX_LINE_BYTES, any other line up to MAX_SKIPPED_LINE_BYTES,
// passed over in constant memory; a longer line rejects the stream. A UTF-8 byte order mark
// at the start is skipped; a UTF-16 or UTF-32 one rejects the stream.
namespace meshio
{
class Input;
}

class ObjIO
{
public:
    static constexpr std::size_t MAX_LINE_BYTES = std::size_t(64) << 20;
    static constexpr std::size_t MAX_SKIPPED_LINE_BYTES = std::size_t(1) << 30;

    struct LoadData
    {
        LoadData() = default;

        bool hasNormals = false;                 // a "vn" line was read
        std::vector<Vector3<float>> verts;       // "v" lines; entry i is OBJ vertex i + 1
        std::vector<Vector3<float>> normals;     // "vn" lines; dropped before feeding
        std::vector<Vector3<unsigned int>> tris; // 0-based corner indices into verts;
                                                 // see setReleaseTriangles
    };

    ObjIO() = default;

    // True when the stream was parsed to its end and every triangle was handed to mesh.
    // False (and the mesh receives nothing) for a stream that is not readable, a stream
    // without position lines, a face with other than 3 or 4 corners (or fewer than 3 when
    // polygons are triangulated), data that would index outside the positions or is not a
    // finite number, a line beyond the bounds above, or a UTF-16/32 byte order mark; each
    // but the second names its reason on the message stream. Memory running out throws
    // std::bad_alloc, which the caller reports. A null mesh reads without handing anything
    // over: loadData then holds the positions and triangles.
    bool load(Mesh* mesh, std::istream& is);

    // With triangulation on, a face with more than four corners a b c d e ... becomes the
    // fan a b c, a c d, a d e, ...; off by default, when such a face rejects the stream.
    // A quad a b c d becomes a b d, b c d. A planar face that these cuts do not cover (a
    // concave one) is split by other diagonals inside it instead (see io/Polygon.h).
    void setTriangulatePolygons(bool triangulate) { mTriangulatePolygons = triangulate; }
    // Faces with more than four corners that a load split, and the most corners of one.
    unsigned long long polygonsSplit() const { return mPolygonsSplit; }
    unsigned long long largestPolygon() const { return mLargestPolygon; }

    // With release on, load lets go of the parsed triangles step by step as it hands them
    // to the mesh, and loadData.tris is empty afterwards: the reader's copy then adds
    // little to the peak memory of a load, which comes at its end. Off by default, so the
    // triangles stay for callers that examine them after the load.
    void setReleaseTriangles(bool release) { mReleaseTriangles = release; }

    // Where the diagnostics go; standard error by default. A caller that reads files on
    // several threads gives each reader a stream of its own.
    void setMessages(std::ostream& out) { mMessages = &out; }

    // Threads a load may parse on; what it reads is the same for any number. With more
    // than one, the lines to read are copied into chunks of chunkBytes to twice that
    // (256 KiB by default), parsed on those threads, at most 4 a thread and 4 more held at
    // once; a longer line is parsed where the window holds it. Tests make chunks tiny.
    void setThreads(unsigned int threads) { mThreads = threads; }
    void setChunkBytes(std::size_t chunkBytes)
    {
        mChunkBytes = std::max<std::size_t>(chunkBytes, 1);
    }

protected:
    bool readHeader(std::istream& is);
    bool readData(std::istream& is);
    // The plain face forms on the stream of one face line: "f a b c" and "f a b c d".
    static Vector3<unsigned int> readTri(std::istream& is);
    static void splitQuad(std::istream& is, Vector3<unsigned int>& tri1,
                          Vector3<unsigned int>& tri2);

    LoadData loadData;
    // Faces of four or more corners that the last load could not split truly and cut as
    // before (see io/Polygon.h).
    unsigned long long irregularFaces() const { return mIrregularFaces; }
    // The number of the line read last, from 1.
    unsigned long line() const { return mLine; }

private:
    struct ForwardReference
    {
        unsigned long line;
        unsigned long index; // 1-based, as written
    };

    class Chunks; // see ObjIO.cpp

    meshio::Input& input(std::istream& is);
    bool readByteOrderMark(std::istream& is);
    bool skipHeaderLine(std::istream& is);
    bool parseLine(const char* begin, const char* end);
    bool parsePosition(const char* begin, const char* end, Vector3<float>& out) const;
    bool parseFace(const char* begin, const char* end);
    bool fail(const std::string& what) const;
    bool failAfter(Chunks* chunks, const std::string& what);

    bool mReleaseTriangles = false;
    bool mTriangulatePolygons = false;
    unsigned long long mPolygonsSplit = 0;
    unsigned long long mLargestPolygon = 0;
    unsigned long long mIrregularFaces = 0;
    std::vector<bool> mFaceRuns;        // see meshio::markFace
    std::vector<unsigned int> mCorners; // of the face being read
    std::ostream* mMessages = &std::cerr;
    unsigned long mLine = 0;                          // number of the line being read, from 1
    std::vector<ForwardReference> mForwardReferences; // indices beyond the positions so far
    std::shared_ptr<meshio::Input> mInput;            // the window over the stream being read
    const std::streambuf* mInputSource = nullptr;
    unsigned int mThreads = 1;
    std::size_t mChunkBytes = std::size_t(256) << 10;
    std::size_t mPositionsBefore = 0; // of a chunk: the positions of the lines before it
};
