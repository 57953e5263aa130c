// The texture table: lookups, the used list, the file layout with its bad
// inputs, and loading each file once into OpenGL.
#include "image/TextureTable.h"
#include "image/Texture.h"
#include "tests/image/ImageFiles.h"
#include "tests/support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace imagefiles;

namespace {

const uint32_t noTexture = 0xFFFFFFFFu;

} // namespace

TEST(TextureTableFile, BadCountsAndShortFilesAreRefused) {
    auto table = std::make_unique<TextureTable>();
    table->addEntry(9);
    table->addEntry(10);
    FILE* f = nullptr;
    const struct {
        int32_t count;
        int records;
    } bad[] = {{-1, 0}, {257, 257}, {0x7FFFFFFF, 1}, {3, 2}, {0, -1}};
    for (const auto& c : bad) {
        std::string file;
        if (c.records >= 0)
            file += fields<uint32_t>({uint32_t(c.count)});
        file.append(size_t(std::max(c.records, 0)) * 136, '\0');
        f = std::tmpfile();
        std::fwrite(file.data(), 1, file.size(), f);
        std::rewind(f);
        EXPECT_FALSE(table->read(f)) << c.count;
        std::fclose(f);
        EXPECT_EQ(table->count, 2) << c.count << ": a failed read leaves the table as it was";
    }
    EXPECT_FALSE(table->read(nullptr));
}

TEST(TextureTableFile, LoadsEachFileOnceAndReloadsEveryTextureInOrder) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory dir;
    std::filesystem::create_directories("data/textures");
    ASSERT_TRUE(writeBmp24("data/textures/grass.bmp", 4, 4, std::vector<uint8_t>(48, 100)));
    dir.writeFile("data/textures/water.mpc", mpcHeader(200, 2, 2, 4) + std::string(16, 'w'));
    auto table = std::make_unique<TextureTable>();
    table->addEntry(1000); // entries without a file keep their indices
    GLuint before = 0, after = 0;
    glGenTextures(1, &before);
    ASSERT_EQ(table->loadBmpTexture("data\\textures\\grass.bmp", 2), 1);
    EXPECT_EQ(table->loadBmpTexture("data\\textures\\grass.bmp", 0), 1);
    glGenTextures(1, &after);
    EXPECT_EQ(after - before, 2u) << "one texture made for the file loaded twice";
    EXPECT_EQ(table->entries[1].filterMode, 2) << "the second filter mode is ignored";
    ASSERT_EQ(table->loadMpcTexture("data\\textures\\water.mpc", 1), 2);
    ASSERT_EQ(table->loadBmpTexture("data\\textures\\missing.bmp", 0), 3);
    EXPECT_NE(table->textureNameAt(3), noTexture) << "an unreadable file still gets its entry";
    FILE* f = std::tmpfile();
    ASSERT_TRUE(table->write(f));
    std::rewind(f);
    auto loaded = std::make_unique<TextureTable>();
    ASSERT_TRUE(loaded->read(f));
    std::fclose(f);
    ASSERT_EQ(loaded->count, 4);
    const int sources[] = {255, 0, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(loaded->entries[i].name, table->entries[i].name) << i;
        EXPECT_EQ(loaded->entries[i].filterMode, table->entries[i].filterMode) << i;
        EXPECT_EQ(loaded->entries[i].source, sources[i]) << i;
        EXPECT_NE(loaded->entries[i].textureName, table->entries[i].textureName) << i;
        EXPECT_TRUE(glIsTexture(loaded->entries[i].textureName)) << i;
    }
    uint8_t back[16 * 4] = {};
    glBindTexture(GL_TEXTURE_2D, loaded->textureNameAt(1));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(back[0], 100);
    glBindTexture(GL_TEXTURE_2D, loaded->textureNameAt(2));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(back[3], uint8_t('w'));
    while (loaded->addEntry(7) != -1) // a full table takes no more
        ASSERT_LE(loaded->count, TextureTable::capacity);
}
