#include "landscape/TerrainAllocator.h"
#include "landscape/Landscape.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

TEST(TerrainAllocator, FreedArraysAreReusedForTheSameSize) {
    void* first = terrainAllocate(71680);
    std::memset(first, 0xAB, 71680);
    terrainFree(first, 71680);
    void* second = terrainAllocate(71680);
    EXPECT_EQ(first, second);
    terrainFree(second, 71680);
}

TEST(TerrainAllocator, LiveArraysNeverOverlapAndStartOnCacheLines) {
    std::set<uintptr_t> starts;
    std::vector<std::pair<void*, size_t>> blocks;
    for (size_t i = 1; i < 400; ++i) {
        size_t bytes = i * 37;
        auto* block = static_cast<uint8_t*>(terrainAllocate(bytes));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 64, 0u);
        std::memset(block, int(i), bytes);
        blocks.emplace_back(block, bytes);
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        auto* block = static_cast<uint8_t*>(blocks[i].first);
        for (size_t b = 0; b < blocks[i].second; ++b)
            ASSERT_EQ(block[b], uint8_t(i + 1)) << "array " << i << " was overwritten";
    }
    for (auto& block : blocks)
        terrainFree(block.first, block.second);
}

TEST(TerrainAllocator, ArraysLargerThanAChunkAreServed) {
    size_t bytes = size_t(100) << 20;
    auto* block = static_cast<uint8_t*>(terrainAllocate(bytes));
    block[0] = 1;
    block[bytes - 1] = 2;
    EXPECT_EQ(block[bytes - 1], 2);
    terrainFree(block, bytes);
}

TEST(TerrainAllocator, CopiesOfTheTerrainKeepTheirOwnArraysAfterRecycling) {
    Landscape source;
    source.newMap(64, 64, 16, 1.0f, 1.0f);
    for (int round = 0; round < 3; ++round) {
        Landscape* copy = source.cloneInto(nullptr);
        copy->sectors[0].positions[5].y = float(round + 1);
        EXPECT_EQ(source.sectors[0].positions[5].y, 0.0f);
        EXPECT_NE(copy->sectors[0].positions.data(), source.sectors[0].positions.data());
        delete copy;
    }
}
