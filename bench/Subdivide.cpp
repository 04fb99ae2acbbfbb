#include "Subdivide.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace subdiv
{
namespace
{

constexpr std::uint32_t NONE = 0xFFFFFFFFu;

// Open addressing over ids; the caller keeps the keys, so a slot costs four bytes.
class IdTable
{
public:
    explicit IdTable(std::size_t entries)
    {
        std::size_t size = 16;
        while (size < 2 * entries)
            size *= 2;
        mSlots.assign(size, NONE);
        mMask = size - 1;
    }
    template <class Same, class Add> std::uint32_t findOrAdd(std::uint64_t key, Same same, Add add)
    {
        std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 29) & mMask;
        while (mSlots[i] != NONE)
        {
            if (same(mSlots[i]))
                return mSlots[i];
            i = (i + 1) & mMask;
        }
        return mSlots[i] = add();
    }

private:
    std::vector<std::uint32_t> mSlots;
    std::size_t mMask = 0;
};

std::string extensionOf(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool readFile(const std::string& path, std::string& data, std::string& error)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
    {
        error = "could not open " + path;
        return false;
    }
    data.clear();
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.append(chunk, got);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad)
        error = "could not read " + path;
    return !bad;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool readObj(const std::string& path, const std::string& text, IndexedMesh& mesh,
             std::string& error)
{
    mesh = IndexedMesh();
    std::vector<std::size_t> faceLines; // for a message about an index past the end
    const char* p = text.data();
    const char* const end = p + text.size();
    std::size_t line = 0;
    auto fail = [&](const std::string& what)
    {
        error = path + " line " + std::to_string(line) + ": " + what;
        return false;
    };
    while (p < end)
    {
        const char* eol =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!eol)
            eol = end;
        ++line;
        std::array<std::string_view, 5> tok;
        std::size_t n = 0;
        for (const char* q = p; q < eol && n < tok.size();)
        {
            while (q < eol && isBlank(*q))
                ++q;
            const char* s = q;
            while (q < eol && !isBlank(*q))
                ++q;
            if (s == q || *s == '#')
                break;
            tok[n++] = std::string_view(s, static_cast<std::size_t>(q - s));
        }
        p = eol + 1;
        if (n == 0 || (tok[0] != "v" && tok[0] != "f"))
            continue;
        if (tok[0] == "v")
        {
            if (n < 4)
                return fail("a position needs three numbers");
            for (std::size_t i = 1; i < 4; ++i)
            {
                std::string_view t = tok[i];
                if (!t.empty() && t[0] == '+')
                    t.remove_prefix(1);
                float x = 0.0f;
                const auto r = std::from_chars(t.data(), t.data() + t.size(), x);
                if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(x))
                    return fail("bad number '" + std::string(tok[i]) + "'");
                mesh.xyz.push_back(x);
            }
            continue;
        }
        if (n != 4)
            return fail("only triangles are split, this face has " +
                        std::string(n == 5 ? "more than 3" : std::to_string(n - 1)) + " corners");
        const long long have = static_cast<long long>(mesh.xyz.size() / 3);
        for (std::size_t i = 1; i < 4; ++i)
        {
            const std::string_view t = tok[i];
            const std::size_t cut = std::min(t.find('/'), t.size());
            long long k = 0;
            const auto r = std::from_chars(t.data(), t.data() + cut, k);
            if (r.ec != std::errc() || r.ptr != t.data() + cut)
                return fail("bad index '" + std::string(t) + "'");
            if (k == 0)
                return fail("index 0 is invalid (OBJ indices start at 1)");
            if (k < -have) // not -k: it overflows at the smallest long long
                return fail("relative index " + std::to_string(k) +
                            " goes before the first position");
            const long long index = k < 0 ? have + k : k - 1;
            if (index >= static_cast<long long>(NONE))
                return fail("index " + std::to_string(k) + " is too large");
            mesh.tris.push_back(static_cast<std::uint32_t>(index));
        }
        faceLines.push_back(line);
    }
    const std::size_t count = mesh.xyz.size() / 3;
    for (std::size_t i = 0; i < mesh.tris.size(); ++i)
        if (mesh.tris[i] >= count)
        {
            line = faceLines[i / 3];
            return fail("index " + std::to_string(mesh.tris[i] + 1ull) + " is past the " +
                        std::to_string(count) + " positions");
        }
    if (mesh.tris.empty())
    {
        error = path + ": no triangles";
        return false;
    }
    return true;
}

