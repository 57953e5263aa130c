#pragma once
// The sky: a gradient from pale blue overhead into the fog colour at the
// horizon ahead, drawn first each frame (Background) around the eye, turned
// with the view's pitch only, without fog or depth writes, so the terrain
// and everything else draws over it.

#include "entities/Entity.h"

class Sky : public Entity {
  public:
    Sky();
    void draw(Landscape& world) override;
    void update(Landscape&) override {}
};
