#include "app/WorldBuild.h"

#include "app/Walker.h"
#include "landscape/Landscape.h"
#include "platform/Random.h"

#include <GL/gl.h>

#include <chrono>

void WorldBuild::begin() {
    // The previous world goes first, whole: its Landscapes, entities, models,
    // display lists and textures, before the new one takes memory.
    directives.reset();
    if (watching)
        watch.startRecording("Directives");
    directives.reset(new DirectiveScript());
    currentLandscape->setViewDist(40.0f, 5.0f);
    currentLandscape->finalize();
    currentLandscape->cameraPosition = &walker.position;
    currentLandscape->cameraAngles = &walker.angles;
    currentLandscape->setFogColor(1.0f, 1.0f, 1.0f);
    seedRandom(seed);
}

void WorldBuild::runBase() {
    directives->run(9);
    currentLandscape->render(GL_TRIANGLES);
}

void WorldBuild::runChosen(int script) {
    chosenScript = script;
    directives->run(script);
    directives->releaseUndoStates();
    if (watching)
        watch.stopRecording();
}

uint32_t WorldBuild::rebuild(const std::function<void()>& showLoading) {
    auto start = std::chrono::steady_clock::now();
    const Vector3* position = currentLandscape ? currentLandscape->cameraPosition : nullptr;
    const Vector3* angles = currentLandscape ? currentLandscape->cameraAngles : nullptr;
    const bool keepView = position != nullptr && angles != nullptr;
    const Vector3 viewPosition = keepView ? *position : Vector3();
    const Vector3 viewAngles = keepView ? *angles : Vector3();

    begin();
    if (showLoading)
        showLoading();
    runBase();
    runChosen(chosenScript);

    if (keepView && currentLandscape->cameraPosition && currentLandscape->cameraAngles) {
        *currentLandscape->cameraPosition = viewPosition;
        *currentLandscape->cameraAngles = viewAngles;
    }
    auto taken = std::chrono::steady_clock::now() - start;
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(taken).count());
}
