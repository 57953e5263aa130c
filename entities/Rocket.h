#pragma once
// A rocket fired by a tank's pipe: it flies along its aim under gravity, one
// step per frame, and bursts into an Explosion where it meets the ground or
// drops below the water level (on the water surface then). It leaves the
// map flying and bursts once it has fallen below the water level. The
// explosion joins the list at the end of the frame the rocket is removed in.

#include "entities/Entity.h"

class Rocket : public Entity {
  public:
    Vector3 direction; // world units per frame

    Rocket();
    void update(Landscape& world) override;
    // Loads the rocket model and sets off along the forward direction of rotation.
    void onAdded(Landscape& world) override;
};
