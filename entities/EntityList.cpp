// The entity list of a Landscape, its sector buckets, and the entity passes
// the frame driver runs.

#include "entities/EntityList.h"

#include "landscape/EntityPasses.h"
#include "landscape/Landscape.h"
#include "models/M3aModel.h"

#include <cmath>
#include <utility>

namespace {

class ListPasses : public EntityPasses {
  public:
    void placeEntities(Landscape& world) override { ::placeEntities(world); }

    void updateEntities(Landscape& world) override {
        for (size_t i = 0; i < world.entities.size(); ++i) {
            Entity* entity = world.entities[i].get();
            entity->updateTree(world, world.frameTime);
        }
    }

    void drawGroup(Landscape& world, int placement) override {
        for (size_t i = 0; i < world.entities.size(); ++i) {
            Entity* entity = world.entities[i].get();
            if (entity->placement == placement)
                entity->drawTree(world);
        }
    }

    void drawBucket(Landscape& world, const Sector& sector) override {
        for (int32_t k = 0; k < sector.entityCount; ++k)
            sector.entityBucket[k]->drawTree(world);
    }

    void processPending(Landscape& world) override { ::processPending(world); }
};

ListPasses listPasses;

Sector* sectorOf(Landscape& world, int32_t placement) {
    if (placement < 0 || size_t(placement) >= world.sectors.size())
        return nullptr;
    return &world.sectors[size_t(placement)];
}

// The sector a position stands on, or -1 outside the grid. Quotients are
// truncated toward zero, so the strip just below 0 counts as the first row
// or column; anything else outside, and NaN, is outside.
int32_t sectorIndexAt(const Landscape& world, Vector3 position) {
    float across = position.x / world.sectorSizeX;
    float down = position.z / world.sectorSizeZ;
    if (!(across > -1.0f && across < float(world.sectorsAcross)) ||
        !(down > -1.0f && down < float(world.sectorsDown)))
        return -1;
    int64_t index = int64_t(down) * world.sectorsAcross + int64_t(across);
    if (index < 0 || index >= int64_t(world.sectors.size()))
        return -1;
    return int32_t(index);
}

// Hands over the pending entries of one tree node: children get their
// textures bound (and hand over their own pending entries in turn), spawned
// entities join the list.
void handOver(Landscape& world, Entity& node) {
    for (size_t k = 0; k < node.pending.size(); ++k) {
        std::shared_ptr<Entity> entry = node.pending[k];
        if (entry->parent) {
            bindEntityTextures(world, *entry);
            handOver(world, *entry);
        } else {
            addEntity(world, std::move(entry));
        }
    }
    node.pending.clear();
    node.pendingCount = 0;
}

} // namespace

int addEntity(Landscape& world, std::shared_ptr<Entity> entity) {
    if (!entity || world.entities.size() >= size_t(entityListCapacity))
        return -1;
    entityPasses = &listPasses;
    Entity& added = *entity;
    int index = int(world.entities.size());
    world.entities.push_back(std::move(entity));
    added.onAdded(world);
    bindEntityTextures(world, added);
    return index;
}

void removeEntityAt(Landscape& world, int index) {
    if (index < 0 || size_t(index) >= world.entities.size())
        return;
    std::shared_ptr<Entity> leaving = std::move(world.entities[size_t(index)]);
    if (Sector* sector = sectorOf(world, leaving->placement))
        bucketRemove(*sector, leaving.get());
    world.entities.erase(world.entities.begin() + index);
    // `leaving` lets go last, after the list is whole again: a destructor
    // that looks at Landscapes finds them consistent.
}

void removeEntitiesOfType(Landscape& world, int32_t type) {
    for (size_t i = 0; i < world.entities.size();) {
        if (world.entities[i]->typeId == type)
            removeEntityAt(world, int(i));
        else
            ++i;
    }
}

