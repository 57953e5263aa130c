#pragma once
// The tank's turret: a child of the hull that turns to the hull's turret yaw
// every frame and carries the pipe. It borrows the hull's turretAngles and
// aimAngles, which it hands on to the pipe; borrowed through VectorRefs, they
// read as none once the hull is gone.

#include "entities/Entity.h"
#include "entities/VectorRef.h"

class TankTurret : public Entity {
  public:
    VectorRef turretAngles; // the hull's aim relative to the hull
    VectorRef aimAngles;    // the hull's absolute aim

    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;
};
