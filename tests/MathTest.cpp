#include "tests/TestHelpers.h"

#include "SupportCode/Matrix4x4.h"
#include "SupportCode/Util.h"

#include <cmath>
#include <limits>

TEST(Vector3, OrderIsLexicographicExactAndFoldsSignedZeros)
{
    const float x = 0.1f, nextX = std::nextafter(x, 1.0f);
    const struct
    {
        V3 a, b;
        bool less;
    } cases[] = {{{1, 5, 0}, {2, 0, 0}, true},         {{2, 0, 0}, {1, 5, 0}, false},
                 {{1, 2, 3}, {1, 2, 4}, true},         {{1, 2, 9}, {1, 3, 0}, true},
                 {{1, 2, 3}, {1, 2, 3}, false},        {{x, 0, 0}, {nextX, 0, 0}, true},
                 {{0, 0, x}, {0, 0, nextX}, true},     {{0, 0, 0}, {-0.0f, 0, -0.0f}, false},
                 {{-0.0f, 0, -0.0f}, {0, 0, 0}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.a < c.b, c.less) << c.a << " < " << c.b;
    EXPECT_TRUE(V3(0, 0, 0) == V3(-0.0f, 0, -0.0f));
}

TEST(Vector3, ParsesThreeNumbersOrLeavesZeros)
{
    for (const auto& [text, v] : {std::pair<std::string, V3>{"1.5 -2 3e2", {1.5f, -2, 300}},
                                  {"  4 5 6 7", {4, 5, 6}},
                                  {"1 2", {1, 2, 0}},
                                  {"", {0, 0, 0}},
                                  {"x 1 2", {0, 0, 0}}})
        EXPECT_EQ(V3(text), v) << text;
    EXPECT_EQ(U3(std::string("10 20 30")), U3(10, 20, 30));
}

TEST(Vector3, Arithmetic)
{
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

TEST(Matrix, IdentityProductAndColumnMajorLayout)
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
}

TEST(Matrix, InverseUndoesTheProductSingularGivesNaN)
{
    using M = Matrix4x4<float>;
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
}

// Quarter turns about each axis, and a general rotation as the product of its three turns.
TEST(Matrix, RotationXYZTurnsTheAxesAndComposesXThenYThenZ)
{
    using M = Matrix4x4<float>;
    const float q = float(PI / 2);
    const struct
    {
        V3 angles, from, to;
    } turns[] = {{{0, 0, q}, {1, 0, 0}, {0, -1, 0}},
                 {{0, q, 0}, {1, 0, 0}, {0, 0, 1}},
                 {{q, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
    for (const auto& t : turns)
    {
        const Vector4<float> p = M::rotationXYZ(t.angles[0], t.angles[1], t.angles[2]) *
                                 Vector4<float>(t.from[0], t.from[1], t.from[2], 1);
        EXPECT_LT((V3(p[0], p[1], p[2]) - t.to).length(), 1e-7f) << t.angles;
        EXPECT_EQ(p[3], 1.0f);
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
    const struct
    {
        float got, want;
    } cases[] = {{sign(0.0f), 1},
                 {sign(-0.0f), 1},
                 {sign(-2.0f), -1},
                 {sign(nan), -1},
                 {clamp(2.0f, 0.0f, 1.0f), 1},
                 {clamp(-2.0f, 0.0f, 1.0f), 0},
                 {clamp(0.25f, 0.0f, 1.0f), 0.25f},
                 {switch1(2.0f, 2.0f, 4.0f), 0},
                 {switch1(4.0f, 2.0f, 4.0f), 1},
                 {switch1(3.0f, 2.0f, 4.0f), 0.5f},
                 {switch1(-9.0f, 2.0f, 4.0f), 0},
                 {switch1(9.0f, 2.0f, 4.0f), 1}};
    for (std::size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
    EXPECT_TRUE(std::isnan(clamp(nan, 0.0f, 1.0f)));

    for (auto [text, want] :
         {std::pair<std::string, std::string>{" \t Mixed Case \t", "Mixed Case"},
          {" \t \t", ""},
          {"", ""},
          {"v 1\r", "v 1\r"}}) // only blanks and tabs
    {
        const std::string before = text;
        EXPECT_EQ(trim(text), want);
        EXPECT_EQ(text, before); // trim returns a copy
    }
    std::string word = "VN Face";
    EXPECT_EQ(&lower(word), &word);
    EXPECT_EQ(word, "vn face");
}
