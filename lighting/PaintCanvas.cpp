#include "lighting/PaintCanvas.h"

#include "image/Texture.h"
#include "landscape/Landscape.h"
#include "platform/WorkerPool.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>

void PaintCanvas::release() {
    cells.reset();
    cellCount = 0;
    width = 0;
    height = 0;
}

void PaintCanvas::begin(Landscape* target) {
    release();
    landscape = target;
    if (!target || target->sectorCount <= 0 || target->sectors.empty())
        return;

    const Sector& first = target->sectors[0];
    if (first.columns < 1 || first.rows < 1 || target->sectorsAcross < 1 || target->sectorsDown < 1)
        return;
    int64_t across = int64_t(first.columns - 1) * target->sectorsAcross + 1;
    int64_t down = int64_t(first.rows - 1) * target->sectorsDown + 1;
    int64_t count = across * down;
    if (count > std::numeric_limits<int32_t>::max())
        return;

    // Every cell starts blank: textures -1, weights -1.0 (PaintCell's defaults).
    cells.reset(new (std::nothrow) PaintCell[size_t(count)]);
    if (!cells)
        return;
    width = int32_t(across);
    height = int32_t(down);
    cellCount = int32_t(count);
}

bool PaintCanvas::mapTexture(const char* maskPath, const char* texturePath, int layer) {
    if (!cells || !landscape)
        return false;
    if (layer != 0 && layer != 1)
        return false;

    Texture mask;
    if (!mask.loadBmp(maskPath) || !mask.pixels || mask.bytesPerPixel < 1)
        return false;
    // The dump is a by-product for whoever draws the masks: a missing
    // data\dumps folder is said once per run on standard error, not in a
    // box at every "maptexture".
    static bool dumpFailureSaid = false;
    if (!mask.writeBmp(dumpPath) && !dumpFailureSaid) {
        std::fprintf(stderr, "kestu: could not write the mask dump %s\n", dumpPath);
        dumpFailureSaid = true;
    }

    // The texture goes into the painted map's own table, so that the map file
    // written from it can name every texture its faces use.
    int index = landscape->textures.loadBmpTexture(texturePath, 2);
    uint32_t name = landscape->textures.textureNameAt(index);

    // The top row of the picture paints the smallest z, its left column the
    // smallest x; the last canvas row and column are never painted. A mask
    // smaller than the canvas paints only the cells it covers.
    const int paintedRows = std::min<int>(height - 1, mask.height);
    const int paintedColumns = std::min<int>(width - 1, mask.width);
    const size_t stride = mask.bytesPerPixel;
    for (int r = 0; r < paintedRows; r++) {
        for (int c = 0; c < paintedColumns; c++) {
            uint8_t v = mask.pixels[(size_t(mask.width) * r + c) * stride];
            if (v != 0)
                cellAt(c, r).assign(name, float(v) * maskByteToWeight, layer);
        }
    }
    return true;
}

bool PaintCanvas::terrainMatchesCanvas() const {
    const Landscape& map = *landscape;
    if (map.sectorCount <= 0 || map.sectorsAcross < 1 || map.sectorsDown < 1 ||
        int64_t(map.sectorsAcross) * map.sectorsDown != map.sectorCount ||
        map.sectors.size() < size_t(map.sectorCount))
        return false;
    const int columns = map.sectors[0].columns;
    const int rows = map.sectors[0].rows;
    if (columns < 1 || rows < 1)
        return false;
    if (int64_t(columns - 1) * map.sectorsAcross + 1 != width ||
        int64_t(rows - 1) * map.sectorsDown + 1 != height)
        return false;
    const size_t cellFaces = size_t(2) * (columns - 1) * (rows - 1);
    for (int s = 0; s < map.sectorCount; s++) {
        const Sector& sector = map.sectors[s];
        if (sector.columns != columns || sector.rows != rows || sector.facesHeld() < cellFaces)
            return false;
    }
    return true;
}

// Calls visit(sector, x0, z0) for every sector, where (x0, z0) is the canvas
// cell at the sector's first vertex. Sectors are painted apart from each other
// (the canvas is only read), on all cores.
template <typename Visit> static void forEachSector(Landscape& map, Visit visit) {
    WorkerPool::shared().forEach(
        map.sectorsAcross * map.sectorsDown, 16, [&](int begin, int end, int) {
            for (int s = begin; s < end; ++s) {
                const int i = s % map.sectorsAcross;
                const int j = s / map.sectorsAcross;
                Sector& sector = map.sectorAt(i, j);
                visit(sector, i * (sector.columns - 1), j * (sector.rows - 1));
            }
        });
}

bool PaintCanvas::finish() {
    if (!cells || !landscape || !terrainMatchesCanvas())
        return false;

    // Face f of a sector belongs to grid cell k = f / 2, whose first corner is
    // the canvas cell (x0 + k % cellsAcross, z0 + k / cellsAcross).
    forEachSector(*landscape, [this](Sector& sector, int x0, int z0) {
        const size_t cellsAcross = size_t(sector.columns - 1);
        const size_t cellFaces = 2 * cellsAcross * size_t(sector.rows - 1);
        auto cellOf = [&](size_t f, int dx, int dz) -> const PaintCell& {
            size_t k = f / 2;
            return cellAt(x0 + int(k % cellsAcross) + dx, z0 + int(k / cellsAcross) + dz);
        };
        // First: both faces of a cell take the textures of the canvas cell at
        // the cell's first corner.
        sector.textures.update([&](size_t f, FaceTextures& face) {
            if (f >= cellFaces)
                return;
            const PaintCell& cell = cellOf(f, 0, 0);
            face.baseTexture = int32_t(cell.texture[0]);
            face.overlayTexture = int32_t(cell.texture[1]);
        });
        // Then every corner's overlay alpha is the coverage, at the corner's
        // own canvas cell, of the overlay texture its face carries.
        sector.overlayAlphas.update([&](size_t f, FaceAlphas& face) {
            if (f >= cellFaces)
                return;
            const uint32_t overlay = cellOf(f, 0, 0).texture[1];
            if (f % 2 == 0) {
                face.corner[0] = cellOf(f, 0, 0).overlayWeight(overlay, 1);
                face.corner[1] = cellOf(f, 1, 0).overlayWeight(overlay, 1);
                face.corner[2] = cellOf(f, 0, 1).overlayWeight(overlay, 1);
            } else {
                face.corner[0] = cellOf(f, 1, 1).overlayWeight(overlay, 1);
                face.corner[1] = cellOf(f, 1, 0).overlayWeight(overlay, 1);
                face.corner[2] = cellOf(f, 0, 1).overlayWeight(overlay, 1);
            }
        });
    });
    return true;
}
