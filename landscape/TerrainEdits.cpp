// Whole-map edits: one base texture everywhere, scaling about the origin,
// texture coordinates from ground positions, and moving the map's outer border.
// None of them touches normals or face bases; finalize brings those up to date.

#include "landscape/Landscape.h"

void Landscape::setTexture(int32_t name) {
    invalidateLists();
    for (Sector& sector : sectors)
        sector.setBaseTexture(name);
}

void Landscape::multVertex(float ax, float ay, float az) {
    invalidateLists();
    for (Sector& sector : sectors) {
        sector.positions.update([=](size_t, Vector3& p) { p.set(p.x * ax, p.y * ay, p.z * az); });
        sector.computeBounds();
        sector.stepX *= ax;
        sector.stepZ *= az;
    }
    sectorSizeX *= ax;
    sectorSizeZ *= az;
}

void Landscape::normalizeTexCoords() {
    invalidateLists();
    for (Sector& sector : sectors) {
        sector.texCoordsFromPositions();
        sector.copyTexCoordsToOverlay();
    }
}

// Lowers one vertex by amount if the sector really has it. Only the sectors
// along the border get positions of their own.
static void lowerVertex(Sector& sector, int column, int row, float amount) {
    size_t v = size_t(row) * size_t(sector.columns) + size_t(column);
    if (v < sector.positions.size())
        sector.positions.write()[v].y -= amount;
}

void Landscape::lowerBorder(float amount) {
    invalidateLists();
    if (sectorsAcross <= 0 || sectorsDown <= 0 ||
        size_t(sectorsAcross) * size_t(sectorsDown) > sectors.size())
        return;
    // Each edge in turn; the map's four corners lie on two edges and move twice.
    for (int i = 0; i < sectorsAcross; ++i) {
        Sector& s = sectorAt(i, 0);
        for (int c = 0; c < s.columns; ++c)
            lowerVertex(s, c, 0, amount);
    }
    for (int i = 0; i < sectorsAcross; ++i) {
        Sector& s = sectorAt(i, sectorsDown - 1);
        for (int c = 0; c < s.columns; ++c)
            lowerVertex(s, c, s.rows - 1, amount);
    }
    for (int j = 0; j < sectorsDown; ++j) {
        Sector& s = sectorAt(0, j);
        for (int r = 0; r < s.rows; ++r)
            lowerVertex(s, 0, r, amount);
    }
    for (int j = 0; j < sectorsDown; ++j) {
        Sector& s = sectorAt(sectorsAcross - 1, j);
        for (int r = 0; r < s.rows; ++r)
            lowerVertex(s, s.columns - 1, r, amount);
    }
}
