#include "landscape/TerrainLists.h"

#include "landscape/Sector.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

namespace {

// What the recording needs to know of one layer: its draw order, the texture
// and corner colours of a face, and its texture coordinates.
struct BaseLayer {
    static const int components = 3;
    const SharedArray<uint32_t>& order(const Sector& s) const { return s.baseOrder; }
    int32_t texture(const Sector& s, uint32_t f) const { return s.textures[f].baseTexture; }
    void colour(const Sector& s, uint32_t f, int k, float* out) const {
        const Vector3& c = s.colours[f].corner[k];
        out[0] = c.x;
        out[1] = c.y;
        out[2] = c.z;
    }
    const Vector2* texCoords(const Sector& s) const { return s.texCoords.data(); }
};

struct OverlayLayer {
    static const int components = 4;
    const SharedArray<uint32_t>& order(const Sector& s) const { return s.overlayOrder; }
    int32_t texture(const Sector& s, uint32_t f) const { return s.textures[f].overlayTexture; }
    void colour(const Sector& s, uint32_t f, int k, float* out) const {
        const Vector3& c = s.overlayColours[f].corner[k];
        out[0] = c.x;
        out[1] = c.y;
        out[2] = c.z;
        out[3] = s.overlayAlphas[f].corner[k];
    }
    const Vector2* texCoords(const Sector& s) const { return s.overlayTexCoords.data(); }
};

// Corner indices and draw orders come from map files too; a face that points
// outside the arrays is skipped, exactly as the immediate drawing skips it.
bool usableFace(const Sector& s, uint32_t f) {
    const size_t vertexLimit = std::min(std::min(s.positions.size(), s.normals.size()),
                                        std::min(s.texCoords.size(), s.overlayTexCoords.size()));
    if (f >= s.facesHeld())
        return false;
    const uint32_t* vertex = s.corners[f].vertex;
    return vertex[0] < vertexLimit && vertex[1] < vertexLimit && vertex[2] < vertexLimit;
}

} // namespace

void TerrainLists::draw(const std::vector<Sector>& sectors, const int32_t* listed, int32_t count) {
    if (entries.size() != sectors.size()) {
        invalidate();
        entries.resize(sectors.size());
    }
    ViewVolume volume;
    volume.fromCurrentMatrices();
    // The nearest third is drawn first; of the rest, what it covers is left out.
    const int32_t nearCount = count >= 6 ? count / 3 : count;
    coveredCount = 0;
    bool covering = false;
    for (int32_t k = 0; k < count; ++k) {
        if (k == nearCount)
            covering = cover.read(volume);
        size_t index = size_t(listed[k]);
        if (index >= sectors.size())
            continue;
        const Sector& sector = sectors[index];
        Entry& entry = entries[index];
        const float* box = bounds(sector, entry);
        if (sector.positions.empty() ||
            volume.excludes(box[0], box[1], box[2], box[3], box[4], box[5]))
            continue;
        if (covering && cover.hides(box)) {
            ++coveredCount;
            continue;
        }
        drawSector(sector, entry);
    }
    leaveCurrentState(sectors, listed, count);
}

// The sector's own bounds may lag behind an edit; these are exact.
const float* TerrainLists::bounds(const Sector& sector, Entry& entry) {
    if (!entry.bounded) {
        float* box = entry.box;
        for (size_t v = 0; v < sector.positions.size(); ++v) {
            const Vector3& p = sector.positions[v];
            const float xyz[3] = {p.x, p.y, p.z};
            for (int axis = 0; axis < 3; ++axis) {
                if (v == 0 || xyz[axis] < box[axis])
                    box[axis] = xyz[axis];
                if (v == 0 || xyz[axis] > box[3 + axis])
                    box[3 + axis] = xyz[axis];
            }
        }
        entry.bounded = true;
    }
    return entry.box;
}

void TerrainLists::drawSector(const Sector& sector, Entry& entry) {
    if (!entry.list.ready()) {
        if (!entry.list.begin()) {
            sector.draw(GL_TRIANGLES);
            return;
        }
        record(sector);
        entry.list.end();
    }
    entry.list.call();
}

// Sector::draw leaves current the texture of its last run and the colour,
// texture coordinate and normal of its last corner; the text overlay is tinted
// by that colour. Whichever sectors were left out, the frame ends with what
// the last listed sector that draws anything would have left.
void TerrainLists::leaveCurrentState(const std::vector<Sector>& sectors, const int32_t* listed,
                                     int32_t count) const {
    for (int32_t k = count - 1; k >= 0; --k) {
        size_t index = size_t(listed[k]);
        if (index < sectors.size() && (leaveLastCorner(sectors[index], OverlayLayer()) ||
                                       leaveLastCorner(sectors[index], BaseLayer())))
            return;
    }
}