void clearEntities(Landscape& world) {
    processPending(world);
    placeEntities(world);
    while (!world.entities.empty())
        removeEntityAt(world, int(world.entities.size()) - 1);
}

void processPending(Landscape& world) {
    for (size_t i = 0; i < world.entities.size();) {
        Entity& entity = *world.entities[i];
        handOver(world, entity);
        if (entity.removeRequested)
            removeEntityAt(world, int(i));
        else
            ++i;
    }
}

void handOverPending(Landscape& world, Entity& entity) {
    handOver(world, entity);
}

void placeEntities(Landscape& world) {
    for (const std::shared_ptr<Entity>& entity : world.entities) {
        if (entity->placement < Unplaced)
            continue;
        int32_t target = sectorIndexAt(world, entity->position);
        if (target == entity->placement)
            continue;
        if (Sector* old = sectorOf(world, entity->placement))
            bucketRemove(*old, entity.get());
        entity->placement = Unplaced;
        if (target >= 0 && bucketInsert(world.sectors[size_t(target)], entity.get()))
            entity->placement = target;
    }
}

void adoptEntities(Landscape& world) {
    for (Sector& sector : world.sectors)
        sector.entityCount = 0; // what the buckets pointed at is not looked at
    for (const std::shared_ptr<Entity>& entity : world.entities) {
        if (entity->placement >= 0)
            entity->placement = Unplaced;
    }
    placeEntities(world);
}

void bindEntityTextures(Landscape& world, Entity& entity) {
    for (const std::shared_ptr<M3aModel>& model : entity.models) {
        if (model)
            model->bindTextures(world.textures);
    }
}

bool bucketInsert(Sector& sector, Entity* entity) {
    if (sector.entityCount < 0 || sector.entityCount >= Sector::bucketCapacity)
        return false;
    int32_t at = 0;
    while (at < sector.entityCount && sector.entityBucket[at]->drawOrder < entity->drawOrder)
        ++at;
    for (int32_t k = sector.entityCount; k > at; --k)
        sector.entityBucket[k] = sector.entityBucket[k - 1];
    sector.entityBucket[at] = entity;
    ++sector.entityCount;
    return true;
}

void bucketRemove(Sector& sector, const Entity* entity) {
    int32_t kept = 0;
    for (int32_t k = 0; k < sector.entityCount; ++k) {
        if (sector.entityBucket[k] != entity)
            sector.entityBucket[kept++] = sector.entityBucket[k];
    }
    for (int32_t k = kept; k < sector.entityCount; ++k)
        sector.entityBucket[k] = nullptr;
    sector.entityCount = kept;
}

int indexOfEntity(const Landscape& world, const Entity* entity) {
    for (size_t i = 0; i < world.entities.size(); ++i) {
        if (world.entities[i].get() == entity)
            return int(i);
    }
    return -1;
}

Entity* findFirstOfType(const Landscape& world, int32_t type) {
    for (const std::shared_ptr<Entity>& entity : world.entities) {
        if (entity->typeId == type)
            return entity.get();
    }
    return nullptr;
}

Entity* findLastOfType(const Landscape& world, int32_t type) {
    for (size_t i = world.entities.size(); i-- > 0;) {
        if (world.entities[i]->typeId == type)
            return world.entities[i].get();
    }
    return nullptr;
}

Entity* findNextOfType(const Landscape& world, const Entity* entity) {
    int index = indexOfEntity(world, entity);
    if (index < 0)
        return nullptr;
    for (size_t i = size_t(index) + 1; i < world.entities.size(); ++i) {
        if (world.entities[i]->typeId == entity->typeId)
            return world.entities[i].get();
    }
    return nullptr;
}

Entity* findPreviousOfType(const Landscape& world, const Entity* entity) {
    int index = indexOfEntity(world, entity);
    for (int i = index - 1; i >= 0; --i) {
        if (world.entities[size_t(i)]->typeId == entity->typeId)
            return world.entities[size_t(i)].get();
    }
    return nullptr;
}
