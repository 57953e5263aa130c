#pragma once
// The demo script runner: an entity that plays "data\manus.txt", the text
// that choreographs the self-running demonstration. Added to a Landscape it
// opens the script and makes its own Camera, which takes over the view; from
// then on, in every frame whose clock has reached the wake time, it executes
// lines one by one until a "sleep" pushes the wake time past the frame's
// clock. At the end of the file it asks to be removed; its camera and what
// its drives started stay in the world.
//
// A line is read in text mode, at most 511 characters at a time (the rest of
// a longer line comes as the next line), and split on spaces only, like
// strtok with " ". The first word names one of fifteen commands; a line whose
// first word is no command is a comment. Missing arguments read as 0, 0.0 or
// empty text.
//
// The 32 slots name entities without owning them: a slot whose entity has
// been destroyed (a replayed tank removed at the end of its drive) reads as
// empty, and everything the camera follows is held weakly too. Entities
// made by "createentity" are in no list; the world keeps them alive
// (`unlistedEntities`) after the script has ended, for the camera that
// follows or aims at them.

#include "entities/Entity.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class Camera;

class ManusScript : public Entity {
  public:
    static const int slotCount = 32;
    static const int lineCapacity = 512; // bytes of the line buffer, NUL included

    char line[lineCapacity] = {};               // the line being executed
    FILE* script = nullptr;                     // owned; open between onAdded and the end
    std::weak_ptr<Camera> camera;               // made by onAdded, owned by the entity list
    std::weak_ptr<Entity> slots[slotCount];     // entity slots; empty or gone read as none
    uint32_t wakeTime = 0;                      // ms on the frame clock; no line runs before it
    const char* scriptPath = "data\\manus.txt"; // what onAdded opens (tests point it elsewhere)
    int32_t lineNumber = 0;                     // line of the script the last read began in

    ManusScript();
    ~ManusScript() override;
    void draw(Landscape&) override {}
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;

    // The entity in slot s, or none for an empty slot, a gone entity or an s
    // outside 0..31.
    Entity* slotEntity(int32_t s) const;

  private:
    const char* cursor_ = nullptr; // the rest of the line not yet split into words
    bool atLineStart_ = true;      // the next read begins a line of the script
    std::string scriptFile_;       // host form of scriptPath, for the message log

    void step(Landscape& world);
    void finish();
    const char* nextWord();
    int32_t nextInt();
    float nextReal();
    Vector3 nextVector();
    bool setSlot(int32_t s, Entity* entity);

    // The commands, in dispatch order.
    void cSetPos(Landscape& world);
    void cLookAt(Landscape& world);
    void cSetDir(Landscape& world);
    void cTracePos(Landscape& world);
    void cTraceDir(Landscape& world);
    void cSetTraceDelay(Landscape& world);
    void createEntityCommand(Landscape& world);
    void dropToFloor(Landscape& world);
    void spawn(Landscape& world);
    void getFirst(Landscape& world);
    void getLast(Landscape& world);
    void getNext(Landscape& world);
    void getPrev(Landscape& world);
    void sleep(Landscape& world);
    void quit(Landscape& world);

    struct Command {
        const char* name;
        void (ManusScript::*run)(Landscape& world);
    };
    static const Command commands[];
};
