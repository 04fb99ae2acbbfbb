#pragma once

#include "Vector4.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <utility>

// 4 x 4 matrix, row-major (m[row][column]), acting on column vectors: a point p becomes
// M p, and the translation of a transform sits in the last column.
template <class T> class Matrix4x4
{
public:
    T m[4][4];

    Matrix4x4(); // identity
    explicit Matrix4x4(const T src[4][4]);

    static Matrix4x4 identity() { return Matrix4x4(); }
    static Matrix4x4 scale(T s);
    static Matrix4x4 scale(T sx, T sy, T sz);
    static Matrix4x4 translation(T tx, T ty, T tz);
    // The transpose of Rz(rz) Ry(ry) Rx(rx); angles in radians.
    static Matrix4x4 rotationXYZ(T rx, T ry, T rz);

    Matrix4x4 operator*(const Matrix4x4& m2) const;
    // The inverse, by Gauss-Jordan elimination with partial pivoting in double precision
    // after scaling rows and columns. A matrix singular to that precision (a scaled pivot
    // below 2^-40), or one holding a NaN or an infinity, has none: the result is then
    // every element a quiet NaN, which no caller can mistake for a transform.
    Matrix4x4 inverse() const;
    Vector4<T> operator*(const Vector4<T>& vec) const;

    T& operator()(unsigned int row, unsigned int column) { return m[row][column]; }
    T operator()(unsigned int row, unsigned int column) const { return m[row][column]; }
    T* operator[](unsigned int row) { return m[row]; }
    const T* operator[](unsigned int row) const { return m[row]; }

    // Column-major copy for glLoadMatrix/glMultMatrix: glMatrix[4 i + j] = m[j][i].
    void toGLMatrix(T* glMatrix) const;

    bool operator==(const Matrix4x4& rhs) const;
    bool operator!=(const Matrix4x4& rhs) const { return !(*this == rhs); }
};

template <class T> std::ostream& operator<<(std::ostream& os, const Matrix4x4<T>& mat);

#include "Matrix4x4_Impl.h"