std::uint32_t bitsOf(float x)
{
    x += 0.0f; // -0 welds with +0
    std::uint32_t b = 0;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

bool readStl(const std::string& path, const std::string& data, IndexedMesh& mesh,
             std::string& error)
{
    mesh = IndexedMesh();
    std::uint32_t count = 0;
    if (data.size() >= 84)
        std::memcpy(&count, data.data() + 80, sizeof count);
    if (data.size() < 84 || data.size() != 84 + 50ull * count)
    {
        error = path + ": not a binary STL (" + std::to_string(data.size()) + " bytes" +
                (data.size() >= 84 ? " for " + std::to_string(count) + " triangles)" : ")");
        if (data.compare(0, 5, "solid") == 0)
            error += "; ASCII STL is not read";
        return false;
    }
    if (count == 0)
    {
        error = path + ": no triangles";
        return false;
    }
    mesh.tris.resize(3ull * count);
    IdTable table(3ull * count);
    for (std::size_t t = 0; t < count; ++t)
    {
        const char* rec = data.data() + 84 + 50 * t + 12;
        for (std::size_t c = 0; c < 3; ++c)
        {
            float v[3];
            std::memcpy(v, rec + 12 * c, sizeof v);
            if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
            {
                error = path + ": triangle " + std::to_string(t + 1) +
                        " has a coordinate that is not a finite number";
                return false;
            }
            const std::uint64_t key = bitsOf(v[0]) ^ (std::uint64_t(bitsOf(v[1])) << 21) ^
                                      (std::uint64_t(bitsOf(v[2])) << 42);
            mesh.tris[3 * t + c] = table.findOrAdd(
                key,
                [&](std::uint32_t id)
                {
                    const float* w = &mesh.xyz[3ull * id];
                    return bitsOf(w[0]) == bitsOf(v[0]) && bitsOf(w[1]) == bitsOf(v[1]) &&
                           bitsOf(w[2]) == bitsOf(v[2]);
                },
                [&]()
                {
                    mesh.xyz.insert(mesh.xyz.end(), v, v + 3);
                    return static_cast<std::uint32_t>(mesh.xyz.size() / 3 - 1);
                });
        }
    }
    return true;
}

// Collects output in a buffer written out in large pieces.
class Out
{
public:
    explicit Out(std::FILE* f) : mFile(f) { mBuf.reserve(CHUNK + 256); }
    void add(const void* data, std::size_t n)
    {
        mBuf.append(static_cast<const char*>(data), n);
        if (mBuf.size() >= CHUNK)
            flush();
    }
    void add(const char* s) { add(s, std::strlen(s)); }
    template <class T> void number(T x)
    {
        char tmp[32];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, x);
        add(tmp, static_cast<std::size_t>(r.ptr - tmp));
    }
    bool flush()
    {
        mOk = mOk && std::fwrite(mBuf.data(), 1, mBuf.size(), mFile) == mBuf.size();
        mBuf.clear();
        return mOk;
    }

private:
    static constexpr std::size_t CHUNK = 1 << 20;
    std::FILE* mFile;
    std::string mBuf;
    bool mOk = true;
};

void writeObj(Out& out, const IndexedMesh& mesh)
{
    out.add("# ");
    out.number(mesh.xyz.size() / 3);
    out.add(" positions, ");
    out.number(mesh.tris.size() / 3);
    out.add(" triangles\n");
    for (std::size_t i = 0; i < mesh.xyz.size(); i += 3)
    {
        out.add("v ");
        out.number(mesh.xyz[i]);
        out.add(" ");
        out.number(mesh.xyz[i + 1]);
        out.add(" ");
        out.number(mesh.xyz[i + 2]);
        out.add("\n");
    }
    for (std::size_t i = 0; i < mesh.tris.size(); i += 3)
    {
        out.add("f ");
        out.number(mesh.tris[i] + 1ull);
        out.add(" ");
        out.number(mesh.tris[i + 1] + 1ull);
        out.add(" ");
        out.number(mesh.tris[i + 2] + 1ull);
        out.add("\n");
    }
}

