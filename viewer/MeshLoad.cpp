#include "viewer/MeshLoad.h"

#include "ObjIO.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <thread>

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

MeshLoad::Result MeshLoad::readFile(const std::string& path, MeshData& data)
{
    Result r;
    try
    {
        MeshReadOptions options;
        options.splitPolygons = true;
        options.threads = threads();
        MeshReadStats stats;
        ReadError error;
        const bool loaded = readMeshFile(path, data, options, stats, error);
        r.why = error.message;
        r.format = stats.format;
        if (error.kind == ReadFailure::CANNOT_OPEN)
            return r; // UNOPENED
        if (error.kind == ReadFailure::OUT_OF_MEMORY)
        {
            r.outcome = Outcome::OUT_OF_MEMORY;
            return r;
        }
        // The corners the mesh will receive, as the keys box them.
        for (const Vector3<unsigned int>& t : data.tris)
            for (unsigned int k = 0; k < 3; ++k)
                r.box.add(data.verts[t[k]]);
        if (!loaded)
            r.outcome = r.why.empty() ? Outcome::NO_TRIANGLES : Outcome::REJECTED;
        else
            r.outcome = data.tris.empty() ? Outcome::NO_TRIANGLES : Outcome::LOADED;
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

unsigned int MeshLoad::threads()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

std::future<MeshLoad::Analysis> MeshLoad::startAnalysis(const MeshData& data, bool beside,
                                                        const PositionWeld* weld)
{
    const auto analyse = [&data, weld]
    {
        Analysis a;
        a.done = MeshAnalysis::analyse(data.verts, data.tris, a.report, &a.defects,
                                       weld != nullptr && weld->byIndex(),
                                       weld != nullptr ? weld->firstEqual() : nullptr);
        return a;
    };
    if (beside)
    {
        try
        {
            return std::async(std::launch::async, analyse);
        }
        catch (const std::system_error&) // no thread to be had: analyse here
        {
        }
    }
    std::promise<Analysis> result;
    try
    {
        result.set_value(analyse());
    }
    catch (const std::bad_alloc&)
    {
        result.set_exception(std::current_exception());
    }
    return result.get_future();
}
