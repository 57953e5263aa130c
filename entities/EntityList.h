#pragma once
// The operations on a Landscape's entity list (the list itself is the
// Landscape's `entities`: counted references in list order, at most 32000)
// and on its sectors' entity buckets, and the entity passes of the frame.
//
// Capacities are kept, never overrun: an entity beyond 32000 is not added
// (and is destroyed unless its maker still holds it); an entity whose sector
// bucket already holds 100 stays Unplaced and undrawn until there is room;
// an entity outside the sector grid stays Unplaced and undrawn while it is
// outside.
//
// The sector buckets hold plain pointers and an entity's placement is one
// field, while the undo ring's Landscapes share entities. Whenever a
// Landscape becomes current, adoptEntities empties its buckets without
// touching what they point at and places its own entities afresh, so a
// Landscape only ever draws through buckets it filled from its own list.

#include "entities/Entity.h"

#include <cstdint>
#include <memory>

class Landscape;
class Sector;

const int entityListCapacity = 32000;

// Appends the entity, runs its onAdded and binds its textures; the index it
// was stored at, or -1 when the list is full (nothing is done then).
int addEntity(Landscape& world, std::shared_ptr<Entity> entity);
void removeEntityAt(Landscape& world, int index);
void removeEntitiesOfType(Landscape& world, int32_t type);
void clearEntities(Landscape& world);
// Hands over every pending entity and removes those that asked to go, in
// one pass over the list: entities appended on the way are visited too.
void processPending(Landscape& world);
// Hands over the pending entries of one entity only (its new parts get their
// textures bound, what it spawned joins the list), removing nothing.
void handOverPending(Landscape& world, Entity& entity);
// Puts every tiled entity into the bucket of the sector it stands on.
void placeEntities(Landscape& world);
// Makes the buckets of a Landscape that has just become current its own.
void adoptEntities(Landscape& world);
// Binds the textures of the entity's models through the world's table.
void bindEntityTextures(Landscape& world, Entity& entity);

// Bucket operations: kept in ascending drawOrder, newest first among equals.
bool bucketInsert(Sector& sector, Entity* entity); // false when the bucket is full
void bucketRemove(Sector& sector, const Entity* entity);

// Queries by list index; none as nullptr.
Entity* findFirstOfType(const Landscape& world, int32_t type);
Entity* findLastOfType(const Landscape& world, int32_t type);
Entity* findNextOfType(const Landscape& world, const Entity* entity);
Entity* findPreviousOfType(const Landscape& world, const Entity* entity);
int indexOfEntity(const Landscape& world, const Entity* entity);
