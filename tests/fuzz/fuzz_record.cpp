// Record files: any bytes are played back, on a tank (two registered angle
// vectors, parts that turn and fire with the replayed slots) and on a plain
// entity, frame by frame and then in one jump to the end of the file.
// Whatever the samples claim, playback must stay within the entity.

#include "entities/EntityList.h"
#include "entities/Tank.h"
#include "landscape/Landscape.h"
#include "platform/Input.h"
#include "tests/fuzz/FuzzKit.h"

static void makeMap(Landscape& world) {
    world.newMap(32, 32, 8, 1.0f, 1.0f);
    world.finalize();
}

static void runFrame(Landscape& world) {
    world.frameTime += 37;
    for (size_t i = 0; i < world.entities.size(); ++i)
        world.entities[i]->updateTree(world, world.frameTime);
    processPending(world);
}

// A short drive of a tank recorded by the engine: forward, turning, firing.
static std::string recordedDrive() {
    Landscape world;
    makeMap(world);
    world.frameTime = 1000;
    auto tank = std::make_shared<Tank>();
    tank->position = Vector3(16.0f, 1.0f, 16.0f);
    addEntity(world, tank);
    tank->startRecording("seed.rec", world.frameTime, 200);
    for (int key : {Tank::keyForward, Tank::keyTurnLeft, Tank::keyAimRight, Tank::keyFire}) {
        KeyState[key] = 1;
        for (int frame = 0; frame < 15; ++frame)
            runFrame(world);
    }
    clearKeys();
    tank->stopRecording();
    return fuzzkit::readBytes("seed.rec");
}

static void play(std::shared_ptr<Entity> entity) {
    Landscape world;
    makeMap(world);
    world.frameTime = 1000;
    addEntity(world, entity);
    processPending(world);
    entity->startPlayback("input.rec", world.frameTime);
    for (int frame = 0; frame < 200 && entity->recordMode == 1; ++frame)
        runFrame(world);
    // The largest elapsed time there is: every sample left is read.
    entity->playback(entity->recordStart - 1);
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] { return std::vector<std::string>{recordedDrive()}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.rec", data, size);
    play(std::make_shared<Tank>());
    play(std::make_shared<Entity>());
    fuzzkit::clearScratch();
    fuzzkit::deleteAllTextures();
    return 0;
}
