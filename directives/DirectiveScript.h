#pragma once
// The map builder: runs the numbered directive scripts "Directives\directive%i.txt"
// that create and shape the world line by line (terrain, textures, light,
// painting, entities, map files). A keyword stands alone on its line; each
// argument stands alone on one of the lines that follow it. Empty lines and
// lines starting with ';' are comments; any other unknown line is reported as
// "Bad directive" and skipped. No line of any file stops a run.
//
// A DirectiveScript is the world under construction: it owns every Landscape
// through its UndoRing, and through them every entity, and every texture
// loaded while it exists. It keeps its lighting block and paint canvas between
// runs, so a later script continues from the world an earlier one left; the
// world is let go whole when it is destroyed.

#include "directives/DirectiveReader.h"
#include "directives/UndoRing.h"
#include "image/TextureOwner.h"
#include "lighting/LightingParams.h"
#include "lighting/PaintCanvas.h"

#include <cstdint>
#include <memory>
#include <string>

class Camera;
class Landscape;

class DirectiveScript {
  public:
    static constexpr int lineCapacity = 1024;     // bytes per line buffer, NUL included
    static constexpr int imageNameCapacity = 256; // bytes read for a height-image name

    TextureOwner textureOwner;      // the world's GL textures; goes last, after every Landscape
    LightingParams lightingParams;  // sun direction and colours handed to the lighting operations
    UndoRing ring;                  // the five Landscapes and the current one
    DirectiveReader reader;         // the script being run; open only inside run
    std::string runningFile;        // host form of the path of the script run last
    char first[lineCapacity] = {};  // keyword lines and most arguments
    char second[lineCapacity] = {}; // second argument of multi-line commands
    char third[lineCapacity] = {};  // third argument of multi-line commands
    PaintCanvas paintCanvas;        // texture painting between startpaint and endpaint
    std::weak_ptr<Camera> latestCamera; // made by the latest "createcamera"; gone once destroyed

    static constexpr int palmTreeCount = 500;   // trees "plantpalmtrees" plants
    static constexpr int palmAttempts = 100000; // positions it draws at most

    DirectiveScript();
    ~DirectiveScript();
    DirectiveScript(const DirectiveScript&) = delete;
    DirectiveScript& operator=(const DirectiveScript&) = delete;

    // Executes "Directives\directive<n>.txt" from the working directory.
    void run(int n);
    // Executes the script at the given path (backslashes allowed).
    void runFile(const char* path);

    Landscape* pushState(bool copy) { return ring.pushState(copy); }

    // The i-th keyword of the command table in dispatch order, or null past the last.
    static const char* keywordAt(int i);

    // Called once the last script has run: no directive can step back any
    // more, so the states behind the current one, with their recorded drawing,
    // and the paint canvas are let go and their memory returned, with all
    // the heap memory the build freed.
    void releaseUndoStates();

    // What "newmap" makes of its arguments on a machine with this much physical
    // memory (0: not known): a grid to build, arguments that are not positive
    // or give counts beyond 32 bits, or an undo ring too large for the machine.
    enum class NewMapSize { accepted, invalid, tooLarge };
    static NewMapSize newMapSize(int width, int depth, int sectorSize, int resolution,
                                 uint64_t machineBytes);

  private:
    struct Command {
        const char* keyword;
        void (DirectiveScript::*handler)();
    };
    static const Command commands[];

    bool dispatch(const char* line, int length);

    // Argument lines: read into one of the three buffers, converted like atoi / atof.
    const char* readArgument(char* buffer);
    int readInt();
    float readReal(char* buffer);
    Vector3 readVector();
    Landscape* pushFinalizedCopy();

    // Terrain and view
    void newMapDirective();
    void loadBumpDirective();
    void setTextureDirective();
    void undoDirective();
    void multVertexDirective();
    void finalizeDirective();
    void normalizeTexCoordsDirective();
    void resetPosDirective();
    void setViewDistDirective();
    void setFogColorDirective();

    // Map and entity files
    void loadDirective();
    void saveDirective();
    void saveEntitiesDirective();
    void loadEntitiesDirective();

    // Lighting and painting
    void setSunDirDirective();
    void multSunDirDirective();
    void sunAmbientDirective();
    void sunlightDirective();
    void traceShadowsDirective();
    void startPaintDirective();
    void mapTextureDirective();
    void endPaintDirective();

    // Scene
    void setOceanDirective();
    void plantPalmTreesDirective();
    void clearEntitiesDirective();
    void createSunDirective();
    void createCameraDirective();
    void createTankDirective();
    void spawnDirective();
};

// Text to number conversions of directive arguments: leading white space, an
// optional sign, digits up to the first other character; text that is not a
// number gives 0. Integers outside 32 bits wrap as the C library's atoi does
// on this platform; reals are converted like atof and stored as floats.
int directiveInt(const char* text);
float directiveReal(const char* text);
