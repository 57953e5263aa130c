#pragma once
// Colours the whole view with the Landscape's underwaterTint (half covering)
// while the eye is below the water level.

#include "entities/Entity.h"

class UnderwaterTint : public Entity {
  public:
    UnderwaterTint();
    void draw(Landscape& world) override;
};