template <typename Layer>
bool TerrainLists::leaveLastCorner(const Sector& sector, const Layer& layer) const {
    const SharedArray<uint32_t>& order = layer.order(sector);
    const size_t count = std::min(size_t(std::max(sector.faceCount, 0)), order.size());
    for (size_t i = count; i-- > 0;) {
        uint32_t f = order[i];
        if (!usableFace(sector, f) || layer.texture(sector, f) == -1)
            continue;
        glBindTexture(GL_TEXTURE_2D, GLuint(layer.texture(sector, f)));
        float colour[4];
        layer.colour(sector, f, 2, colour);
        if (Layer::components == 3)
            glColor3fv(colour);
        else
            glColor4fv(colour);
        uint32_t v = sector.corners[f].vertex[2];
        glTexCoord2fv(&layer.texCoords(sector)[v].x);
        glNormal3fv(&sector.normals[v].x);
        return true;
    }
    return false;
}

void TerrainLists::invalidate() {
    std::vector<Entry>().swap(entries);
}

size_t TerrainLists::liveCount() const {
    size_t count = 0;
    for (const Entry& entry : entries)
        count += entry.list.ready() ? 1 : 0;
    return count;
}

void TerrainLists::record(const Sector& sector) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);

    boundTexture = -1;
    glDisable(GL_BLEND);
    recordLayer(sector, BaseLayer());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    recordLayer(sector, OverlayLayer());
    glDisable(GL_BLEND);

    glPopClientAttrib();
}

// Splits the layer into runs of faces with one texture, as the immediate
// drawing splits it into batches, and binds each run's texture when it differs
// from the one bound last (which carries over from the base layer).
template <typename Layer> void TerrainLists::recordLayer(const Sector& sector, const Layer& layer) {
    const SharedArray<uint32_t>& order = layer.order(sector);
    const size_t count = std::min(size_t(std::max(sector.faceCount, 0)), order.size());
    runFaces.clear();
    for (size_t i = 0; i < count; ++i) {
        uint32_t f = order[i];
        if (!usableFace(sector, f) || layer.texture(sector, f) == -1)
            continue;
        int32_t texture = layer.texture(sector, f);
        if (texture != boundTexture) {
            recordRun(sector, layer);
            runFaces.clear();
            glBindTexture(GL_TEXTURE_2D, GLuint(texture));
            boundTexture = texture;
        }
        runFaces.push_back(f);
    }
    recordRun(sector, layer);
}

// Sends the faces of runFaces as one indexed triangle batch, in their order.
template <typename Layer> void TerrainLists::recordRun(const Sector& sector, const Layer& layer) {
    if (runFaces.empty())
        return;
    const int components = Layer::components;
    const Vector2* texCoords = layer.texCoords(sector);
    slotOfVertex.assign(sector.positions.size(), -1);
    nextSlot.clear();
    slotColours.clear();
    slotPositions.clear();
    slotTexCoords.clear();
    indices.clear();

    float colour[4];
    for (uint32_t f : runFaces) {
        for (int k = 0; k < 3; ++k) {
            uint32_t v = sector.corners[f].vertex[k];
            layer.colour(sector, f, k, colour);
            // Reuse a slot of this vertex with exactly the same colour bits.
            int32_t previous = -1;
            int32_t slot = slotOfVertex[v];
            while (slot != -1 && std::memcmp(&slotColours[size_t(slot) * 4], colour,
                                             sizeof(float) * components) != 0) {
                previous = slot;
                slot = nextSlot[size_t(slot)];
            }
            if (slot == -1) {
                slot = int32_t(nextSlot.size());
                nextSlot.push_back(-1);
                slotColours.insert(slotColours.end(), colour, colour + components);
                if (components == 3)
                    slotColours.push_back(1.0f);
                slotPositions.push_back(sector.positions[v]);
                slotTexCoords.push_back(texCoords[v]);
                if (previous == -1)
                    slotOfVertex[v] = slot;
                else
                    nextSlot[size_t(previous)] = slot;
            }
            indices.push_back(uint32_t(slot));
        }
    }

    glColorPointer(components, GL_FLOAT, 4 * sizeof(float), slotColours.data());
    glTexCoordPointer(2, GL_FLOAT, 0, slotTexCoords.data());
    glVertexPointer(3, GL_FLOAT, 0, slotPositions.data());
    glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, indices.data());
}
