#pragma once
// The world the program shows and how it is built. The map builder (a
// DirectiveScript) owns every Landscape of the world, and through them every
// entity, model, display list and texture; a WorldBuild owns the map builder.
//
// The first build runs directive script 9, draws one frame unseen so that the
// entities have been updated and placed once, and, once the user has chosen,
// runs script 6 or 4 and lets the undo states behind the current one go.
// A rebuild (--watch) does the same again between two frames into a fresh map
// builder, with the same random seed and the same chosen script, after
// letting the previous world go whole; the view stays where it was. While a
// build runs, the watch records every file it opens, so that a change of any
// of them, or of a script under Directives/, can be noticed afterwards.

#include "directives/DirectiveScript.h"
#include "platform/FileWatch.h"

#include <cstdint>
#include <functional>
#include <memory>

class Walker;

class WorldBuild {
  public:
    std::unique_ptr<DirectiveScript> directives; // the world; none before begin
    FileWatch watch;                             // the files the last build came from
    bool watching = false;                       // record reads and notice changes
    uint32_t seed = 0;                           // random seed of every build
    int chosenScript = 0;                        // 6 or 4 once chosen; 0 before

    explicit WorldBuild(Walker& walker) : walker(walker) {}

    // Lets any world go and starts a fresh one: an empty first Landscape with
    // the start-up view distance and white fog, seen from the walker, and
    // the random generator seeded with seed.
    void begin();
    // Runs script 9 and renders one frame unseen.
    void runBase();
    // Runs the chosen script, 6 or 4, and ends the build: no directive runs
    // any more, so the undo states behind the current one are let go.
    void runChosen(int script);

    // Builds the world again and returns the milliseconds it took (real
    // time). showLoading draws the loading screen once the fresh world has
    // begun, as at start-up. The view keeps the position and angles of
    // whatever it was seen from (the walker, or a script's camera).
    uint32_t rebuild(const std::function<void()>& showLoading);

  private:
    Walker& walker;
};
