#pragma once

#include "Mesh.h"

#include "SupportCode/Vector3.h"

#include <iostream>
#include <istream>
#include <string>
#include <vector>

// Reads the accepted subset of Wavefront OBJ (positions, normals that are read and
// dropped, triangles and quads) into any Mesh through addTriangle. The whole stream is
// parsed and checked before the mesh receives anything, so a rejected file leaves the
// mesh untouched. One ObjIO serves one load.
class ObjIO
{
public:
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
    // without position lines, a face with other than 3 or 4 corners, or data that would
    // index outside the positions or is not a finite number; each but the second names
    // its reason and line on standard error.
    bool load(Mesh* mesh, std::istream& is);

    // With release on, load lets go of the parsed triangles step by step as it hands them
    // to the mesh, and loadData.tris is empty afterwards: the reader's copy then adds
    // little to the peak memory of a load, which comes at its end. Off by default, so the
    // triangles stay for callers that examine them after the load.
    void setReleaseTriangles(bool release) { mReleaseTriangles = release; }

    // Where the diagnostics go; standard error by default. A caller that reads files on
    // several threads gives each reader a stream of its own.
    void setMessages(std::ostream& out) { mMessages = &out; }

protected:
    bool readHeader(std::istream& is);
    bool readData(std::istream& is);
    // The plain face forms on the stream of one face line: "f a b c" and "f a b c d".
    static Vector3<unsigned int> readTri(std::istream& is);
    static void splitQuad(std::istream& is, Vector3<unsigned int>& tri1,
                          Vector3<unsigned int>& tri2);

    LoadData loadData;

private:
    struct ForwardReference
    {
        unsigned long line;
        unsigned long index; // 1-based, as written
    };

    bool parseLine(const char* begin, const char* end);
    bool parsePosition(const char* begin, const char* end, Vector3<float>& out) const;
    bool parseFace(const char* begin, const char* end);
    bool fail(const std::string& what) const;

    bool mReleaseTriangles = false;
    std::ostream* mMessages = &std::cerr;
    unsigned long mLine = 0;                          // number of the line being read, from 1
    std::vector<ForwardReference> mForwardReferences; // indices beyond the positions so far
};
