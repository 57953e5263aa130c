#pragma once
// One cell of the paint canvas: what the two texture layers hold at one vertex
// position of the map. Layer 0 is the base texture, layer 1 the overlay blended
// over it. A cell that was never painted in a layer holds texture -1 and weight
// -1.0 there. Plain data, no ownership.

#include <cstdint>

struct PaintCell {
    static constexpr uint32_t noTexture = 0xFFFFFFFFu; // -1: no texture in that layer

    uint32_t texture[2] = {noTexture, noTexture}; // OpenGL texture name per layer; -1 = none
    float weight[2] = {-1.0f, -1.0f};             // strength of each layer's texture, 0..1

    // 0 when layer 0 holds the texture, else 1 when layer 1 does, else -1.
    int layerOf(uint32_t name) const;
    // Puts a texture with a weight into layer 0 or 1; any other layer is refused
    // and leaves the cell as it was.
    void assign(uint32_t name, float weight, int layer);
    // The coverage of a texture in a layer at this cell: where both layers are
    // painted the overlay covers the base in proportion to the squared weights,
    // where only the overlay is painted it covers fully, and a texture the layer
    // does not hold covers nothing (1 - layer).
    float overlayWeight(uint32_t name, int layer) const;
};
