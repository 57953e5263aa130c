#include "tools/PalmTreeModel.h"

#include "tools/MeshBuilder.h"

#include <cmath>

namespace palmtree {

const char* const barkTexture = "data\\textures\\palmbark.mpc";
const char* const leafTexture = "data\\textures\\palmleaf.mpc";

} // namespace palmtree

namespace {

const float pi = 3.14159265f;
const float trunkHeight = 5.6f;
const int trunkSegments = 8;
const int trunkSides = 6;
const int frondCount = 8;
const int frondStations = 7; // points along a frond's midrib, base to tip

float radians(float degrees) {
    return degrees * pi / 180.0f;
}

// The trunk's midline at height fraction t (0 foot, 1 top) in the given phase:
// it leans towards +x and its upper part sways a little in x and z.
Vector3 trunkCentre(float t, float phase) {
    float bend = t * t;
    return Vector3((0.9f + 0.10f * std::sin(phase)) * bend, trunkHeight * t,
                   0.07f * std::sin(phase + 1.3f) * bend);
}

float trunkRadius(float t) {
    float foot = 1.0f - t;
    return 0.23f - 0.09f * t + 0.10f * foot * foot * foot * foot * foot * foot;
}

void addTrunk(MeshBuilder& builder, float phase, uint32_t bark) {
    std::vector<std::vector<Vector3>> rings;
    std::vector<Vector3> centres;
    std::vector<float> v;
    auto addRing = [&](float t, float radius, float texV) {
        Vector3 centre = trunkCentre(t, phase);
        Vector3 tangent = trunkCentre(t + 0.01f, phase).minus(trunkCentre(t - 0.01f, phase));
        tangent.normalize();
        Vector3 a = cross(tangent, Vector3(0.0f, 0.0f, 1.0f));
        a.normalize();
        Vector3 b = cross(a, tangent);
        rings.push_back(MeshBuilder::ring(centre, a, b, radius, radius, trunkSides));
        centres.push_back(centre);
        v.push_back(texV);
    };
    // Each segment widens at its foot and narrows under the next one, which
    // leaves a notch at every joint.
    for (int i = 0; i < trunkSegments; ++i) {
        float t0 = float(i) / trunkSegments, t1 = float(i + 1) / trunkSegments;
        addRing(t0, trunkRadius(t0) * 1.06f, float(i));
        addRing(t1 - 0.035f, trunkRadius(t1) * 0.88f, float(i) + 0.8f);
    }
    addRing(1.0f, trunkRadius(1.0f), float(trunkSegments)); // the top, under the crown
    addRing(1.03f, 0.0f, float(trunkSegments) + 0.3f);      // closed by a short cone
    builder.tube(rings, centres, v, bark);
}

void addFrond(MeshBuilder& builder, Vector3 crown, int index, float phase, uint32_t leaf) {
    const float f = float(index);
    const float azimuth = 2.0f * pi * f / frondCount + 0.3f * std::sin(f * 2.3f);
    const float length = 3.2f + 0.4f * std::sin(f * 1.7f);
    const float rise = radians(index % 2 ? 45.0f : 30.0f); // elevation at the base
    const float droop = radians(-70.0f);                   // elevation at the tip
    const float swayPhase = phase + 2.0f * pi * 3.0f * f / frondCount;

    MeshBuilder::Grid grid;
    grid.rows = frondStations;
    grid.columns = 3;
    Vector3 spine = crown;
    for (int s = 0; s < frondStations; ++s) {
        float q = float(s) / (frondStations - 1);
        // Fronds nod and twist out of step; the tips move most.
        float elevation =
            rise + (droop - rise) * std::pow(q, 1.3f) + radians(4.0f) * std::sin(swayPhase) * q;
        float turn = azimuth + radians(2.5f) * std::sin(swayPhase + 1.0f) * q;
        Vector3 outward(std::cos(turn), 0.0f, std::sin(turn));
        Vector3 along = outward.times(std::cos(elevation)).plus(Vector3(0, std::sin(elevation), 0));
        Vector3 side(-std::sin(turn), 0.0f, std::cos(turn));
        Vector3 up = Vector3(0, std::cos(elevation), 0).minus(outward.times(std::sin(elevation)));
        if (s > 0)
            spine = spine.plus(along.times(length / (frondStations - 1)));
        float width = 0.36f * std::sin(pi * (0.12f + 0.88f * q));
        if (s == frondStations - 1)
            width = 0.0f;
        Vector3 drop = up.times(-0.35f * width); // the leaflets hang below the midrib
        grid.points.push_back(spine.plus(side.times(-width)).plus(drop));
        grid.points.push_back(spine);
        grid.points.push_back(spine.plus(side.times(width)).plus(drop));
        for (float u : {0.0f, 0.5f, 1.0f}) {
            grid.texCoords.push_back(Vector2(u, q));
            grid.outward.push_back(up);
        }
    }
    builder.surface(grid, leaf);
}

void addCoconut(MeshBuilder& builder, Vector3 centre, uint32_t bark) {
    const float r = 0.13f;
    std::vector<std::vector<Vector3>> rings;
    std::vector<Vector3> centres;
    std::vector<float> v;
    // Seen from below a crown, a nut of ten triangles is round enough.
    for (int i = 0; i <= 2; ++i) {
        Vector3 c = centre.plus(Vector3(0.0f, r * float(i - 1), 0.0f));
        float ringRadius = i == 1 ? r : 0.0f;
        rings.push_back(
            MeshBuilder::ring(c, Vector3(1, 0, 0), Vector3(0, 0, 1), ringRadius, ringRadius, 5));
        centres.push_back(c);
        v.push_back(0.8f + 0.1f * float(i));
    }
    builder.tube(rings, centres, v, bark);
}

ModelMesh makeFrame(int frame) {
    const float phase = 2.0f * pi * float(frame) / palmtree::frameCount;
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t bark = builder.material(makeMaterial(
        palmtree::barkTexture, Vector3(0.35f, 0.35f, 0.35f), Vector3(0.85f, 0.85f, 0.8f)));
    uint32_t leaf = builder.material(makeMaterial(palmtree::leafTexture, Vector3(0.4f, 0.4f, 0.4f),
                                                  Vector3(0.8f, 0.85f, 0.75f)));
    addTrunk(builder, phase, bark);
    Vector3 crown = trunkCentre(1.0f, phase);
    for (int i = 0; i < 3; ++i) {
        float a = 2.0f * pi * float(i) / 3.0f + 0.5f;
        addCoconut(builder, crown.plus(Vector3(0.2f * std::cos(a), -0.22f, 0.2f * std::sin(a))),
                   bark);
    }
    for (int i = 0; i < frondCount; ++i)
        addFrond(builder, crown.plus(Vector3(0.0f, 0.05f, 0.0f)), i, phase, leaf);
    return mesh;
}

} // namespace

namespace palmtree {

ModelDescription make() {
    ModelDescription model;
    for (int frame = 0; frame < frameCount; ++frame)
        model.meshes.push_back(makeFrame(frame));
    return model;
}

} // namespace palmtree
