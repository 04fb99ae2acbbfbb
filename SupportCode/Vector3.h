#pragma once

#include "Vector4.h"

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

// Three-component vector: positions, normals, colours (float) and index triples
// (unsigned int). All arithmetic stays in T; nothing is widened unless a caller does it.
template <class T> class Vector3
{
public:
    T v[3];

    Vector3() : v{T(0), T(0), T(0)} {}
    explicit Vector3(T s) : v{s, s, s} {}
    Vector3(T x, T y, T z) : v{x, y, z} {}
    explicit Vector3(const Vector4<T>& h) : v{h.v[0], h.v[1], h.v[2]} {}

    // Parses "x y z" (further numbers are ignored). Components that cannot be read stay 0.
    // The interface takes it by value.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    explicit Vector3(std::string s)
    {
        std::stringstream ss(s, std::ios::in | std::ios::out);
        load(ss);
    }

    // Starts from zero so a short or malformed line leaves defined components; the
    // extraction stops at the first failure, leaving the rest at 0.
    std::istream& load(std::istream& is)
    {
        v[0] = v[1] = v[2] = T(0);
        return is >> v[0] >> v[1] >> v[2];
    }
    std::ostream& save(std::ostream& os) const { return os << v[0] << " " << v[1] << " " << v[2]; }

    template <class S> Vector3& operator=(S s)
    {
        v[0] = v[1] = v[2] = static_cast<T>(s);
        return *this;
    }

    T& operator[](unsigned int i) { return v[i]; }
    T operator[](unsigned int i) const { return v[i]; }

    T x() const { return v[0]; }
    T y() const { return v[1]; }
    T z() const { return v[2]; }
    T* getArrayPtr() { return v; }
    const T* getArrayPtr() const { return v; }

    Vector3 operator-(const Vector3& rhs) const
    {
        return Vector3(v[0] - rhs.v[0], v[1] - rhs.v[1], v[2] - rhs.v[2]);
    }
    Vector3 operator+(const Vector3& rhs) const
    {
        return Vector3(v[0] + rhs.v[0], v[1] + rhs.v[1], v[2] + rhs.v[2]);
    }
    Vector3& operator+=(const Vector3& rhs)
    {
        v[0] += rhs.v[0];
        v[1] += rhs.v[1];
        v[2] += rhs.v[2];
        return *this;
    }

    template <class S> Vector3 operator*(S s) const
    {
        return Vector3(v[0] * s, v[1] * s, v[2] * s);
    }
    // The factor is converted to T once (a double becomes a float) before multiplying.
    template <class S> Vector3& operator*=(S s)
    {
        const T f = static_cast<T>(s);
        v[0] *= f;
        v[1] *= f;
        v[2] *= f;
        return *this;
    }

    // Dot product, summed as (x + y) + z.
    T operator*(const Vector3& rhs) const
    {
        return v[0] * rhs.v[0] + v[1] * rhs.v[1] + v[2] * rhs.v[2];
    }
    Vector3 entryMult(const Vector3& rhs) const
    {
        return Vector3(v[0] * rhs.v[0], v[1] * rhs.v[1], v[2] * rhs.v[2]);
    }

    float length() const { return std::sqrt((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]); }
    float norm() const { return length(); }

    // No test for zero length: a zero vector becomes NaN, which callers rely on seeing.
    Vector3& normalize()
    {
        const float len = length();
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
        return *this;
    }

    Vector3 floor() const { return Vector3(std::floor(v[0]), std::floor(v[1]), std::floor(v[2])); }
    Vector3 ceil() const { return Vector3(std::ceil(v[0]), std::ceil(v[1]), std::ceil(v[2])); }

    bool operator==(const Vector3& rhs) const
    {
        return v[0] == rhs.v[0] && v[1] == rhs.v[1] && v[2] == rhs.v[2];
    }
    bool operator!=(const Vector3& rhs) const { return !(*this == rhs); }

    // Exact lexicographic order, the key order of the vertex-welding maps. A pair that is
    // neither less nor greater (equal, +0 against -0) defers to the next component.
    bool operator<(const Vector3& rhs) const
    {
        if (v[0] < rhs.v[0])
            return true;
        if (v[0] > rhs.v[0])
            return false;
        if (v[1] < rhs.v[1])
            return true;
        if (v[1] > rhs.v[1])
            return false;
        return v[2] < rhs.v[2];
    }
    bool operator>(const Vector3& rhs) const { return rhs < *this; }
    bool operator<=(const Vector3& rhs) const { return !(rhs < *this); }
    bool operator>=(const Vector3& rhs) const { return !(*this < rhs); }
};

template <class T> const Vector3<T> operator-(const Vector3<T>& vec)
{
    return Vector3<T>(-vec.v[0], -vec.v[1], -vec.v[2]);
}

template <class T> Vector3<T> cross(const Vector3<T>& a, const Vector3<T>& b)
{
    return Vector3<T>(a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                      a.v[0] * b.v[1] - a.v[1] * b.v[0]);
}

template <class T> std::ostream& operator<<(std::ostream& os, const Vector3<T>& vec)
{
    return vec.save(os);
}
