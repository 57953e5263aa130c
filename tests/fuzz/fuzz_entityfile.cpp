// Entity files: any bytes are loaded as the entity list of a small map
// (placed, then saved again). Whatever a file claims, loading must stay
// within its bytes.

#include "entities/EntityFactory.h"
#include "entities/EntityFile.h"
#include "entities/EntityList.h"
#include "entities/Ocean.h"
#include "landscape/Landscape.h"
#include "tests/fuzz/FuzzKit.h"

static void makeMap(Landscape& world) {
    world.newMap(32, 32, 8, 1.0f, 1.0f);
    world.finalize();
}

static std::string savedEntities() {
    Landscape world;
    makeMap(world);
    for (int32_t type : {SkyType, SunType, PalmTreeType, UnderwaterTintType, CameraType, MarkerType,
                         PlainEntityType}) {
        std::shared_ptr<Entity> entity = createEntity(type);
        entity->position = Vector3(float(type) * 3.0f, 1.0f, 20.0f);
        addEntity(world, entity);
    }
    auto ocean = std::make_shared<Ocean>();
    ocean->setCorners(0, 0, 8, 8, 0);
    ocean->setCornerTexCoords(0.8f, 1.6f, 10.0f);
    ocean->position = Vector3(8.0f, 2.0f, 16.0f);
    addEntity(world, ocean);
    saveEntities(world, "seed.ent");
    return fuzzkit::readBytes("seed.ent");
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] { return std::vector<std::string>{savedEntities()}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.ent", data, size);
    {
        Landscape world;
        makeMap(world);
        loadEntities(world, "input.ent");
        placeEntities(world);
        saveEntities(world, "output.ent");
    }
    fuzzkit::clearScratch();
    fuzzkit::deleteAllTextures();
    return 0;
}
