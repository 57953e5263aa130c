#pragma once
// The world: a rectangular grid of square Sectors (sector (i, j) at index
// j * sectorsAcross + i covers x in [i*S, (i+1)*S] and z in [j*S, (j+1)*S]),
// with the texture table, the camera binding, the sun direction, fog and view
// distance and the water level. The Landscape owns its texture table, sectors
// and render list; the camera vectors are borrowed. Exactly one Landscape is
// current, reached through currentLandscape, which only the directive
// interpreter's undo ring moves.

#include "geometry/Vector3.h"
#include "image/TextureTable.h"
#include "landscape/Sector.h"
#include "landscape/TerrainLists.h"

#include <cstdint>
#include <memory>
#include <vector>

class Entity;

// Height returned where there is no terrain (bits 0xC479F99A).
const float noGround = -999.9f;

// (x, y, z) made unit by Vector3::normalize, as every stored direction is.
inline Vector3 unitVector(float x, float y, float z) {
    Vector3 v(x, y, z);
    v.normalize();
    return v;
}

class Landscape {
  public:
    static const int renderListLimit = 1024;

    TextureTable textures;               // textures of the terrain; the first member
    Vector3* cameraPosition = nullptr;   // borrowed: the point the view is taken from
    Vector3* cameraAngles = nullptr;     // borrowed: degrees, x = pitch, y = yaw, z = roll
    std::vector<Sector> sectors;         // sectorCount entries
    int32_t sectorCount = 0;             // sectorsAcross * sectorsDown
    std::vector<int32_t> renderList;     // sectors to draw this frame, nearest first
    int32_t renderCount = 0;             // entries in use in renderList
    int32_t sectorsAcross = 0;           // sectors along x
    int32_t sectorsDown = 0;             // sectors along z
    float sectorSizeX = 1.0f;            // world units per sector along x
    float sectorSizeZ = 1.0f;            // world units per sector along z
    float cullRadius = 0.0f;             // sectors farther than this are not drawn
    float fogEnd = 0.0f;                 // view distance: fog complete
    float fogDepth = 0.0f;               // length of the fog ramp before fogEnd
    float waterLevel = -1.0f;            // height of the ocean surface
    Vector3 fogColour{1.0f, 1.0f, 1.0f}; // fog and clear colour
    Vector3 sunDirection = unitVector(3.0f, 2.0f, 6.0f); // towards the sun, made unit by normalize
    Vector3 underwaterTint{0.6f, 0.6f, 1.0f};            // colour of the underwater overlay
    uint32_t frameTime = 0; // ms, tick count read once per frame by render
    // The entity list: top-level entities in list order, at most 32000. The
    // references are counted: Landscapes of the undo ring share entities, and
    // an entity lives until the last list holding it lets go (entities/).
    std::vector<std::shared_ptr<Entity>> entities;
    // Entities in no list, neither updated nor drawn, that must live as long
    // as the world: those the demo script's "createentity" makes, which a
    // camera may follow after the script has ended. Shared like the list.
    std::vector<std::shared_ptr<Entity>> unlistedEntities;

    // The recorded drawing of the sectors, one list each; never copied.
    TerrainLists terrainLists;
    // Every frame sends the terrain vertex by vertex instead of replaying the
    // recorded lists (a switch for tests and benchmarks; the pixels are the same).
    static bool immediateDrawing;

    Landscape();
    ~Landscape();
    Landscape(const Landscape&) = delete;
    Landscape& operator=(const Landscape&) = delete;

    Sector& sectorAt(int i, int j) { return sectors[size_t(j) * sectorsAcross + i]; }
    const Sector& sectorAt(int i, int j) const { return sectors[size_t(j) * sectorsAcross + i]; }

    // Grid
    void newMap(int width, int depth, int sectorSize, float stepX, float stepZ);
    void release();
    Landscape* cloneInto(Landscape* target) const;

    // Render list and drawing
    void makeRenderList();
    void render(int mode);
    void drawSectorBounds() const;
    void drawTerrain(int mode);
    // Drops the recorded drawing after an edit of the terrain; the next frame
    // records what it draws afresh.
    void invalidateLists() { terrainLists.invalidate(); }

    // Heightmap, finalize, height query, edits
    void loadBump(const float* heights, int width, int height);
    void finalize();
    float heightAt(float x, float z) const;
    void setTexture(int32_t name);
    void multVertex(float ax, float ay, float az);
    void normalizeTexCoords();
    void lowerBorder(float amount);

    // Fog and view distance
    void setViewDist(float end, float depth);
    void setFogColor(float r, float g, float b);

    // Map file
    bool save(const char* path);
    bool load(const char* path);

    // Every Landscape alive, linked in creation order, so that an entity the
    // view is bound to can let go of every binding when it is destroyed.
    static Landscape* firstAlive;
    Landscape* nextAlive = nullptr;
};

// The current Landscape; written only by the directive interpreter's undo ring.
extern Landscape* currentLandscape;
