// Demo scripts: any bytes are played as "data\manus.txt" on a small map with
// a few entities, the clock jumping to each wake time, until the script ends
// or a thousand frames have passed. A record file that a "spawn" names is read
// only inside the scratch folder: the engine refuses paths that lead outside.

#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "landscape/Landscape.h"
#include "manus/ManusScript.h"
#include "platform/Input.h"
#include "tests/fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] {
        return std::vector<std::string>{
            "csetpos 10 5 10 300\ncsetdir 10 45 0 200\ncsettracedelay 50\n"
            "getfirst 0 2\nclookat 0\nsleep 100\ngetnext 0\nctracepos 0\nctracedir 0\n"
            "getlast 1 2\ngetprev 1\ncreateentity 2 6 5 5 5 0 90 0\ndroptofloor 2\n"
            "spawn 3 7 data\\records\\none.rec\nctracepos 3\nsleep 50\ndroptofloor 3\nquit\n",
            "this line is a comment\n  sleep   20  more\nsleep\t5\ncreateentity 31 5\n"
            "createentity 32 4\nspawn -1 2 x\nspawn 4 8 y\nsleep -5\n"};
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::fs::create_directories("data");
    fuzzkit::writeBytes("data/manus.txt", data, size);
    {
        Landscape world;
        world.newMap(32, 32, 8, 1.0f, 1.0f);
        world.finalize();
        for (int32_t type : {PalmTreeType, SunType, PalmTreeType, SkyType, PalmTreeType})
            addEntity(world, createEntity(type));
        world.frameTime = 1000;
        auto script = std::make_shared<ManusScript>();
        std::weak_ptr<ManusScript> running = script;
        addEntity(world, std::move(script));
        for (int frame = 0; frame < 1000 && !running.expired(); ++frame) {
            for (size_t i = 0; i < world.entities.size(); ++i)
                world.entities[i]->updateTree(world, world.frameTime);
            processPending(world);
            uint32_t next = world.frameTime + 16;
            if (std::shared_ptr<ManusScript> runner = running.lock()) {
                if (int32_t(runner->wakeTime - world.frameTime) > 16)
                    next = runner->wakeTime; // skip a long sleep
            }
            world.frameTime = next;
        }
    }
    clearKeys();
    fuzzkit::clearScratch();
    fuzzkit::deleteAllTextures();
    return 0;
}
