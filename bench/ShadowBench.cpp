// Shadow tracing: the engine's tracer against the plain search that defines
// its result (every vertex against every sector, every crossed face), on the
// same 256 x 256 hilly map under a low sun; then the engine's tracer alone on
// a 1024 x 1024 island of 64 x 64 sectors, the demo's size. After the runs the
// speed-up is printed, and the two 256 x 256 results are compared corner by
// corner.
//
//   ShadowBench                      all three
//   ShadowBench --benchmark_filter=Fast   the engine's tracer only

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "tests/lighting/ReferenceLighting.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

float hills(float x, float z) {
    return 12.0f + 9.0f * std::sin(x * 0.071f) * std::cos(z * 0.053f) +
           5.0f * std::sin((x + 2.0f * z) * 0.19f) + 2.0f * std::cos(x * 0.41f - z * 0.37f);
}

float island(float x, float z) {
    float dx = (x - 512.0f) / 330.0f, dz = (z - 512.0f) / 290.0f;
    float body = 60.0f * std::exp(-(dx * dx + dz * dz) * 1.6f) - 12.0f;
    float ridges =
        7.0f * std::sin(x * 0.043f) * std::cos(z * 0.037f) + 3.0f * std::sin((x - z) * 0.11f);
    return std::max(-6.0f, body + ridges);
}

std::unique_ptr<Landscape> buildMap(int size, float (*height)(float, float)) {
    auto land = std::make_unique<Landscape>();
    land->newMap(size, size, 16, 1.0f, 1.0f);
    for (Sector& sector : land->sectors)
        sector.positions.update([&](size_t, Vector3& p) { p.y = height(p.x, p.z); });
    land->finalize();
    return land;
}

void prepare(LightingParams& params, Landscape& land) {
    params.landscape = &land;
    params.sunDirection = Vector3(1.0f, 0.35f, 0.6f); // low sun
    params.sunDirection.normalize();
    params.shadowColour = Vector3(0.5f, 0.5f, 0.5f);
    params.applyAmbient();
    params.applySunlight();
}

double processSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

double plainSeconds = 0, fastSeconds = 0;
std::unique_ptr<Landscape> plainResult, fastResult;

template <typename Trace>
void timeTrace(benchmark::State& state, int size, float (*height)(float, float), Trace trace,
               double* seconds, std::unique_ptr<Landscape>* keep) {
    for (auto _ : state) {
        std::unique_ptr<Landscape> land = buildMap(size, height);
        LightingParams params;
        prepare(params, *land);
        std::vector<float> before;
        for (const Sector& sector : land->sectors)
            for (const FaceColours& face : sector.colours)
                for (int k = 0; k < 3; ++k)
                    before.push_back(face.corner[k].x);
        double cpuStart = processSeconds();
        auto start = std::chrono::steady_clock::now();
        trace(params);
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        // Both threads' time: what the trace costs on an idle machine.
        state.counters["trace_cpu_s"] = processSeconds() - cpuStart;
        size_t corner = 0, shadowed = 0;
        for (const Sector& sector : land->sectors)
            for (const FaceColours& face : sector.colours)
                for (int k = 0; k < 3; ++k)
                    shadowed += face.corner[k].x != before[corner++] ? 1 : 0;
        state.counters["shadowed_corners"] = double(shadowed);
        if (seconds)
            *seconds = elapsed;
        if (keep)
            *keep = std::move(land);
    }
    state.counters["vertices"] = double(size / 16) * (size / 16) * 17 * 17;
}

void PlainTrace256(benchmark::State& state) {
    timeTrace(
        state, 256, hills, [](LightingParams& p) { referenceTraceShadows(p); }, &plainSeconds,
        &plainResult);
}

void FastTrace256(benchmark::State& state) {
    timeTrace(
        state, 256, hills, [](LightingParams& p) { p.traceShadows(false); }, &fastSeconds,
        &fastResult);
}

// The part both versions share: lowering the border and finalising.
double finalizeSeconds = 0;

void LowerAndFinalize256(benchmark::State& state) {
    timeTrace(
        state, 256, hills,
        [](LightingParams& p) {
            p.landscape->lowerBorder(100.0f);
            p.landscape->finalize();
            p.landscape->lowerBorder(-100.0f);
        },
        &finalizeSeconds, nullptr);
}

void FastTrace1024Island(benchmark::State& state) {
    timeTrace(
        state, 1024, island, [](LightingParams& p) { p.traceShadows(false); }, nullptr, nullptr);
}

BENCHMARK(PlainTrace256)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FastTrace256)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(LowerAndFinalize256)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(FastTrace1024Island)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// Corners whose colour or overlay colour differ in any bit.
long differingCorners(const Landscape& a, const Landscape& b) {
    long differing = 0;
    for (int s = 0; s < a.sectorCount; ++s)
        for (int f = 0; f < a.sectors[s].faceCount; ++f)
            for (int k = 0; k < 3; ++k) {
                const SectorFace fa = a.sectors[s].face(f);
                const SectorFace fb = b.sectors[s].face(f);
                if (std::memcmp(&fa.colour[k], &fb.colour[k], sizeof(Vector3)) != 0 ||
                    std::memcmp(&fa.overlayColour[k], &fb.overlayColour[k], sizeof(Vector4)) != 0)
                    ++differing;
            }
    return differing;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (plainResult && fastResult) {
        std::printf("256 x 256, low sun: plain %.3f s, engine %.4f s, %.0f times faster\n",
                    plainSeconds, fastSeconds, plainSeconds / fastSeconds);
        if (finalizeSeconds > 0 && finalizeSeconds < fastSeconds)
            std::printf("without the %.4f s of lowering and finalising both share: "
                        "%.0f times faster\n",
                        finalizeSeconds,
                        (plainSeconds - finalizeSeconds) / (fastSeconds - finalizeSeconds));
        long differing = differingCorners(*plainResult, *fastResult);
        std::printf("corners differing between the two: %ld\n", differing);
        return differing == 0 ? 0 : 1;
    }
    return 0;
}
