#include "tests/TestHelpers.h"

#include "SupportCode/Matrix4x4.h"
#include "SupportCode/Util.h"

#include <cmath>
#include <limits>
#include <tuple>

TEST(Vector3, OrderParsingAndArithmetic)
{
    const float x = 0.1f, nextX = std::nextafter(x, 1.0f);
    const std::tuple<V3, V3, bool> cases[] = {
        {{1, 5, 0}, {2, 0, 0}, true},         {{2, 0, 0}, {1, 5, 0}, false},
        {{1, 2, 3}, {1, 2, 4}, true},         {{1, 2, 9}, {1, 3, 0}, true},
        {{1, 2, 3}, {1, 2, 3}, false},        {{x, 0, 0}, {nextX, 0, 0}, true},
        {{0, 0, x}, {0, 0, nextX}, true},     {{0, 0, 0}, {-0.0f, 0, -0.0f}, false},
        {{-0.0f, 0, -0.0f}, {0, 0, 0}, false}};
    for (const auto& [a, b, less] : cases)
        EXPECT_EQ(a < b, less) << a << " < " << b;
    EXPECT_TRUE(V3(0, 0, 0) == V3(-0.0f, 0, -0.0f));
    const std::string texts[] = {"1.5 -2 3e2", "  4 5 6 7", "1 2", "", "x 1 2"};
    const V3 parsed[] = {{1.5f, -2, 300}, {4, 5, 6}, {1, 2, 0}, {0, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(V3(texts[i]), parsed[i]) << texts[i];
    EXPECT_EQ(U3(std::string("10 20 30")), U3(10, 20, 30));
    const unsigned int wrapped = std::numeric_limits<unsigned int>::max();
    EXPECT_EQ(U3(0, 1, 3) - U3(1, 1, 1), U3(wrapped, 0, 2));
    EXPECT_EQ(cross(V3(1, 0, 0), V3(0, 1, 0)), V3(0, 0, 1)); // right-handed
    EXPECT_EQ(cross(V3(0, 1, 0), V3(1, 0, 0)), V3(0, 0, -1));
    EXPECT_FLOAT_EQ(V3(3, 4, 12).length(), 13.0f);
    EXPECT_EQ(V3(0, 3, 4).normalize(), V3(0, 0.6f, 0.8f));
    V3 zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero[0]) && std::isnan(zero[1]) && std::isnan(zero[2]));
    EXPECT_TRUE(!(zero == zero) && zero != zero); // a NaN component is never equal
    V3 w(1, 2, 3);
    w += V3(1, 1, 1);
    EXPECT_EQ(w, V3(2, 3, 4));
    w = 0;
    EXPECT_EQ(w, V3(0, 0, 0));
    EXPECT_EQ(-V3(1, -2, 0), V3(-1, 2, -0.0f));
    EXPECT_EQ(V3(1, 2, 3) * 2.0f, V3(2, 4, 6));
    // A double factor is rounded to float first: 9 * 0.1f is 0.900000036, the double
    // product 9 * 0.1 would round to 0.899999976.
    V3 v(9, 9, 9);
    v *= 0.1;
    EXPECT_EQ(v[0], 0.900000036f);
}

