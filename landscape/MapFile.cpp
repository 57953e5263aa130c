#include "landscape/MapFile.h"

#include "image/TextureTable.h"
#include "io/BinaryStream.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

const size_t faceWords = sizeof(SectorFace) / 4; // every field of a face is 32 bits wide
const uint32_t largestCount = 0xFFFF;            // counts are 16 bits wide in the file

void writeMapHeader(BinaryWriter& out, const MapHeader& h) {
    out.u16(h.version);
    out.u16(h.sectorsAcross);
    out.u16(h.sectorsDown);
    out.zeros(2);
    out.f32(h.sectorSizeX);
    out.f32(h.sectorSizeZ);
    out.f32(h.fogEnd);
    out.f32(h.fogDepth);
    out.f32(h.waterLevel);
    out.words(&h.fogColour, 3);
    out.words(&h.sunDirection, 3);
}

MapHeader readMapHeader(BinaryReader& in) {
    MapHeader h;
    h.version = in.u16();
    h.sectorsAcross = in.u16();
    h.sectorsDown = in.u16();
    h.padding = in.u16();
    h.sectorSizeX = in.f32();
    h.sectorSizeZ = in.f32();
    h.fogEnd = in.f32();
    h.fogDepth = in.f32();
    h.waterLevel = in.f32();
    in.words(&h.fogColour, 3);
    in.words(&h.sunDirection, 3);
    return h;
}

// True when the sector's grid can be described by the 16-bit counts of the file.
bool fitsMapFile(const Sector& sector) {
    return sector.vertexCount >= 0 && uint32_t(sector.vertexCount) <= largestCount &&
           sector.faceCount >= 0 && uint32_t(sector.faceCount) <= largestCount &&
           sector.columns >= 0 && uint32_t(sector.columns) <= largestCount && sector.rows >= 0 &&
           uint32_t(sector.rows) <= largestCount &&
           sector.positions.size() >= size_t(sector.vertexCount) &&
           sector.normals.size() >= size_t(sector.vertexCount) &&
           sector.texCoords.size() >= size_t(sector.vertexCount) &&
           sector.overlayTexCoords.size() >= size_t(sector.vertexCount) &&
           sector.facesHeld() >= size_t(sector.faceCount);
}

// True when a step read from a file is one the sector's own vertices bear
// out: finite, positive and, where the grid has more than one vertex along
// the axis, equal to the spacing of its first and last vertex within float
// rounding. A step that does not describe the grid would send the height
// query to cells far outside it.
bool stepMatchesGrid(float step, float first, float last, int32_t intervals) {
    if (!(step > 0.0f) || !std::isfinite(step))
        return false;
    if (intervals < 1)
        return true;
    double spacing = (double(last) - double(first)) / intervals;
    double rounding =
        8.0 * FLT_EPSILON * std::max(std::fabs(double(first)), std::fabs(double(last)));
    return std::fabs(spacing - double(step)) <= 1e-4 * double(step) + rounding / intervals;
}

} // namespace

void Sector::collectTextures(TextureTable& table) const {
    for (int32_t f = 0; f < faceCount; ++f) {
        if (textures[f].baseTexture != -1)
            table.markUsed(uint32_t(textures[f].baseTexture));
        if (textures[f].overlayTexture != -1)
            table.markUsed(uint32_t(textures[f].overlayTexture));
    }
}

bool Sector::write(FILE* stream, const TextureTable& table) const {
    if (!fitsMapFile(*this))
        return false;
    BinaryWriter out(stream);
    out.u16(uint16_t(vertexCount));
    out.u16(uint16_t(faceCount));
    out.f32(stepX);
    out.f32(stepZ);
    out.u16(uint16_t(columns));
    out.u16(uint16_t(rows));
    out.words(positions.data(), size_t(vertexCount) * 3);
    out.words(normals.data(), size_t(vertexCount) * 3);
    out.words(texCoords.data(), size_t(vertexCount) * 2);
    out.words(overlayTexCoords.data(), size_t(vertexCount) * 2);

    // The file holds whole face records with texture indices: they are
    // assembled from the parts a block at a time.
    const int32_t blockFaces = 64;
    SectorFace block[blockFaces];
    for (int32_t first = 0; first < faceCount; first += blockFaces) {
        int32_t n = faceCount - first < blockFaces ? faceCount - first : blockFaces;
        for (int32_t k = 0; k < n; ++k) {
            block[k] = face(first + k);
            block[k].baseTexture = table.findByTextureName(uint32_t(block[k].baseTexture));
            block[k].overlayTexture = table.findByTextureName(uint32_t(block[k].overlayTexture));
        }
        out.words(block, size_t(n) * faceWords);
    }
    return out.good();
}

