#include "viewer/DrawCache.h"

#include "HalfEdgeMesh.h"
#include "tests/RecordingGL.h"

#include <gtest/gtest.h>

// The mesh's own calls go into the list once; later frames replay it until the mesh
// changes something its drawing reads.
TEST(DrawCache, CompilesTheDrawingOnceAndAgainAfterEachChange)
{
    HalfEdgeMesh mesh;
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    mesh.calculateFaceNormals();
    const std::vector<std::string> flat = drawnCalls(mesh);
    mesh.calculateVertexNormals();
    const std::vector<std::string> smooth = drawnCalls(mesh);
    ASSERT_NE(flat, smooth);

    DrawCache cache;
    const auto frame = [&]() { return recordedCalls([&]() { cache.draw(0, mesh); }); };
    const auto name = [](const std::string& call) { return call.substr(0, call.find(' ')); };
    // Compiled between NewList and EndList: exactly the calls direct drawing makes.
    const auto compiled =
        [&](const std::vector<std::string>& calls, const std::vector<std::string>& expected)
    {
        std::vector<std::string> inside;
        bool in = false;
        for (const std::string& c : calls)
        {
            if (name(c) == "EndList")
                in = false;
            if (in)
                inside.push_back(c);
            if (name(c) == "NewList")
                in = true;
        }
        return inside == expected && name(calls.back()) == "CallList";
    };
    const std::vector<std::string> first = frame();
    EXPECT_TRUE(compiled(first, smooth));
    ASSERT_EQ(frame().size(), 1u); // replayed
    mesh.calculateFaceNormals();   // flat now
    EXPECT_TRUE(compiled(frame(), flat));
    EXPECT_EQ(frame().size(), 1u);
    mesh.setTransform(Matrix4x4<float>::scale(2.0f));
    EXPECT_GT(frame().size(), 1u);
    // Another mesh in the same place (a reread file), its revision perhaps the same.
    EXPECT_EQ(frame().size(), 1u);
    const std::vector<std::string> forgotten = recordedCalls([&]() { cache.forget(0); });
    EXPECT_TRUE(forgotten.size() == 1 && name(forgotten[0]) == "DeleteLists");
    EXPECT_TRUE(compiled(frame(), drawnCalls(mesh)));
    EXPECT_TRUE(recordedCalls([&]() { cache.forget(7); }).empty()); // nothing there

    cache.setEnabled(false);
    EXPECT_EQ(drawnCalls(mesh).size(), frame().size());
}
