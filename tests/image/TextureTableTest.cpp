#include "image/TextureTable.h"
#include "image/Texture.h"
#include "tests/image/ImageFiles.h"
#include "tests/support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace imagefiles;

namespace {

const uint32_t noTexture = 0xFFFFFFFFu;

// Tables are large; tests keep them on the heap as the Landscape does.
std::unique_ptr<TextureTable> newTable() {
    return std::make_unique<TextureTable>();
}

// The next name OpenGL would hand out; consecutive probes show how many textures
// were made between them.
GLuint probeName() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}

void writeTextureFiles(const TempWorkingDirectory& dir) {
    dir.writeFile("data/textures/red.bmp", bmp24(2, 2, std::vector<uint8_t>(12, 0)));
    dir.writeFile("data/textures/grass.bmp", bmp24(4, 4, std::vector<uint8_t>(48, 100)));
    dir.writeFile("data/textures/water.mpc", mpcHeader(200, 2, 2, 4) + std::string(16, 'w'));
}

std::string readWholeFile(FILE* f) {
    std::string out;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out += char(c);
    return out;
}

} // namespace

// ---------------------------------------------------------------- without OpenGL

TEST(TextureTableEntries, AddEntryMakesAnEntryWithoutFile) {
    auto table = newTable();
    EXPECT_EQ(table->count, 0);
    EXPECT_EQ(table->addEntry(17), 0);
    EXPECT_EQ(table->addEntry(18), 1);
    EXPECT_EQ(table->count, 2);
    EXPECT_STREQ(table->entries[1].name, "");
    EXPECT_EQ(table->entries[1].filterMode, 2);
    EXPECT_EQ(table->entries[1].source, 255);
    EXPECT_EQ(table->entries[1].textureName, 18u);
    EXPECT_EQ(table->textureNameAt(1), 18u);
    EXPECT_EQ(table->textureNameAt(2), noTexture);
    EXPECT_EQ(table->textureNameAt(-1), noTexture);
}

TEST(TextureTableEntries, TableNeverGrowsPastItsCapacity) {
    auto table = newTable();
    for (int i = 0; i < TextureTable::capacity; ++i)
        ASSERT_EQ(table->addEntry(uint32_t(i + 1)), i);
    EXPECT_EQ(table->addEntry(999), -1);
    EXPECT_EQ(table->count, TextureTable::capacity);
    // A file that is not in the full table is refused without being loaded.
    EXPECT_EQ(table->loadBmpTexture("data\\textures\\new.bmp", 2), -1);
    EXPECT_EQ(table->loadMpcTexture("data\\textures\\new.mpc", 2), -1);
    EXPECT_EQ(table->count, TextureTable::capacity);
}

TEST(TextureTableEntries, PathsThatDoNotFitTheNameAreRefused) {
    auto table = newTable();
    std::string longPath(128, 'a');
    EXPECT_EQ(table->loadBmpTexture(longPath.c_str(), 2), -1);
    EXPECT_EQ(table->loadMpcTexture((longPath + "bb").c_str(), 2), -1);
    EXPECT_EQ(table->loadBmpTexture(nullptr, 2), -1);
    EXPECT_EQ(table->count, 0);
}

TEST(TextureTableLookup, FindsExactCaseSensitiveNamesAndNeverNoTexture) {
    auto table = newTable();
    table->addEntry(5);
    std::strcpy(table->entries[0].name, "data\\textures\\Grass.bmp");
    EXPECT_EQ(table->findByName("data\\textures\\Grass.bmp"), 0);
    EXPECT_EQ(table->findByName("data\\textures\\grass.bmp"), -1);
    EXPECT_EQ(table->findByName("data\\textures\\Grass.bm"), -1);
    EXPECT_EQ(table->findByName(nullptr), -1);
    // By GL name: the first entry that has it, never one for no texture.
    table->addEntry(noTexture);
    table->addEntry(5);
    EXPECT_EQ(table->findByTextureName(noTexture), -1);
    EXPECT_EQ(table->findByTextureName(5), 0);
    EXPECT_EQ(table->findByTextureName(4), -1);
}

