#pragma once
// The Landscape's table of up to 256 textures, each known by the file it was
// loaded from, so that a file is loaded once and a map file can name its
// textures. Entries are written to map files exactly as they lie in memory.
// The table never writes past its 256 entries or 256 used indices, and refuses
// paths that do not fit an entry's name. The OpenGL textures it makes belong
// to the world's TextureOwner.

#include <cstdint>
#include <cstdio>

struct TextureEntry {
    char name[128];       // file path, NUL-terminated; empty for addEntry alone
    uint8_t filterMode;   // 0, 1 or 2 (see Texture::upload)
    uint8_t source;       // 0 = BMP file, 1 = MPC file, 255 = no file
    uint8_t padding[2];   // unused
    uint32_t textureName; // OpenGL texture name (in a file: the name at saving time)
};
static_assert(sizeof(TextureEntry) == 136, "TextureEntry is the 136-byte file record");

class TextureTable {
public:
    static const int capacity = 256;

    TextureEntry entries[capacity] = {};
    int32_t count = 0;              // entries in use
    uint32_t usedList[capacity] = {}; // entry indices used by terrain faces, in first-use order
    int32_t usedCount = 0;          // entries in use in usedList

    int findByName(const char* path) const;
    int findByTextureName(uint32_t textureName) const;
    int addEntry(uint32_t textureName);
    int loadBmpTexture(const char* path, uint8_t filterMode);
    int loadMpcTexture(const char* path, uint8_t filterMode);
    void markUsed(uint32_t textureName);
    void keepUsedOnly();
    bool write(FILE* stream) const;
    bool read(FILE* stream);
    TextureTable* copyInto(TextureTable* target) const;

    // The OpenGL texture name of an entry index, -1 for -1 or an index out of range.
    uint32_t textureNameAt(int index) const;
};
