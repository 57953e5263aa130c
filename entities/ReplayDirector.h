#pragma once
// Plays a record file on a new entity of a given type and takes the entity
// out of the world once the file has run out (the demo script's recorded
// drives). The director itself stays in the list, draws nothing and after
// that does nothing more.
//
// The played entity is owned by the entity list; the director only holds it
// weakly, so nothing reaches it once it is destroyed.

#include "entities/Entity.h"

#include <memory>

class ReplayDirector : public Entity {
  public:
    std::weak_ptr<Entity> played; // the entity being played; none at construction

    // Makes an entity of type, adds it to the world, binds its parts'
    // textures and starts playing file on it from the world's frame time.
    // A type the factory does not make adds and plays nothing.
    void startReplay(Landscape& world, int32_t type, const char* file);

    void draw(Landscape&) override {}
    // Ends the played entity (it is removed at the end of the frame) once
    // its playback has stopped.
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;
};
