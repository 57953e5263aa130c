#pragma once
// A marker: a Free entity that only holds a position and rotation (a point
// that scripts can name, aim at or follow); it draws and does nothing.

#include "entities/Entity.h"

class Marker : public Entity {
  public:
    Marker() {
        typeId = MarkerType;
        placement = Free;
    }
    void draw(Landscape&) override {}
    void update(Landscape&) override {}
};