bool Sector::read(FILE* stream, const TextureTable& table) {
    BinaryReader in(stream);
    SectorHeader h;
    h.vertexCount = in.u16();
    h.faceCount = in.u16();
    h.stepX = in.f32();
    h.stepZ = in.f32();
    h.columns = in.u16();
    h.rows = in.u16();
    if (!in.good() || h.columns == 0 || h.rows == 0)
        return false;

    // The counts must describe the grid they come with, and the arrays must be
    // in the file, before anything is allocated.
    uint64_t gridVertices = uint64_t(h.columns) * h.rows;
    uint64_t gridFaces = 2 * uint64_t(h.columns - 1) * uint64_t(h.rows - 1);
    if (h.vertexCount != gridVertices || h.faceCount != gridFaces)
        return false;
    if (in.remaining() < gridVertices * vertexRecordBytes + gridFaces * faceRecordBytes)
        return false;

    init(0, 0, float(h.columns - 1), float(h.rows - 1), 1, 1);
    if (columns != h.columns || rows != h.rows || vertexCount != int32_t(gridVertices) ||
        faceCount != int32_t(gridFaces))
        return false;
    stepX = h.stepX;
    stepZ = h.stepZ;
    faceCount = h.faceCount;

    in.words(positions.overwrite(gridVertices), gridVertices * 3);
    in.words(normals.overwrite(gridVertices), gridVertices * 3);
    in.words(texCoords.overwrite(gridVertices), gridVertices * 2);
    in.words(overlayTexCoords.overwrite(gridVertices), gridVertices * 2);
    if (!readFaces(in, table) || !in.good())
        return false;
    texCoords.shareIfEqual(overlayTexCoords);
    const Vector3& origin = positions[0];
    return stepMatchesGrid(stepX, origin.x, positions[size_t(columns) - 1].x, columns - 1) &&
           stepMatchesGrid(stepZ, origin.z, positions[size_t(rows - 1) * columns].z, rows - 1);
}

// The face records, a block at a time, taken apart into the parts; the
// texture indices of the file become the table's names. False when a corner
// lies outside the grid.
bool Sector::readFaces(BinaryReader& in, const TextureTable& table) {
    const size_t count = size_t(faceCount);
    FaceColours* colour = colours.overwrite(count);
    FaceColours* overlayColour = overlayColours.overwrite(count);
    FaceAlphas* alpha = overlayAlphas.overwrite(count);
    FaceTextures* texture = textures.overwrite(count);
    FaceCorners* corner = corners.overwrite(count);
    Matrix3* basis = basisInverses.overwrite(count);
    const size_t blockFaces = 64;
    SectorFace block[blockFaces];
    for (size_t first = 0; first < count; first += blockFaces) {
        size_t n = std::min(blockFaces, count - first);
        in.words(block, n * faceWords);
        if (!in.good())
            return false;
        for (size_t k = 0; k < n; ++k) {
            const SectorFace& record = block[k];
            const size_t f = first + k;
            for (int c = 0; c < 3; ++c) {
                if (record.vertex[c] >= size_t(vertexCount))
                    return false;
                colour[f].corner[c] = record.colour[c];
                const Vector4& rgba = record.overlayColour[c];
                overlayColour[f].corner[c] = Vector3(rgba.r, rgba.g, rgba.b);
                alpha[f].corner[c] = rgba.a;
                corner[f].vertex[c] = record.vertex[c];
            }
            texture[f].baseTexture = int32_t(table.textureNameAt(record.baseTexture));
            texture[f].overlayTexture = int32_t(table.textureNameAt(record.overlayTexture));
            basis[f] = record.basisInverse;
        }
    }
    colours.shareIfEqual(overlayColours);
    return true;
}

