// glarve/vec.h -- the engine's small value types: Vec3 (points and directions), Color4, TexCoord2.
#pragma once

// A point or direction in model space: three IEEE single-precision floats. Every operator works
// component by component with one single-precision operation each; the scalar is always on the right.
struct Vec3 {
    float x;
    float y;
    float z;

    Vec3() : x(0.0f), y(0.0f), z(0.0f) {}
    Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    Vec3 operator+(const Vec3& q) const { return Vec3(x + q.x, y + q.y, z + q.z); }
    Vec3 operator-(const Vec3& q) const { return Vec3(x - q.x, y - q.y, z - q.z); }
    Vec3 operator-() const { return Vec3(-x, -y, -z); }
    Vec3 operator*(float s) const { return Vec3(x * s, y * s, z * s); }
    Vec3 operator/(float s) const { return Vec3(x / s, y / s, z / s); }

    // The in-place forms change this vector and return a copy of its new value, not a reference.
    Vec3 operator+=(const Vec3& q);
    Vec3 operator-=(const Vec3& q);
    Vec3 operator*=(float s);
    Vec3 operator/=(float s);
};

inline Vec3 Vec3::operator+=(const Vec3& q)
{
    // Read q's components first: q may be this very vector (p += p doubles each component).
    const float qx = q.x, qy = q.y, qz = q.z;
    x += qx;
    y += qy;
    z += qz;
    return *this;
}

inline Vec3 Vec3::operator-=(const Vec3& q)
{
    const float qx = q.x, qy = q.y, qz = q.z;
    x -= qx;
    y -= qy;
    z -= qz;
    return *this;
}

inline Vec3 Vec3::operator*=(float s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

inline Vec3 Vec3::operator/=(float s)
{
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

// A colour with opacity, each channel nominally 0 to 1 and never clamped here.
struct Color4 {
    float r;
    float g;
    float b;
    float a;

    Color4(float ar, float ag, float ab, float aa) : r(ar), g(ag), b(ab), a(aa) {}
};

// The texture coordinates of one mesh vertex. No constructor: the loader fills arrays of them.
struct TexCoord2 {
    float u;
    float v;
};
