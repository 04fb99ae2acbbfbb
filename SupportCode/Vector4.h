#pragma once

#include <iostream>

// Four-component vector. Declared beside Vector3 for homogeneous coordinates; the
// system itself computes only with Vector3 and Matrix4x4.
template <class T> class Vector4
{
public:
    T v[4];

    Vector4() : v{T(0), T(0), T(0), T(0)} {}
    Vector4(T x, T y, T z, T w) : v{x, y, z, w} {}

    T& operator[](unsigned int i) { return v[i]; }
    T operator[](unsigned int i) const { return v[i]; }

    T x() const { return v[0]; }
    T y() const { return v[1]; }
    T z() const { return v[2]; }
    T w() const { return v[3]; }

    bool operator==(const Vector4& rhs) const
    {
        return v[0] == rhs.v[0] && v[1] == rhs.v[1] && v[2] == rhs.v[2] && v[3] == rhs.v[3];
    }
    bool operator!=(const Vector4& rhs) const { return !(*this == rhs); }
};

template <class T> std::ostream& operator<<(std::ostream& os, const Vector4<T>& vec)
{
    return os << vec.v[0] << " " << vec.v[1] << " " << vec.v[2] << " " << vec.v[3];
}