TEST(Matrix, ProductLayoutInverseAndRotations)
{
    using M = Matrix4x4<float>;
    const M t = M::translation(1, 2, 3);
    EXPECT_EQ(M() * t, t);
    EXPECT_EQ(t * M(), t);
    // translation * scale scales first: (1, 0, 0) goes to (2, 0, 0) + (5, 0, 0).
    const Vector4<float> p(1, 0, 0, 1);
    EXPECT_EQ((M::translation(5, 0, 0) * M::scale(2.0f)) * p, Vector4<float>(7, 0, 0, 1));
    EXPECT_EQ((M::scale(2.0f) * M::translation(5, 0, 0)) * p, Vector4<float>(12, 0, 0, 1));

    float gl[16];
    t.toGLMatrix(gl);
    EXPECT_EQ(std::vector<float>(gl, gl + 16),
              std::vector<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}));
    const float raw[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
    M(raw).toGLMatrix(gl);
    EXPECT_EQ(gl[1], 5.0f); // the second entry is row 1, column 0
    EXPECT_EQ(gl[4], 2.0f);
    const float perm[4][4] = {{0, 2, 0, 0}, {0, 0, 0, 3}, {5, 0, 0, 0}, {0, 0, -1, 0}};
    const float dense[4][4] = {{2, -1, 0.5f, 3}, {1, 4, -2, 0}, {0.25f, 0, 3, -1}, {1, 1, 1, 1}};
    const float shear[4][4] = {{1e12f, 1, 0, 0}, {2e12f, 3, 0, 0}, {0, 0, 1e-30f, 0}, {0, 0, 0, 1}};
    for (const M& a : {M::translation(1, 2, 3) * M::rotationXYZ(0.3f, -1.2f, 2.5f) * M::scale(4),
                       M(perm), M(dense), M(shear), M::scale(1e-20f), M::scale(3e12f, 1, 1e-9f)})
        for (const M& product : {a * a.inverse(), a.inverse() * a})
            for (unsigned int i = 0; i < 16; i++)
                EXPECT_NEAR(product.m[i / 4][i % 4], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << a;
    const float rank3[4][4] = {{1, 2, 3, 4}, {2, 4, 6, 8.0f}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    const float zero[4][4] = {};
    M nan;
    nan.m[1][2] = std::numeric_limits<float>::quiet_NaN();
    for (const M& a : {M(rank3), M(zero), nan, M::scale(0)})
        for (unsigned int i = 0; i < 16; i++)
            EXPECT_TRUE(std::isnan(a.inverse().m[i / 4][i % 4])) << a;
    // Quarter turns about each axis, and a general rotation as the product of its three turns.
    const float q = float(PI / 2);
    const V3 turns[][3] = {{{0, 0, q}, {1, 0, 0}, {0, -1, 0}}, // angles, from, to
                           {{0, q, 0}, {1, 0, 0}, {0, 0, 1}},
                           {{q, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
    for (const auto& [angles, from, to] : turns)
    {
        const Vector4<float> r = M::rotationXYZ(angles[0], angles[1], angles[2]) *
                                 Vector4<float>(from[0], from[1], from[2], 1);
        EXPECT_LT((V3(r[0], r[1], r[2]) - to).length(), 1e-7f) << angles;
        EXPECT_EQ(r[3], 1.0f);
    }
    const float rx = 0.3f, ry = -1.1f, rz = 0.7f;
    const M m = M::rotationXYZ(rx, ry, rz);
    const M product =
        M::rotationXYZ(rx, 0, 0) * M::rotationXYZ(0, ry, 0) * M::rotationXYZ(0, 0, rz);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            EXPECT_NEAR(m.m[i][j], product.m[i][j], 1e-6f) << i << "," << j;
}

TEST(Util, SignClampSwitchTrimLower)
{
    const float nan = std::nanf("");
    EXPECT_EQ(std::vector<float>({sign(0.0f), sign(-0.0f), sign(-2.0f), sign(nan),
                                  clamp(2.0f, 0.0f, 1.0f), clamp(-2.0f, 0.0f, 1.0f),
                                  clamp(0.25f, 0.0f, 1.0f), switch1(2.0f, 2.0f, 4.0f),
                                  switch1(4.0f, 2.0f, 4.0f), switch1(3.0f, 2.0f, 4.0f),
                                  switch1(-9.0f, 2.0f, 4.0f), switch1(9.0f, 2.0f, 4.0f)}),
              std::vector<float>({1, 1, -1, -1, 1, 0, 0.25f, 0, 1, 0.5f, 0, 1}));
    EXPECT_TRUE(std::isnan(clamp(nan, 0.0f, 1.0f)));

    std::string texts[] = {" \t Mixed Case \t", " \t \t", "", "v 1\r"};
    const std::string trimmed[] = {"Mixed Case", "", "", "v 1\r"}; // only blanks and tabs
    for (int i = 0; i < 4; ++i)
    {
        const std::string before = texts[i];
        EXPECT_EQ(trim(texts[i]), trimmed[i]);
        EXPECT_EQ(texts[i], before) << "trim returns a copy";
    }
    std::string word = "VN Face";
    EXPECT_EQ(&lower(word), &word);
    EXPECT_EQ(word, "vn face");
}
