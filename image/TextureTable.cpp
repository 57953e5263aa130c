#include "image/TextureTable.h"

#include "image/Texture.h"
#include "image/TextureOwner.h"
#include "io/BinaryStream.h"

#include <cstring>

namespace {

const uint32_t noTexture = 0xFFFFFFFFu;
const uint8_t sourceBmp = 0;
const uint8_t sourceMpc = 1;
const uint8_t sourceNone = 255;

// The 136-byte file record of an entry: name, filter mode, source, two bytes of
// padding, texture name in little-endian order.
void writeEntry(BinaryWriter& out, const TextureEntry& entry) {
    out.bytes(entry.name, sizeof entry.name);
    out.bytes(&entry.filterMode, 1);
    out.bytes(&entry.source, 1);
    out.bytes(entry.padding, sizeof entry.padding);
    out.u32(entry.textureName);
}

void readEntry(BinaryReader& in, TextureEntry& entry) {
    in.bytes(entry.name, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0'; // a file's name may lack its terminator
    in.bytes(&entry.filterMode, 1);
    in.bytes(&entry.source, 1);
    in.bytes(entry.padding, sizeof entry.padding);
    entry.textureName = in.u32();
}

bool fitsName(const char* path) {
    return path && std::strlen(path) < sizeof(TextureEntry::name);
}

} // namespace

const int TextureTable::capacity;

int TextureTable::findByName(const char* path) const {
    if (!path)
        return -1;
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(entries[i].name, path) == 0)
            return i;
    }
    return -1;
}

int TextureTable::findByTextureName(uint32_t textureName) const {
    if (textureName == noTexture)
        return -1;
    for (int i = 0; i < count; ++i) {
        if (entries[i].textureName == textureName)
            return i;
    }
    return -1;
}

int TextureTable::addEntry(uint32_t textureName) {
    if (count < 0 || count >= capacity)
        return -1;
    TextureEntry& entry = entries[count];
    std::memset(&entry, 0, sizeof entry);
    entry.filterMode = 2;
    entry.source = sourceNone;
    entry.textureName = textureName;
    return count++;
}

namespace {

// Shared by the BMP and MPC loaders: one entry per file, loaded and uploaded once.
int loadFileTexture(TextureTable& table, const char* path, uint8_t filterMode, uint8_t source) {
    if (!fitsName(path))
        return -1;
    int existing = table.findByName(path);
    if (existing != -1)
        return existing;
    if (table.count >= TextureTable::capacity)
        return -1; // full: no OpenGL texture is made for an entry that cannot be kept

    Texture image;
    if (source == sourceBmp)
        image.loadBmp(path);
    else
        image.loadMpc(path);
    // An unreadable file still gets its entry (with a texture name that holds
    // no image), so that the path is not tried again and indices stay stable.
    uint32_t name = image.upload(filterMode);
    TextureOwner::adopt(name);

    int index = table.addEntry(name);
    if (index == -1)
        return -1;
    TextureEntry& entry = table.entries[index];
    std::strcpy(entry.name, path);
    entry.filterMode = filterMode;
    entry.source = source;
    return index;
}

} // namespace

int TextureTable::loadBmpTexture(const char* path, uint8_t filterMode) {
    return loadFileTexture(*this, path, filterMode, sourceBmp);
}

int TextureTable::loadMpcTexture(const char* path, uint8_t filterMode) {
    return loadFileTexture(*this, path, filterMode, sourceMpc);
}

void TextureTable::markUsed(uint32_t textureName) {
    int index = findByTextureName(textureName);
    if (index == -1)
        return;
    for (int i = 0; i < usedCount; ++i) {
        if (usedList[i] == uint32_t(index))
            return;
    }
    if (usedCount < 0 || usedCount >= capacity)
        return;
    usedList[usedCount++] = uint32_t(index);
}

void TextureTable::keepUsedOnly() {
    TextureEntry copy[capacity];
    std::memcpy(copy, entries, sizeof entries);
    int kept = usedCount < 0 ? 0 : (usedCount > capacity ? capacity : usedCount);
    for (int i = 0; i < kept; ++i) {
        if (usedList[i] < uint32_t(capacity)) {
            entries[i] = copy[usedList[i]];
        } else {
            std::memset(&entries[i], 0, sizeof entries[i]);
            entries[i].filterMode = 2;
            entries[i].source = sourceNone;
            entries[i].textureName = noTexture;
        }
    }
    count = kept;
}

bool TextureTable::write(FILE* stream) const {
    if (!stream || count < 0 || count > capacity)
        return false;
    BinaryWriter out(stream);
    out.i32(count);
    for (int i = 0; i < count; ++i)
        writeEntry(out, entries[i]);
    return out.good();
}

bool TextureTable::read(FILE* stream) {
    if (!stream)
        return false;
    BinaryReader in(stream);
    int32_t n = in.i32();
    if (!in.good() || n < 0 || n > capacity)
        return false;

    // The records are read whole before the table is touched, so a short file
    // leaves the table as it was.
    TextureEntry loaded[capacity];
    for (int i = 0; i < n; ++i)
        readEntry(in, loaded[i]);
    if (!in.good())
        return false;

    count = 0;
    for (int i = 0; i < n; ++i) {
        const TextureEntry& entry = loaded[i];
        if (entry.source == sourceBmp) {
            loadBmpTexture(entry.name, entry.filterMode);
        } else if (entry.source == sourceNone) {
            // An entry that never had a file (all share the empty name) gets a
            // fresh texture name of its own, so that it keeps its index.
            Texture nothing;
            uint32_t name = nothing.upload(entry.filterMode);
            TextureOwner::adopt(name);
            int index = addEntry(name);
            if (index != -1)
                entries[index].filterMode = entry.filterMode;
        } else {
            loadMpcTexture(entry.name, entry.filterMode);
        }
    }
    return true;
}

TextureTable* TextureTable::copyInto(TextureTable* target) const {
    if (!target)
        target = new TextureTable();
    if (target != this)
        *target = *this;
    return target;
}

uint32_t TextureTable::textureNameAt(int index) const {
    if (index < 0 || index >= count)
        return noTexture;
    return entries[index].textureName;
}
