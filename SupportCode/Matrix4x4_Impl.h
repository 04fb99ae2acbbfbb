#pragma once

// Bodies of the Matrix4x4 template; included at the end of Matrix4x4.h only.

#include <cmath>

template <class T> Matrix4x4<T>::Matrix4x4()
{
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
            m[i][j] = (i == j) ? T(1) : T(0);
}

template <class T> Matrix4x4<T>::Matrix4x4(const T src[4][4])
{
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
            m[i][j] = src[i][j];
}

template <class T> Matrix4x4<T> Matrix4x4<T>::scale(T s)
{
    return scale(s, s, s);
}

template <class T> Matrix4x4<T> Matrix4x4<T>::scale(T sx, T sy, T sz)
{
    Matrix4x4 r;
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

template <class T> Matrix4x4<T> Matrix4x4<T>::translation(T tx, T ty, T tz)
{
    Matrix4x4 r;
    r.m[0][3] = tx;
    r.m[1][3] = ty;
    r.m[2][3] = tz;
    return r;
}

template <class T> Matrix4x4<T> Matrix4x4<T>::rotationXYZ(T rx, T ry, T rz)
{
    // Double-precision trigonometry and products, rounded once per element. Element
    // [0][2] is the exception: the single-precision sine of ry, negated.
    const double x = rx, y = ry, z = rz;
    const double cx = std::cos(x), sx = std::sin(x);
    const double cy = std::cos(y), sy = std::sin(y);
    const double cz = std::cos(z), sz = std::sin(z);

    Matrix4x4 r;
    r.m[0][0] = static_cast<T>(cz * cy);
    r.m[0][1] = static_cast<T>(sz * cy);
    r.m[0][2] = -std::sin(ry);
    r.m[1][0] = static_cast<T>(cz * sy * sx - sz * cx);
    r.m[1][1] = static_cast<T>(sz * sy * sx + cz * cx);
    r.m[1][2] = static_cast<T>(sx * cy);
    r.m[2][0] = static_cast<T>(cz * sy * cx + sz * sx);
    r.m[2][1] = static_cast<T>(sz * sy * cx - cz * sx);
    r.m[2][2] = static_cast<T>(cx * cy);
    return r;
}

template <class T> Matrix4x4<T> Matrix4x4<T>::operator*(const Matrix4x4& m2) const
{
    Matrix4x4 r;
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
        {
            T sum = T(0);
            for (unsigned int k = 0; k < 4; k++)
                sum += m[i][k] * m2.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

// Rows and then columns are first scaled by powers of two (exactly) to a largest element
// near 1, so that the pivot test is about the matrix's shape, not its units: a diagonal
// matrix is invertible whatever its entries' sizes. With B = R A C, A^-1 = C B^-1 R.
// One block: scaling, elimination and unscaling read best together.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
template <class T> Matrix4x4<T> Matrix4x4<T>::inverse() const
{
    Matrix4x4 r;
    const auto none = [&r]
    {
        for (auto& row : r.m)
            for (T& x : row)
                x = std::numeric_limits<T>::quiet_NaN();
        return r;
    };
    double a[4][8];
    int rowExp[4];
    int colExp[4];
    for (unsigned int i = 0; i < 4; i++)
    {
        double largest = 0.0;
        for (unsigned int j = 0; j < 4; j++)
        {
            if (!std::isfinite(static_cast<double>(m[i][j])))
                return none();
            largest = std::max(largest, std::fabs(static_cast<double>(m[i][j])));
        }
        if (!(largest > 0.0)) // a zero row
            return none();
        std::frexp(largest, &rowExp[i]);
        for (unsigned int j = 0; j < 4; j++)
            a[i][j] = std::ldexp(static_cast<double>(m[i][j]), -rowExp[i]);
    }
    for (unsigned int j = 0; j < 4; j++)
    {
        double largest = 0.0;
        for (unsigned int i = 0; i < 4; i++)
            largest = std::max(largest, std::fabs(a[i][j]));
        if (!(largest > 0.0))
            return none();
        std::frexp(largest, &colExp[j]);
        for (unsigned int i = 0; i < 4; i++)
        {
            a[i][j] = std::ldexp(a[i][j], -colExp[j]);
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    }
    for (unsigned int c = 0; c < 4; c++)
    {
        unsigned int pivot = c;
        for (unsigned int i = c + 1; i < 4; i++)
            if (std::fabs(a[i][c]) > std::fabs(a[pivot][c]))
                pivot = i;
        if (!(std::fabs(a[pivot][c]) > 0x1p-40))
            return none();
        std::swap(a[c], a[pivot]);
        const double p = a[c][c];
        for (double& x : a[c])
            x /= p;
        for (unsigned int i = 0; i < 4; i++)
        {
            const double f = a[i][c];
            if (i != c && f != 0.0)
                for (unsigned int j = 0; j < 8; j++)
                    a[i][j] -= f * a[c][j];
        }
    }
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
            r.m[i][j] = static_cast<T>(std::ldexp(a[i][j + 4], -colExp[i] - rowExp[j]));
    return r;
}

template <class T> Vector4<T> Matrix4x4<T>::operator*(const Vector4<T>& vec) const
{
    Vector4<T> r;
    for (unsigned int i = 0; i < 4; i++)
    {
        T sum = T(0);
        for (unsigned int k = 0; k < 4; k++)
            sum += m[i][k] * vec.v[k];
        r.v[i] = sum;
    }
    return r;
}

template <class T> void Matrix4x4<T>::toGLMatrix(T* glMatrix) const
{
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
            glMatrix[4 * i + j] = m[j][i];
}

template <class T> bool Matrix4x4<T>::operator==(const Matrix4x4& rhs) const
{
    for (unsigned int i = 0; i < 4; i++)
        for (unsigned int j = 0; j < 4; j++)
            if (!(m[i][j] == rhs.m[i][j]))
                return false;
    return true;
}

template <class T> std::ostream& operator<<(std::ostream& os, const Matrix4x4<T>& mat)
{
    for (unsigned int i = 0; i < 4; i++)
        os << mat.m[i][0] << " " << mat.m[i][1] << " " << mat.m[i][2] << " " << mat.m[i][3] << "\n";
    return os;
}
