#pragma once
// A palm tree: the palm model swaying through its frames, each tree starting
// at a random frame so the trees sway out of step. Tiled: drawn with the
// sector it stands on.

#include "entities/Entity.h"

class PalmTree : public Entity {
  public:
    PalmTree();
    void update(Landscape&) override {}
    void onAdded(Landscape& world) override;
};
