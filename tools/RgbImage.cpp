#include "tools/RgbImage.h"

RgbImage::RgbImage(int width_, int height_)
    : width(width_), height(height_), rgb(size_t(width_) * height_ * 3, 0) {}

void RgbImage::set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

void RgbImage::setGrey(int x, int y, uint8_t value) {
    set(x, y, value, value, value);
}