void writeStl(Out& out, const IndexedMesh& mesh)
{
    char header[80] = {};
    std::memset(header, ' ', sizeof header);
    std::memcpy(header, "binary STL, midpoint split", 26);
    out.add(header, sizeof header);
    const auto count = static_cast<std::uint32_t>(mesh.tris.size() / 3);
    out.add(&count, sizeof count);
    for (std::size_t t = 0; t < mesh.tris.size(); t += 3)
    {
        float rec[12];
        for (std::size_t c = 0; c < 3; ++c)
            std::memcpy(rec + 3 + 3 * c, &mesh.xyz[3ull * mesh.tris[t + c]], 3 * sizeof(float));
        double e1[3], e2[3];
        for (int k = 0; k < 3; ++k)
        {
            e1[k] = double(rec[6 + k]) - rec[3 + k];
            e2[k] = double(rec[9 + k]) - rec[3 + k];
        }
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int k = 0; k < 3; ++k)
            rec[k] = len > 0.0 ? static_cast<float>(n[k] / len) : 0.0f;
        out.add(rec, sizeof rec);
        const std::uint16_t attributes = 0;
        out.add(&attributes, sizeof attributes);
    }
}

} // namespace

bool readMesh(const std::string& path, IndexedMesh& mesh, std::string& error)
{
    const std::string ext = extensionOf(path);
    if (ext != "obj" && ext != "stl")
    {
        error = path + ": the name must end in .obj or .stl";
        return false;
    }
    std::string data;
    if (!readFile(path, data, error))
        return false;
    return ext == "obj" ? readObj(path, data, mesh, error) : readStl(path, data, mesh, error);
}

bool writeMesh(const std::string& path, const IndexedMesh& mesh, std::string& error)
{
    const std::string ext = extensionOf(path);
    if (ext != "obj" && ext != "stl")
    {
        error = path + ": the name must end in .obj or .stl";
        return false;
    }
    if (ext == "stl" && mesh.tris.size() / 3 > NONE)
    {
        error = path + ": a binary STL holds at most 4294967295 triangles";
        return false;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
    {
        error = path + " exists; not replaced";
        return false;
    }
    const std::string temp = path + ".partial";
    std::FILE* f = std::fopen(temp.c_str(), "wbx");
    if (!f)
    {
        error = "could not create " + temp;
        return false;
    }
    Out out(f);
    if (ext == "obj")
        writeObj(out, mesh);
    else
        writeStl(out, mesh);
    const bool written = out.flush();
    if (std::fclose(f) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0)
    {
        std::remove(temp.c_str());
        error = "could not write " + path;
        return false;
    }
    return true;
}

bool splitOnce(IndexedMesh& mesh, std::string& error)
{
    const std::size_t v = mesh.xyz.size() / 3;
    const std::size_t f = mesh.tris.size() / 3;
    // Each face adds at most three new positions; the largest id stays free for NONE.
    if (v + 3 * f >= NONE)
    {
        error = "too large to split: " + std::to_string(v) + " positions, " + std::to_string(f) +
                " triangles";
        return false;
    }
    std::vector<std::uint64_t> edgeKeys;
    edgeKeys.reserve(3 * f / 2 + 1);
    mesh.xyz.reserve(3 * (v + 3 * f / 2 + 1));
    IdTable table(3 * f);
    auto midpoint = [&](std::uint32_t a, std::uint32_t b)
    {
        const std::uint64_t key = (std::uint64_t(std::min(a, b)) << 32) | std::max(a, b);
        return table.findOrAdd(
            key, [&](std::uint32_t id) { return edgeKeys[id - v] == key; },
            [&]()
            {
                edgeKeys.push_back(key);
                for (std::size_t k = 0; k < 3; ++k)
                {
                    // The sum of two floats is exact in double, so one rounding remains.
                    const double m =
                        0.5 * (double(mesh.xyz[3ull * a + k]) + double(mesh.xyz[3ull * b + k]));
                    mesh.xyz.push_back(static_cast<float>(m));
                }
                return static_cast<std::uint32_t>(mesh.xyz.size() / 3 - 1);
            });
    };
    std::vector<std::uint32_t> out(12 * f);
    for (std::size_t t = 0; t < f; ++t)
    {
        const std::uint32_t a = mesh.tris[3 * t], b = mesh.tris[3 * t + 1],
                            c = mesh.tris[3 * t + 2];
        const std::uint32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
        const std::uint32_t children[12] = {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca};
        std::copy(children, children + 12, out.begin() + static_cast<std::ptrdiff_t>(12 * t));
    }
    mesh.tris.swap(out);
    return true;
}

} // namespace subdiv
