#pragma once
// Three packed 32-bit floats and nothing else, so that an array of Vector3 is a
// run of floats that OpenGL and the map file read directly. Positions,
// directions, normals and RGB colours. A zero vector normalises to (0, 1, 0).

#include <cmath>

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    void set(float x_, float y_, float z_) {
        x = x_;
        y = y_;
        z = z_;
    }
    void setComponent(int index, float value) {
        if (index == 0)
            x = value;
        else if (index == 1)
            y = value;
        else if (index == 2)
            z = value;
    }
    float length() const { return float(std::sqrt(double(x) * x + double(y) * y + double(z) * z)); }
    void normalize() {
        float len = length();
        if (len == 0.0f) {
            set(0.0f, 1.0f, 0.0f);
            return;
        }
        float inv = 1.0f / len;
        x *= inv;
        y *= inv;
        z *= inv;
    }
    float distanceTo(const Vector3& other) const { return minus(other).length(); }
    bool nearlyEquals(Vector3 other) const {
        return std::fabs(x - other.x) < 0.001 && std::fabs(y - other.y) < 0.001 &&
               std::fabs(z - other.z) < 0.001;
    }
    Vector3 plus(Vector3 o) const { return Vector3(x + o.x, y + o.y, z + o.z); }
    Vector3 minus(Vector3 o) const { return Vector3(x - o.x, y - o.y, z - o.z); }
    Vector3 times(float s) const { return Vector3(x * s, y * s, z * s); }
    void add(Vector3 o) {
        x += o.x;
        y += o.y;
        z += o.z;
    }
    void subtract(Vector3 o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
    }
};
static_assert(sizeof(Vector3) == 12, "Vector3 is three packed floats");

inline Vector3 cross(Vector3 a, Vector3 b) {
    return Vector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
