#include "viewer/MeshLoad.h"

#include "ObjIO.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace
{
// Passes the reader's triangles on to the mesh, counting them and boxing their corners.
class Feed : public Mesh
{
public:
    explicit Feed(Mesh& target) : mTarget(target) {}

    bool addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                     const Vector3<float>& v3) override
    {
        ++triangles;
        box.add(v1);
        box.add(v2);
        box.add(v3);
        return mTarget.addTriangle(v1, v2, v3);
    }
    void reserve(std::size_t positions, std::size_t count) override
    {
        mTarget.reserve(positions, count);
    }
    void draw() override {}
    float curvature(unsigned int, const Vector3<float>&) override { return 0.0f; }

    std::size_t triangles = 0;
    Framing::Box box;

protected:
    bool addVertex(const Vector3<float>&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }

private:
    Mesh& mTarget;
};

void finish(MeshLoad::Result& r, bool loaded, const Feed& feed)
{
    r.box = feed.box;
    // The reader says why it refuses a file, except for one without positions.
    if (!loaded)
        r.outcome = r.why.empty() ? MeshLoad::Outcome::NO_TRIANGLES : MeshLoad::Outcome::REJECTED;
    else
        r.outcome =
            feed.triangles == 0 ? MeshLoad::Outcome::NO_TRIANGLES : MeshLoad::Outcome::LOADED;
}
} // namespace

bool MeshLoad::open(const std::string& filename, std::ifstream& stream)
{
    // A directory opens as a stream on this system, but reading it fails at once.
    struct stat st;
    if (stat(filename.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    stream.open(filename.c_str(), std::ios::binary);
    return stream.is_open();
}

MeshLoad::Result MeshLoad::readObj(std::istream& stream, Mesh& mesh)
{
    Result r;
    Feed feed(mesh);
    try
    {
        ObjIO reader;
        std::ostringstream messages;
        reader.setMessages(messages);
        reader.setReleaseTriangles(true);
        const bool loaded = reader.load(&feed, stream);
        r.why = messages.str();
        while (!r.why.empty() && (r.why.back() == '\n' || r.why.back() == '\r'))
            r.why.pop_back();
        finish(r, loaded, feed);
    }
    catch (const std::bad_alloc&)
    {
        r.outcome = Outcome::OUT_OF_MEMORY;
    }
    return r;
}

MeshLoad::Result MeshLoad::readFile(const std::string& path, Mesh& mesh, MeshData& data)
{
    Result r;
    Feed feed(mesh);
    try
    {
        MeshReadOptions options;
        options.splitPolygons = true;
        MeshReadStats stats;
        ReadError error;
        const bool loaded = readMeshFile(path, data, options, stats, error);
        r.why = error.message;
        if (loaded)
            feedMesh(data, feed);
        else if (error.kind == ReadFailure::CANNOT_OPEN)
            return r; // UNOPENED
        else if (error.kind == ReadFailure::OUT_OF_MEMORY)
        {
            r.outcome = Outcome::OUT_OF_MEMORY;
            return r;
        }
        finish(r, loaded, feed);
        if (r.outcome == Outcome::NO_TRIANGLES && r.why.empty())
            r.why = "no triangles";
    }
    catch (const std::bad_alloc&)
    {
        r.outcome = Outcome::OUT_OF_MEMORY;
        r.why = "out of memory";
    }
    return r;
}