bool Landscape::save(const char* path) {
    // A grid the 16-bit counts cannot describe would be written corrupt:
    // refuse it before the file is touched.
    if (sectorsAcross < 0 || uint32_t(sectorsAcross) > largestCount || sectorsDown < 0 ||
        uint32_t(sectorsDown) > largestCount || sectorCount < 0 ||
        int64_t(sectorCount) != int64_t(sectorsAcross) * sectorsDown ||
        sectors.size() < size_t(sectorCount))
        return false;
    for (int32_t s = 0; s < sectorCount; ++s) {
        if (!fitsMapFile(sectors[s]))
            return false;
    }

    MapHeader header;
    header.version = mapFileVersion;
    header.sectorsAcross = uint16_t(sectorsAcross);
    header.sectorsDown = uint16_t(sectorsDown);
    header.padding = 0;
    header.sectorSizeX = sectorSizeX;
    header.sectorSizeZ = sectorSizeZ;
    header.fogEnd = fogEnd;
    header.fogDepth = fogDepth;
    header.waterLevel = waterLevel;
    header.fogColour = fogColour;
    header.sunDirection = sunDirection;

    FILE* stream = openFile(path, "wb");
    if (stream == nullptr)
        return false;
    BinaryWriter out(stream);
    writeMapHeader(out, header);

    // Only the textures the terrain uses are kept, renumbered in order of first use.
    textures.usedCount = 0;
    for (int32_t s = 0; s < sectorCount; ++s)
        sectors[s].collectTextures(textures);
    textures.keepUsedOnly();

    bool written = out.good() && textures.write(stream);
    for (int32_t s = 0; s < sectorCount && written; ++s)
        written = sectors[s].write(stream, textures);
    if (std::fclose(stream) != 0)
        written = false;
    return written;
}

bool Landscape::load(const char* path) {
    release();
    // Whatever goes wrong, the Landscape is left without terrain and without a
    // grid for anything to index; its other settings stay as they were.
    sectorsAcross = 0;
    sectorsDown = 0;
    FILE* stream = openFile(path, "rb");
    if (stream == nullptr)
        return false;
    BinaryReader in(stream);
    MapHeader header = readMapHeader(in);
    if (!in.good() || header.version != mapFileVersion) {
        std::fclose(stream);
        return false;
    }

    bool complete = textures.read(stream);
    uint64_t count = uint64_t(header.sectorsAcross) * header.sectorsDown;
    std::vector<Sector> loaded;
    if (complete && count * smallestSectorRecord > BinaryReader(stream).remaining())
        complete = false;
    if (complete) {
        loaded.resize(size_t(count));
        for (size_t s = 0; s < loaded.size(); ++s) {
            if (!loaded[s].read(stream, textures)) {
                complete = false;
                break;
            }
            // Sectors of one grid hold the same corner indices: one block serves all.
            if (s > 0)
                loaded[s - 1].corners.shareIfEqual(loaded[s].corners);
        }
    }
    std::fclose(stream);
    if (!complete)
        return false;

    sectorsAcross = header.sectorsAcross;
    sectorsDown = header.sectorsDown;
    sectorCount = int32_t(count);
    sectorSizeX = header.sectorSizeX;
    sectorSizeZ = header.sectorSizeZ;
    fogEnd = header.fogEnd;
    fogDepth = header.fogDepth;
    waterLevel = header.waterLevel;
    fogColour = header.fogColour;
    sunDirection = header.sunDirection;
    sectors = std::move(loaded);
    renderList.assign(size_t(sectorCount), 0);
    renderCount = 0;
    setFogColor(fogColour.x, fogColour.y, fogColour.z);
    setViewDist(fogEnd, fogDepth);
    return true;
}
