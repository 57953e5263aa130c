// Directives that write and read files: "save" and "load" for the terrain's map
// file, "saveentities" and "loadentities" for the entity file.

#include "directives/DirectiveScript.h"

#include "entities/EntityFile.h"
#include "landscape/Landscape.h"

void DirectiveScript::loadDirective() {
    Landscape* landscape = pushState(false);
    readArgument(first);
    landscape->load(first);
    landscape->finalize();
}

void DirectiveScript::saveDirective() {
    readArgument(first);
    currentLandscape->save(first);
}

void DirectiveScript::saveEntitiesDirective() {
    readArgument(first);
    saveEntities(*currentLandscape, first);
}

// The entities of the current Landscape are replaced by the file's.
void DirectiveScript::loadEntitiesDirective() {
    readArgument(first);
    loadEntities(*currentLandscape, first);
}
