#include "SupportCode/Matrix4x4.h"
#include "SupportCode/Util.h"
#include "SupportCode/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

using V3 = Vector3<float>;
using U3 = Vector3<unsigned int>;

TEST(Vector3Order, IsLexicographicAndExact)
{
    EXPECT_TRUE(V3(1, 5, 0) < V3(2, 0, 0)); // x decides before y
    EXPECT_FALSE(V3(2, 0, 0) < V3(1, 5, 0));
    EXPECT_TRUE(V3(1, 2, 3) < V3(1, 2, 4));
    EXPECT_TRUE(V3(1, 2, 9) < V3(1, 3, 0)); // y decides before z
    EXPECT_FALSE(V3(1, 2, 3) < V3(1, 2, 3));

    const float x = 0.1f;
    const float nextX = std::nextafter(x, 1.0f);
    EXPECT_TRUE(V3(x, 0, 0) < V3(nextX, 0, 0));
    EXPECT_TRUE(V3(0, 0, x) < V3(0, 0, nextX));
}

TEST(Vector3Order, SignedZerosAreOneKey)
{
    const V3 plus(0.0f, 0.0f, 0.0f);
    const V3 minus(-0.0f, 0.0f, -0.0f);
    EXPECT_FALSE(plus < minus);
    EXPECT_FALSE(minus < plus);
    EXPECT_TRUE(plus == minus);

    // The welding maps rely on this: both spellings find one entry.
    std::map<V3, unsigned int> weld;
    weld[plus] = 7;
    ASSERT_EQ(weld.count(minus), 1u);
    EXPECT_EQ(weld[minus], 7u);

    std::map<V3, unsigned int> apart;
    apart[V3(1, 1, 1)] = 0;
    apart[V3(1, 1, std::nextafter(1.0f, 2.0f))] = 1;
    EXPECT_EQ(apart.size(), 2u);
}

TEST(Vector3Parse, ShortOrBadTextLeavesZeros)
{
    EXPECT_EQ(V3(std::string("1.5 -2 3e2")), V3(1.5f, -2.0f, 300.0f));
    EXPECT_EQ(V3(std::string("  4 5 6 7")), V3(4, 5, 6)); // further numbers ignored
    EXPECT_EQ(V3(std::string("1 2")), V3(1, 2, 0));
    EXPECT_EQ(V3(std::string("")), V3(0, 0, 0));
    EXPECT_EQ(V3(std::string("x 1 2")), V3(0, 0, 0));

    V3 v(9, 9, 9);
    std::istringstream is("8");
    v.load(is);
    EXPECT_EQ(v, V3(8, 0, 0));
    EXPECT_EQ(U3(std::string("10 20 30")), U3(10, 20, 30));
}

TEST(Vector3Arithmetic, UnsignedTriplesWrap)
{
    EXPECT_EQ(U3(1, 2, 3) - U3(1, 1, 1), U3(0, 1, 2));
    const unsigned int wrapped = std::numeric_limits<unsigned int>::max();
    EXPECT_EQ(U3(0, 0, 0) - U3(1, 1, 1), U3(wrapped, wrapped, wrapped));
}

TEST(Vector3Arithmetic, CrossLengthNormalize)
{
    EXPECT_EQ(cross(V3(1, 0, 0), V3(0, 1, 0)), V3(0, 0, 1)); // right-handed
    EXPECT_EQ(cross(V3(0, 1, 0), V3(1, 0, 0)), V3(0, 0, -1));
    EXPECT_FLOAT_EQ(V3(3, 4, 12).length(), 13.0f);

    V3 n(0, 3, 4);
    n.normalize();
    EXPECT_EQ(n, V3(0, 0.6f, 0.8f));

    V3 zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero[0]) && std::isnan(zero[1]) && std::isnan(zero[2]));
    EXPECT_FALSE(zero == zero); // a NaN component is never equal
    EXPECT_TRUE(zero != zero);

    V3 v(1, 2, 3);
    v = 0;
    EXPECT_EQ(v, V3(0, 0, 0));
    EXPECT_EQ(-V3(1, -2, 0), V3(-1, 2, -0.0f));
    EXPECT_EQ(V3(1, 2, 3) * 2.0f, V3(2, 4, 6));
    V3 w(1, 2, 3);
    w += V3(1, 1, 1);
    EXPECT_EQ(w, V3(2, 3, 4));
}

TEST(Vector3Arithmetic, ScalingByDoubleRoundsTheFactorFirst)
{
    // 0.1 is rounded to float before the product: 9 * 0.1f is 0.900000036 in float,
    // where the double product 9 * 0.1 would round to 0.899999976.
    V3 v(9, 9, 9);
    v *= 0.1;
    EXPECT_EQ(v[0], 0.900000036f);
    EXPECT_NE(v[0], static_cast<float>(9.0 * 0.1));
}

