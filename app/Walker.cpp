#include "app/Walker.h"

#include <cmath>

namespace {

const int keySpace = 32;
const int keyD = 100;
const int keyE = 101;
const int keyUp = 273;
const int keyDown = 274;
const int keyRight = 275;
const int keyLeft = 276;

const double degreesToRadians = 0.0174532; // the engine's own factor, used everywhere
const float riseSpeed = 0.1f;              // units per frame while Space is held
const double gravity = 0.002;              // units per frame per frame
const float eyeHeight = 1.0f;              // units above the ground

} // namespace

void Walker::applyKeys(const uint8_t* keys) {
    if (keys[keySpace])
        verticalSpeed = riseSpeed;
    if (keys[keyLeft])
        angles.y -= 1.0f;
    if (keys[keyRight])
        angles.y += 1.0f;
    if (keys[keyUp])
        angles.x += 1.0f;
    if (keys[keyDown])
        angles.x -= 1.0f;

    const double yaw = angles.y * degreesToRadians;
    if (keys[keyE]) {
        position.x += std::sin(yaw) * 0.3;
        position.z -= std::cos(yaw) * 0.3;
    }
    if (keys[keyD]) {
        position.x -= std::sin(yaw) * 0.1;
        position.z += std::cos(yaw) * 0.1;
    }
}

void Walker::applyGravity(float terrainHeight) {
    const float ground = terrainHeight + eyeHeight;
    position.y += verticalSpeed;
    verticalSpeed -= gravity;
    if (position.y <= ground) {
        position.y = ground;
        verticalSpeed = 0.0f;
    }
}
