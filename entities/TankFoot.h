#pragma once
// One of the tank's two tracks: a child of the hull that only shows its model.

#include "entities/Entity.h"

class TankFoot : public Entity {
  public:
    void onAdded(Landscape& world) override;
};
