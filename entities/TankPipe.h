#pragma once
// The tank's barrel: a child of the turret that keeps the pipe's elevation
// within +10 and -80 degrees (writing the limit back into the hull's
// turretAngles), and fires while state slot 0 is set: a Rocket along the
// hull's aim, handed to the hull's pending list, then 20 frames of cooldown.
// A shot shows a muzzle flash for 10 frames, drawn additively 2 to 5 units
// along the barrel (untextured orange when the flash texture is missing).

#include "entities/Entity.h"
#include "entities/VectorRef.h"

class TankPipe : public Entity {
  public:
    static const int32_t cooldownFrames = 20;
    static const int32_t flashLength = 10; // frames

    int32_t cooldown = 0;      // frames until the next shot may go
    VectorRef turretAngles;    // the hull's aim relative to the hull
    VectorRef aimAngles;       // the hull's absolute aim
    int32_t flashTexture = -1; // GL name of the flash texture, -1 when missing
    int32_t flashFrames = 0;   // frames of flash left

    void draw(Landscape& world) override;
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;
};
