#include "entities/ReplayDirector.h"

#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "landscape/Landscape.h"

void ReplayDirector::startReplay(Landscape& world, int32_t type, const char* file) {
    std::shared_ptr<Entity> entity = createEntity(type);
    if (!entity || addEntity(world, entity) < 0)
        return;
    // Only the new entity's own parts are handed over here: this runs inside
    // the frame's update pass, where removing finished entities from the
    // list (what a whole processPending pass would do) could destroy the
    // very entity whose update is running.
    handOverPending(world, *entity);
    entity->startPlayback(file, world.frameTime);
    played = entity;
}

void ReplayDirector::update(Landscape&) {
    std::shared_ptr<Entity> entity = played.lock();
    if (!entity)
        return;
    if (entity->recordMode != 1) {
        entity->removeRequested = 1;
        played.reset();
    }
}

void ReplayDirector::onAdded(Landscape&) {
    placement = Free;
}
