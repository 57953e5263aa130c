// The draw-order sort of finalize against the plain insertion sort that
// defines its result, on a 17 x 17 and a 65 x 65 vertex sector whose faces use
// a few textures.

#include "landscape/Sector.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// Each face inserted before the first listed face whose texture name is
// greater or equal (unsigned); later entries move up by one.
void insertionSort(const Sector& s, SharedArray<uint32_t>& sorted, int32_t FaceTextures::*texture) {
    uint32_t* order = sorted.overwrite(size_t(s.faceCount));
    int32_t used = 0;
    for (int32_t f = 0; f < s.faceCount; ++f) {
        uint32_t name = uint32_t(s.textures[f].*texture);
        int32_t at = 0;
        while (at < used && uint32_t(s.textures[order[at]].*texture) < name)
            ++at;
        for (int32_t k = used; k > at; --k)
            order[k] = order[k - 1];
        order[at] = uint32_t(f);
        ++used;
    }
}

Sector texturedSector(int verticesPerSide) {
    Sector s;
    s.init(0, 0, float(verticesPerSide - 1), float(verticesPerSide - 1), 1, 1);
    std::mt19937 random(42);
    const int32_t names[] = {3, 4, 9, -1};
    FaceTextures* textures = s.textures.write();
    for (int32_t f = 0; f < s.faceCount; ++f) {
        textures[f].baseTexture = names[random() % 3];
        textures[f].overlayTexture = names[random() % 4];
    }
    return s;
}

void fastSort(benchmark::State& state) {
    Sector s = texturedSector(int(state.range(0)));
    for (auto _ : state) {
        s.derived = Sector::Derived(); // sort every time, as if the textures had changed
        s.sortFaces();
        benchmark::DoNotOptimize(s.baseOrder.data());
    }
    state.SetItemsProcessed(state.iterations() * s.faceCount);
}

void literalInsertionSort(benchmark::State& state) {
    Sector s = texturedSector(int(state.range(0)));
    for (auto _ : state) {
        insertionSort(s, s.baseOrder, &FaceTextures::baseTexture);
        insertionSort(s, s.overlayOrder, &FaceTextures::overlayTexture);
        benchmark::DoNotOptimize(s.baseOrder.data());
    }
    state.SetItemsProcessed(state.iterations() * s.faceCount);
}

} // namespace

BENCHMARK(fastSort)->Arg(17)->Arg(65);
BENCHMARK(literalInsertionSort)->Arg(17)->Arg(65);

BENCHMARK_MAIN();
