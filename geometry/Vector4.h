#pragma once
// Four packed 32-bit floats in r, g, b, a order: the RGBA corner colours of the
// terrain faces.

struct Vector4 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    Vector4() = default;
    Vector4(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}

    void set(float r_, float g_, float b_, float a_) {
        r = r_;
        g = g_;
        b = b_;
        a = a_;
    }
    void add(Vector4 o) {
        r += o.r;
        g += o.g;
        b += o.b;
        a += o.a;
    }
    void subtract(Vector4 o) {
        r -= o.r;
        g -= o.g;
        b -= o.b;
        a -= o.a;
    }
};
static_assert(sizeof(Vector4) == 16, "Vector4 is four packed floats");
