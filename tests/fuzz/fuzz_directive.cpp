// Directive scripts: any bytes are run as a script on a fresh interpreter, in
// batch mode, with the camera bound as the program binds it, and must leave the
// undo ring naming the current Landscape. Every file a script loads or saves
// stays in the scratch folder: the engine refuses paths that lead outside
// (platform/FileSystem.h), and they read as missing.
// A designed ending ("Out of memory" for a map too large) ends the input's
// script there.

#include "directives/DirectiveScript.h"
#include "landscape/Landscape.h"
#include "tests/fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] {
        return std::vector<std::string>{
            "newmap\n8\n8\n4\n1\nloadbump\nseed.bmp\n0.5\nsettexture\nseed.bmp\n"
            "multvertex\n1\n2\n1\nfinalize\nnormalizetexcoords\nsetsundir\n3\n2\n6\n"
            "multsundir\n0.8\nsunambient\n0.2\n0.2\n0.3\nsunlight\n1\n0.9\n0.8\n",
            "newmap\n16\n16\n8\n2\ntraceshadows\n0.3\n0.3\n0.4\nstartpaint\nmaptexture\n"
            "seed.bmp\nseed.bmp\n1\nendpaint\nsave\nout.map\nundo\nload\nout.map\nresetpos\n"
            "setviewdist\n150\n40\nsetfogcolor\n0.5\n0.6\n0.7\n; comment\n"};
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.txt", data, size);
    fuzzkit::runUntilEnded([] {
        DirectiveScript script;
        Vector3 eye(10, 5, 10), angles(0, 135, 0);
        currentLandscape->cameraPosition = &eye;
        currentLandscape->cameraAngles = &angles;
        script.runFile("input.txt");
        // Whatever ran, the current Landscape is the one in the ring's current slot.
        if (currentLandscape == nullptr ||
            currentLandscape != script.ring.slots[script.ring.current])
            std::abort();
    });
    fuzzkit::clearScratch();
    fuzzkit::deleteAllTextures();
    return 0;
}
