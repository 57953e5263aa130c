#include "lighting/PaintCell.h"

int PaintCell::layerOf(uint32_t name) const {
    if (texture[0] == name)
        return 0;
    if (texture[1] == name)
        return 1;
    return -1;
}

void PaintCell::assign(uint32_t name, float value, int layer) {
    if (layer != 0 && layer != 1)
        return;
    texture[layer] = name;
    weight[layer] = value;
}

float PaintCell::overlayWeight(uint32_t name, int layer) const {
    if (layerOf(name) != layer)
        return float(1 - layer);
    if (texture[0] == noTexture)
        return texture[1] == noTexture ? 0.0f : 1.0f;
    if (texture[1] == noTexture)
        return 0.0f;
    float a = weight[1] * weight[1];
    float b = weight[0] * weight[0];
    if (a + b == 0.0f)
        return 0.5f;
    return a / (a + b);
}
