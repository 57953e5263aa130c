// Directives that write and read files: "save" and "load" for the terrain's map
// file, "saveentities" and "loadentities" for the entity file.

#include "directives/DirectiveScript.h"

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

// The entity file belongs to the entities, which this build does not have yet:
// the file name is read so that the script goes on at the right line.
void DirectiveScript::saveEntitiesDirective() {
    readArgument(first);
}

void DirectiveScript::loadEntitiesDirective() {
    readArgument(first);
}