TEST(TextureTableUsed, MarkUsedKeepsFirstUseOrderOnceAndKeepUsedOnlyCompactsToIt) {
    auto table = newTable();
    for (uint32_t name = 10; name < 16; ++name) {
        int i = table->addEntry(name);
        std::snprintf(table->entries[i].name, sizeof table->entries[i].name, "file%d", i);
    }
    table->markUsed(15);
    table->markUsed(12);
    table->markUsed(15);
    table->markUsed(99);        // no entry has it
    table->markUsed(noTexture); // no texture
    ASSERT_EQ(table->usedCount, 2);
    EXPECT_EQ(table->usedList[0], 5u);
    EXPECT_EQ(table->usedList[1], 2u);
    table->keepUsedOnly();
    EXPECT_EQ(table->count, 2);
    EXPECT_STREQ(table->entries[0].name, "file5");
    EXPECT_EQ(table->entries[0].textureName, 15u);
    EXPECT_STREQ(table->entries[1].name, "file2");
    EXPECT_EQ(table->entries[1].textureName, 12u);
    EXPECT_EQ(table->usedCount, 2); // the list itself stays
    EXPECT_EQ(table->findByTextureName(12), 1);
}

TEST(TextureTableCopy, CopyIntoCopiesAllFourFields) {
    auto table = newTable();
    table->addEntry(7);
    table->addEntry(8);
    table->markUsed(8);
    auto target = newTable();
    target->addEntry(1);
    EXPECT_EQ(table->copyInto(target.get()), target.get());
    EXPECT_EQ(target->count, 2);
    EXPECT_EQ(target->entries[1].textureName, 8u);
    EXPECT_EQ(target->usedCount, 1);
    EXPECT_EQ(target->usedList[0], 1u);

    std::unique_ptr<TextureTable> made(table->copyInto(nullptr));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->count, 2);
    EXPECT_EQ(made->entries[0].textureName, 7u);
}

TEST(TextureTableFile, WriteGivesCountThenFixedRecords) {
    auto table = newTable();
    table->addEntry(0x01020304);
    std::strcpy(table->entries[0].name, "data\\textures\\grass.bmp");
    table->entries[0].source = 0;
    table->addEntry(9);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(table->write(f));
    std::string bytes = readWholeFile(f);
    std::fclose(f);
    ASSERT_EQ(bytes.size(), 4u + 2 * 136u);
    EXPECT_EQ(get32(bytes, 0), 2u);
    EXPECT_EQ(bytes.substr(4, 23), "data\\textures\\grass.bmp");
    EXPECT_EQ(bytes[4 + 23], '\0');
    EXPECT_EQ(uint8_t(bytes[4 + 128]), 2); // filter mode
    EXPECT_EQ(uint8_t(bytes[4 + 129]), 0); // source
    EXPECT_EQ(get32(bytes, 4 + 132), 0x01020304u);
    EXPECT_EQ(uint8_t(bytes[4 + 136 + 129]), 255);
}

TEST(TextureTableFile, ReadRefusesBadCountsAndShortFiles) {
    struct Case {
        const char* what;
        int32_t count;
        int records;
    };
    const Case cases[] = {{"negative count", -1, 0},
                          {"count above capacity", 257, 257},
                          {"huge count", 0x7FFFFFFF, 1},
                          {"fewer records than counted", 3, 2}};
    for (const Case& c : cases) {
        std::string bytes;
        put32(bytes, uint32_t(c.count));
        bytes.append(size_t(c.records) * 136, '\0');
        FILE* f = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        auto table = newTable();
        table->addEntry(42);
        EXPECT_FALSE(table->read(f)) << c.what;
        std::fclose(f);
        EXPECT_EQ(table->count, 1) << c.what << ": a failed read leaves the table as it was";
        EXPECT_EQ(table->entries[0].textureName, 42u);
    }
    FILE* empty = std::tmpfile();
    auto table = newTable();
    EXPECT_FALSE(table->read(empty));
    std::fclose(empty);
    EXPECT_FALSE(table->read(nullptr));
    EXPECT_FALSE(table->write(nullptr));
}

