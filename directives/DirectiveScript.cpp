#include "directives/DirectiveScript.h"

#include "landscape/Landscape.h"
#include "landscape/TerrainPool.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProgramEnd.h"
#include "platform/ScriptPlace.h"
#include "platform/SystemMemory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// Dispatch order: the first keyword equal to the whole line wins.
const DirectiveScript::Command DirectiveScript::commands[] = {
    {"newmap", &DirectiveScript::newMapDirective},
    {"loadbump", &DirectiveScript::loadBumpDirective},
    {"settexture", &DirectiveScript::setTextureDirective},
    {"undo", &DirectiveScript::undoDirective},
    {"load", &DirectiveScript::loadDirective},
    {"save", &DirectiveScript::saveDirective},
    {"multvertex", &DirectiveScript::multVertexDirective},
    {"finalize", &DirectiveScript::finalizeDirective},
    {"normalizetexcoords", &DirectiveScript::normalizeTexCoordsDirective},
    {"setsundir", &DirectiveScript::setSunDirDirective},
    {"sunlight", &DirectiveScript::sunlightDirective},
    {"traceshadows", &DirectiveScript::traceShadowsDirective},
    {"resetpos", &DirectiveScript::resetPosDirective},
    {"multsundir", &DirectiveScript::multSunDirDirective},
    {"sunambient", &DirectiveScript::sunAmbientDirective},
    {"setocean", &DirectiveScript::setOceanDirective},
    {"plantpalmtrees", &DirectiveScript::plantPalmTreesDirective},
    {"clearentities", &DirectiveScript::clearEntitiesDirective},
    {"startpaint", &DirectiveScript::startPaintDirective},
    {"maptexture", &DirectiveScript::mapTextureDirective},
    {"endpaint", &DirectiveScript::endPaintDirective},
    {"setviewdist", &DirectiveScript::setViewDistDirective},
    {"saveentities", &DirectiveScript::saveEntitiesDirective},
    {"loadentities", &DirectiveScript::loadEntitiesDirective},
    {"setfogcolor", &DirectiveScript::setFogColorDirective},
    {"createsun", &DirectiveScript::createSunDirective},
    {"createcamera", &DirectiveScript::createCameraDirective},
    {"createtank", &DirectiveScript::createTankDirective},
    {"spawn", &DirectiveScript::spawnDirective},
};

const char* DirectiveScript::keywordAt(int i) {
    const int count = int(sizeof commands / sizeof commands[0]);
    return i >= 0 && i < count ? commands[i].keyword : nullptr;
}

// Commands that change nothing a terrain sector draws; after any other command
// every Landscape of the ring records its drawing afresh. ("endpaint" may paint
// a Landscape that is no longer current, hence the whole ring.)
static bool leavesTerrainAsDrawn(const char* keyword) {
    static const char* const keywords[] = {
        "undo",         "save",           "setsundir",     "resetpos",   "multsundir",
        "setocean",     "plantpalmtrees", "clearentities", "maptexture", "setviewdist",
        "saveentities", "loadentities",   "setfogcolor",   "createsun",  "createcamera",
        "createtank",   "spawn"};
    for (const char* k : keywords)
        if (std::strcmp(k, keyword) == 0)
            return true;
    return false;
}

int directiveInt(const char* text) {
    // strtoll saturates instead of overflowing; the low 32 bits are what the C
    // library's atoi gives for numbers beyond int on this platform.
    int savedErrno = errno;
    long long value = std::strtoll(text, nullptr, 10);
    errno = savedErrno;
    return int(uint32_t(uint64_t(value)));
}

float directiveReal(const char* text) {
    return float(std::atof(text));
}

DirectiveScript::DirectiveScript() = default;

DirectiveScript::~DirectiveScript() {
    // The Landscapes go first, then the canvas and the stream (members).
    ring.destroySlots();
    terrainTrim();
    paintCanvas.release();
    reader.close();
}

void DirectiveScript::run(int n) {
    char path[48]; // "Directives\directive" + at most 11 characters + ".txt" + NUL
    std::snprintf(path, sizeof path, "Directives\\directive%i.txt", n);
    runFile(path);
}

// Every message raised on the way names the script and the line it stands on.
void DirectiveScript::runFile(const char* path) {
    runningFile = hostPath(path);
    if (!reader.open(path)) {
        ScriptPlace place(runningFile.c_str(), 0, nullptr);
        messageBox("Corrupt directive file", "Implementor Error", MB_OK);
        reader.close();
        return;
    }
    for (;;) {
        int length = reader.readLine(first, lineCapacity);
        if (!dispatch(first, length) && length > 0 && first[0] != ';') {
            ScriptPlace place(runningFile.c_str(), reader.lineNumber(), nullptr);
            messageBox("Bad directive", "", MB_OK);
        }
        if (reader.atEnd())
            break;
    }
    reader.close();
}

// A command whose memory cannot be had ends the program with "Out of memory"
// (exit status 1), once, after every worker thread of the command has
// stopped. The memory a command let go of is returned to the system after it.
bool DirectiveScript::dispatch(const char* line, int length) {
    for (const Command& command : commands) {
        if (std::strlen(command.keyword) == size_t(length) &&
            std::memcmp(command.keyword, line, size_t(length)) == 0) {
            ScriptPlace place(runningFile.c_str(), reader.lineNumber(), command.keyword);
            try {
                (this->*command.handler)();
            } catch (const std::bad_alloc&) {
                endProgram("Out of memory", 1);
            }
            if (!leavesTerrainAsDrawn(command.keyword))
                ring.invalidateLists();
            terrainTrim();
            return true;
        }
    }
    return false;
}

void DirectiveScript::releaseUndoStates() {
    ring.dropOlderStates();
    paintCanvas.release();
    paintCanvas.landscape = nullptr;
    if (lightingParams.landscape != ring.currentState())
        lightingParams.landscape = nullptr;
    terrainTrim(true);
    returnFreeMemory();
}

const char* DirectiveScript::readArgument(char* buffer) {
    reader.readLine(buffer, lineCapacity);
    return buffer;
}

int DirectiveScript::readInt() {
    return directiveInt(readArgument(first));
}

float DirectiveScript::readReal(char* buffer) {
    return directiveReal(readArgument(buffer));
}
