#pragma once
// The entity side of a frame, as the frame driver sees it. The entities live
// above the landscape layer, which only holds them as counted references to
// an incomplete type; the entity layer installs its passes here when its
// first entity is added. While none is installed the passes do nothing.

class Landscape;
class Sector;

class EntityPasses {
  public:
    virtual ~EntityPasses() = default;
    // Tiled entities into the buckets of the sectors they stand on.
    virtual void placeEntities(Landscape& world) = 0;
    // Every listed entity's tree, in list order, with world.frameTime.
    virtual void updateEntities(Landscape& world) = 0;
    // The listed entities of one fixed draw group (Background, Free, Effect).
    virtual void drawGroup(Landscape& world, int placement) = 0;
    // The entities of one sector's bucket, in bucket order.
    virtual void drawBucket(Landscape& world, const Sector& sector) = 0;
    // End of the frame: spawned entities join the list, finished ones leave.
    virtual void processPending(Landscape& world) = 0;
};

extern EntityPasses* entityPasses; // null until the entity layer installs its passes