// ---------------------------------------------------------------- with OpenGL

TEST(TextureTableLoad, SamePathTwiceGivesOneEntryAndOneTexture) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory dir;
    writeTextureFiles(dir);
    auto table = newTable();
    GLuint before = probeName();
    int first = table->loadBmpTexture("data\\textures\\grass.bmp", 2);
    int again = table->loadBmpTexture("data\\textures\\grass.bmp", 0);
    GLuint after = probeName();
    ASSERT_EQ(first, 0);
    EXPECT_EQ(again, first);
    EXPECT_EQ(table->count, 1);
    EXPECT_EQ(after - before, 2u) << "exactly one texture was made between the probes";
    EXPECT_EQ(table->entries[0].filterMode, 2) << "the second filter mode is ignored";
    EXPECT_EQ(table->entries[0].source, 0);
    EXPECT_STREQ(table->entries[0].name, "data\\textures\\grass.bmp");
    EXPECT_TRUE(glIsTexture(table->textureNameAt(first)));

    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, table->textureNameAt(first));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 4);
}

TEST(TextureTableLoad, MpcTexturesAreKnownByTheirSource) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory dir;
    writeTextureFiles(dir);
    auto table = newTable();
    int index = table->loadMpcTexture("data\\textures\\water.mpc", 2);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(table->entries[0].source, 1);
    std::vector<uint8_t> back(16);
    glBindTexture(GL_TEXTURE_2D, table->textureNameAt(index));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back[3], uint8_t('w'));
}

TEST(TextureTableLoad, UnreadableFileAndLongestFittingPathStillGetTheirEntries) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory dir;
    auto table = newTable();
    int index = table->loadBmpTexture("data\\textures\\missing.bmp", 2);
    ASSERT_EQ(index, 0);
    EXPECT_NE(table->textureNameAt(index), noTexture);
    EXPECT_EQ(table->loadBmpTexture("data\\textures\\missing.bmp", 2), 0);
    EXPECT_EQ(table->count, 1);
    std::string path(127, 'p');
    ASSERT_EQ(table->loadBmpTexture(path.c_str(), 2), 1);
    EXPECT_EQ(std::string(table->entries[1].name), path);
    EXPECT_EQ(table->findByName(path.c_str()), 1);
}

TEST(TextureTableFile, WriteThenReadReloadsEveryTextureInOrder) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory dir;
    writeTextureFiles(dir);
    auto table = newTable();
    // Entries without a file keep their indices and get names of their own.
    table->addEntry(1000);
    table->addEntry(1001);
    table->loadBmpTexture("data\\textures\\grass.bmp", 2);
    table->loadMpcTexture("data\\textures\\water.mpc", 1);
    table->loadBmpTexture("data\\textures\\red.bmp", 0);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(table->write(f));
    std::rewind(f);

    auto loaded = newTable();
    ASSERT_TRUE(loaded->read(f));
    std::fclose(f);
    ASSERT_EQ(loaded->count, 5);
    EXPECT_EQ(loaded->entries[0].source, 255);
    EXPECT_NE(loaded->entries[0].textureName, loaded->entries[1].textureName);
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(loaded->entries[i].name, table->entries[i].name) << i;
        EXPECT_EQ(loaded->entries[i].filterMode, table->entries[i].filterMode) << i;
        EXPECT_EQ(loaded->entries[i].source, table->entries[i].source) << i;
        EXPECT_NE(loaded->entries[i].textureName, table->entries[i].textureName) << i;
        EXPECT_TRUE(glIsTexture(loaded->entries[i].textureName)) << i;
    }
    // The reloaded texture holds the file's pixels.
    std::vector<uint8_t> back(16 * 3);
    glBindTexture(GL_TEXTURE_2D, loaded->textureNameAt(2));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back[0], 100);
}
