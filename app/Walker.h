#pragma once
// The free-walking eye: a position, view angles and a vertical speed, moved
// every frame by the held keys and pulled down by gravity onto the ground.
// All steps are per frame, so the walking speed follows the frame rate. The
// Landscape's camera references point into a Walker, so a Walker must stay
// where it is while the program runs.

#include "geometry/Vector3.h"

#include <cstdint>

class Walker {
  public:
    Vector3 position{200.0f, 70.0f, 200.0f}; // world units, the eye
    Vector3 angles{0.0f, 135.0f, 0.0f};      // degrees: x = pitch, y = yaw, z = roll (fixed)
    float verticalSpeed = 0.0f;              // world units per frame, up is positive

    // Space rises, arrows turn and tilt, 'e' walks forward, 'd' walks back;
    // keys is the 512-entry key table.
    void applyKeys(const uint8_t* keys);

    // Moves by the vertical speed, lets gravity act, and rests the eye 1.0
    // above terrainHeight when it would sink below that.
    void applyGravity(float terrainHeight);
};
