#pragma once
// The sun: a bright sprite far away in the direction of the Landscape's
// sunDirection, and a glare that floods the screen with white (up to 0.7,
// added) while the view looks within 0.7 radians of it. Drawn after the
// sector buckets (Free), without fog and without depth writes.

#include "entities/Entity.h"

class Sun : public Entity {
  public:
    int32_t texture = 0; // GL name of the sun texture, -1 when missing
    Vector3 angles;      // degrees: x elevation, y azimuth, z unused

    Sun();
    void draw(Landscape& world) override;
    void onAdded(Landscape& world) override;
};
