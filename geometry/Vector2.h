#pragma once
// Two packed 32-bit floats: texture coordinates (u, v), or a point of the ground
// plane where x holds world x and y holds world z.

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;

    Vector2() = default;
    Vector2(float x_, float y_) : x(x_), y(y_) {}

    void set(float x_, float y_) {
        x = x_;
        y = y_;
    }
    Vector2 minus(Vector2 o) const { return Vector2(x - o.x, y - o.y); }
    void add(Vector2 o) {
        x += o.x;
        y += o.y;
    }
    void scale(float s) {
        x *= s;
        y *= s;
    }
};
static_assert(sizeof(Vector2) == 8, "Vector2 is two packed floats");
