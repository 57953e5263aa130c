#pragma once
// What a rocket leaves where it lands: thirty glowing particles thrown out
// from the point of impact that fall under gravity and die on the ground or
// in the water, and a white flash over the first twenty frames. Drawn last
// (Effect), additively, facing the viewer. The explosion asks to be removed
// in the frame after its last particle died.

#include "entities/Entity.h"

class Explosion : public Entity {
  public:
    static constexpr int particleCount = 30;

    Vector3 offsets[particleCount];    // particle positions relative to the explosion
    Vector3 velocities[particleCount]; // units per frame
    int32_t alive[particleCount] = {}; // 1 while the particle flies
    int32_t texture = -1;              // GL name of the particle texture, -1 when missing
    int32_t flashFrames = 0;           // frames of flash left

    void draw(Landscape& world) override;
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;
};
