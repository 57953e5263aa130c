#pragma once
// The render list is rebuilt once per frame, before anything is drawn: every
// sector within the cull radius that is not wholly behind the camera, nearest
// first. Behind means on the far side of the plane perpendicular to the view
// direction and 0.05 units behind the eye; there is no other frustum test. At
// most renderListLimit - 1 sectors may be visible at once: reaching the limit
// ends the program, because the distance keys live in one fixed array.

#include "geometry/Vector3.h"

// Degrees to radians, with the engine's own constant rather than a more precise pi / 180.
const float renderDegreesToRadians = 0.0174532f;

// The point 0.1 units behind the eye along its view direction, for a camera at
// position with angles in degrees (x = pitch, y = yaw). Sectors are drawn when a
// corner of their box is at least as close to the eye as to this point.
Vector3 pointBehindCamera(Vector3 position, Vector3 angles);