TEST(Matrix, IdentityProductAndLayout)
{
    const Matrix4x4<float> t = Matrix4x4<float>::translation(1, 2, 3);
    EXPECT_EQ(Matrix4x4<float>() * t, t);
    EXPECT_EQ(t * Matrix4x4<float>(), t);

    float gl[16];
    t.toGLMatrix(gl);
    EXPECT_EQ(gl[12], 1.0f);
    EXPECT_EQ(gl[13], 2.0f);
    EXPECT_EQ(gl[14], 3.0f);
    for (int i : {0, 5, 10, 15})
        EXPECT_EQ(gl[i], 1.0f) << i;
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 11})
        EXPECT_EQ(gl[i], 0.0f) << i;

    const float raw[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
    Matrix4x4<float>(raw).toGLMatrix(gl);
    EXPECT_EQ(gl[1], 5.0f); // column-major: the second entry is row 1, column 0
    EXPECT_EQ(gl[4], 2.0f);
}

TEST(Matrix, ProductActsOnColumnVectorsRightFirst)
{
    // translation * scale scales first: the point (1, 0, 0) goes to (2, 0, 0) + (5, 0, 0).
    const Matrix4x4<float> ts =
        Matrix4x4<float>::translation(5, 0, 0) * Matrix4x4<float>::scale(2.0f);
    const Vector4<float> p = ts * Vector4<float>(1, 0, 0, 1);
    EXPECT_EQ(p, Vector4<float>(7, 0, 0, 1));
    const Vector4<float> q =
        (Matrix4x4<float>::scale(2.0f) * Matrix4x4<float>::translation(5, 0, 0)) *
        Vector4<float>(1, 0, 0, 1);
    EXPECT_EQ(q, Vector4<float>(12, 0, 0, 1));
}

TEST(Matrix, RotationXYZMatchesItsTable)
{
    const float rz = 0.7f;
    const Matrix4x4<float> r = Matrix4x4<float>::rotationXYZ(0, 0, rz);
    const Vector4<float> p = r * Vector4<float>(1, 0, 0, 1);
    EXPECT_FLOAT_EQ(p[0], std::cos(rz));
    EXPECT_FLOAT_EQ(p[1], -std::sin(rz));
    EXPECT_EQ(p[2], 0.0f);

    const float rx = 0.3f, ry = -1.1f;
    const Matrix4x4<float> m = Matrix4x4<float>::rotationXYZ(rx, ry, rz);
    const double cx = std::cos(double(rx)), sx = std::sin(double(rx));
    const double cy = std::cos(double(ry)), sy = std::sin(double(ry));
    const double cz = std::cos(double(rz)), sz = std::sin(double(rz));
    const double table[3][3] = {{cz * cy, sz * cy, -sy},
                                {cz * sy * sx - sz * cx, sz * sy * sx + cz * cx, sx * cy},
                                {cz * sy * cx + sz * sx, sz * sy * cx - cz * sx, cx * cy}};
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
        {
            if (i == 0 && j == 2)
                EXPECT_EQ(m.m[0][2], -std::sin(ry)); // the one single-precision element
            else
                EXPECT_EQ(m.m[i][j], static_cast<float>(table[i][j])) << i << "," << j;
        }
    for (int j = 0; j < 3; j++)
    {
        EXPECT_EQ(m.m[3][j], 0.0f);
        EXPECT_EQ(m.m[j][3], 0.0f);
    }
    EXPECT_EQ(m.m[3][3], 1.0f);
}

TEST(UtilScalars, SignClampSwitch)
{
    EXPECT_EQ(sign(0.0f), 1.0f);
    EXPECT_EQ(sign(-0.0f), 1.0f);
    EXPECT_EQ(sign(-2.0f), -1.0f);
    EXPECT_EQ(sign(std::nanf("")), -1.0f);

    EXPECT_EQ(clamp(2.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(clamp(-2.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(clamp(0.25f, 0.0f, 1.0f), 0.25f);
    EXPECT_TRUE(std::isnan(clamp(std::nanf(""), 0.0f, 1.0f)));

    EXPECT_EQ(switch1(2.0f, 2.0f, 4.0f), 0.0f);
    EXPECT_EQ(switch1(4.0f, 2.0f, 4.0f), 1.0f);
    EXPECT_EQ(switch1(3.0f, 2.0f, 4.0f), 0.5f);
    EXPECT_EQ(switch1(-9.0f, 2.0f, 4.0f), 0.0f);
    EXPECT_EQ(switch1(9.0f, 2.0f, 4.0f), 1.0f);
}

TEST(UtilText, TrimAndLower)
{
    std::string s = " \t Mixed Case \t";
    EXPECT_EQ(trim(s), "Mixed Case");
    EXPECT_EQ(s, " \t Mixed Case \t"); // trim returns a copy
    std::string blanks = " \t \t";
    EXPECT_EQ(trim(blanks), "");
    std::string empty;
    EXPECT_EQ(trim(empty), "");
    std::string crlf = "v 1\r";
    EXPECT_EQ(trim(crlf), "v 1\r"); // only blanks and tabs are trimmed

    std::string word = "VN Face";
    EXPECT_EQ(&lower(word), &word);
    EXPECT_EQ(word, "vn face");
}
