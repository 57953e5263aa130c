#pragma once
// Turns a type id (what entity files store and scripts name) into a new
// entity with its class defaults, not yet added anywhere: no onAdded has
// run, no model or texture is loaded. None for ids without a class: 8 (the
// rocket only a tank fires) and anything outside 0..9.

#include "entities/Entity.h"

#include <memory>

std::shared_ptr<Entity> createEntity(int32_t type);
