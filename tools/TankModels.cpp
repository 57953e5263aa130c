#include "tools/TankModels.h"

#include "tools/MeshBuilder.h"

#include <cmath>

namespace tankmodels {

const char* const camoTexture = "data\\textures\\tankcamo.mpc";
const char* const trackTexture = "data\\textures\\tanktrack.mpc";
const char* const rocketTexture = "data\\textures\\rocket.mpc";

} // namespace tankmodels

namespace {

const float pi = 3.14159265f;

// One point of a round part's outline: where along its axis, and its radii.
struct Station {
    float along; // distance along the axis from the origin
    float ra;    // radius along the first cross axis
    float rb;    // radius along the second cross axis
};

// A round part along a straight axis (unit vector) through origin, its cross
// section spanned by the unit vectors a and b; v runs with the distance along
// the axis times vScale.
void roundPart(MeshBuilder& builder, Vector3 origin, Vector3 axis, Vector3 a, Vector3 b,
               const std::vector<Station>& stations, int sides, float vScale, uint32_t material) {
    std::vector<std::vector<Vector3>> rings;
    std::vector<Vector3> centres;
    std::vector<float> v;
    for (const Station& s : stations) {
        Vector3 centre = origin.plus(axis.times(s.along));
        rings.push_back(MeshBuilder::ring(centre, a, b, s.ra, s.rb, sides));
        centres.push_back(centre);
        v.push_back(s.along * vScale);
    }
    builder.tube(rings, centres, v, material);
}

ModelMaterial camo() {
    return makeMaterial(tankmodels::camoTexture, Vector3(0.4f, 0.4f, 0.4f),
                        Vector3(0.8f, 0.8f, 0.75f));
}

ModelDescription oneMesh(const ModelMesh& mesh) {
    ModelDescription model;
    model.meshes.push_back(mesh);
    return model;
}

} // namespace

namespace tankmodels {

ModelDescription body() {
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t paint = builder.material(camo());
    // Profiles are (z, y) outlines; forward is -z.
    // The tub between the tracks, with a sloped nose underneath.
    builder.prismX(
        {{-1.0f, -0.65f}, {1.1f, -0.65f}, {1.3f, -0.35f}, {1.3f, -0.2f}, {-1.35f, -0.2f}}, -0.48f,
        0.48f, 0.5f, paint);
    // The deck over the tracks: fenders, a long glacis in front, engine deck behind.
    builder.prismX({{-1.45f, -0.3f}, {1.3f, -0.3f}, {1.3f, 0.24f}, {1.2f, 0.3f}, {-0.8f, 0.3f}},
                   -0.68f, 0.68f, 0.5f, paint);
    // Two exhaust boxes on the engine deck and a driver's hatch on the glacis.
    for (float side : {-0.4f, 0.4f})
        builder.prismX({{0.95f, 0.3f}, {1.2f, 0.3f}, {1.2f, 0.38f}, {0.95f, 0.38f}}, side - 0.12f,
                       side + 0.12f, 0.5f, paint);
    builder.prismX({{-0.95f, 0.22f}, {-0.72f, 0.32f}, {-0.72f, 0.36f}, {-0.98f, 0.25f}}, -0.15f,
                   0.15f, 0.5f, paint);
    return oneMesh(mesh);
}

ModelDescription foot() {
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t track = builder.material(
        makeMaterial(trackTexture, Vector3(0.4f, 0.4f, 0.4f), Vector3(0.7f, 0.7f, 0.7f)));
    uint32_t paint = builder.material(camo());
    // The track: two half-circles of radius 0.3 joined by straight runs, 2.4
    // long, its lowest points on the ground at y = -0.5.
    std::vector<Vector2> loop;
    for (int end = 0; end < 2; ++end) {
        float centreZ = end == 0 ? 0.9f : -0.9f;
        for (int i = 0; i <= 6; ++i) {
            float angle = -0.5f * pi + pi * float(i) / 6.0f + (end == 0 ? 0.0f : pi);
            loop.push_back(
                Vector2(centreZ + 0.3f * std::cos(angle), -0.2f + 0.3f * std::sin(angle)));
        }
    }
    builder.prismX(loop, -0.2f, 0.2f, 1.0f, track);
    // Road wheels on both faces (the same model serves the left and the right
    // foot), standing a little proud of the track with a hub in the middle.
    const float r = 0.17f;
    for (float side : {1.0f, -1.0f}) {
        for (int i = 0; i < 5; ++i) {
            Vector3 centre(0.18f * side, -0.27f, -0.8f + 0.4f * float(i));
            roundPart(builder, centre, Vector3(side, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1),
                      {{0.0f, r, r},
                       {0.07f, r, r},
                       {0.09f, 0.75f * r, 0.75f * r},
                       {0.09f, 0.3f * r, 0.3f * r},
                       {0.12f, 0.0f, 0.0f}},
                      8, 2.0f, paint);
        }
    }
    return oneMesh(mesh);
}

ModelDescription turret() {
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t paint = builder.material(camo());
    // A flattened dome, longer than wide and reaching further back than forward.
    const Vector3 x(1, 0, 0), z(0, 0, 1);
    roundPart(builder, Vector3(0.0f, -0.2f, 0.08f), Vector3(0, 1, 0), x, z,
              {{0.0f, 0.0f, 0.0f},
               {0.0f, 0.52f, 0.66f},
               {0.18f, 0.56f, 0.70f},
               {0.34f, 0.48f, 0.60f},
               {0.44f, 0.30f, 0.38f},
               {0.48f, 0.0f, 0.0f}},
              12, 1.0f, paint);
    // The commander's hatch.
    roundPart(
        builder, Vector3(0.18f, 0.16f, 0.2f), Vector3(0, 1, 0), x, z,
        {{0.0f, 0.13f, 0.13f}, {0.1f, 0.13f, 0.13f}, {0.12f, 0.1f, 0.1f}, {0.12f, 0.0f, 0.0f}}, 8,
        1.0f, paint);
    return oneMesh(mesh);
}

ModelDescription pipe() {
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t paint = builder.material(camo());
    // The mantlet, where the barrel leaves the dome.
    builder.prismX({{-0.74f, -0.12f}, {-0.4f, -0.14f}, {-0.4f, 0.14f}, {-0.74f, 0.12f}}, -0.2f,
                   0.2f, 0.5f, paint);
    // The barrel along -z to the muzzle brake at z = -2.
    roundPart(builder, Vector3(0, 0, 0), Vector3(0, 0, -1), Vector3(1, 0, 0), Vector3(0, 1, 0),
              {{0.5f, 0.0f, 0.0f},
               {0.5f, 0.08f, 0.08f},
               {0.9f, 0.07f, 0.07f},
               {1.78f, 0.055f, 0.055f},
               {1.8f, 0.085f, 0.085f},
               {2.0f, 0.085f, 0.085f},
               {2.0f, 0.0f, 0.0f}},
              10, 1.0f, paint);
    return oneMesh(mesh);
}

ModelDescription rocket() {
    ModelMesh mesh;
    MeshBuilder builder(mesh);
    uint32_t skin = builder.material(
        makeMaterial(rocketTexture, Vector3(0.45f, 0.45f, 0.45f), Vector3(0.8f, 0.8f, 0.8f)));
    // Body and nose cone, from the tail (z = 0.3, v = 0) to the tip (z = -0.3, v = 1).
    roundPart(builder, Vector3(0.0f, 0.0f, 0.3f), Vector3(0, 0, -1), Vector3(1, 0, 0),
              Vector3(0, 1, 0),
              {{0.0f, 0.0f, 0.0f},
               {0.0f, 0.035f, 0.035f},
               {0.03f, 0.04f, 0.04f},
               {0.45f, 0.04f, 0.04f},
               {0.52f, 0.03f, 0.03f},
               {0.57f, 0.016f, 0.016f},
               {0.6f, 0.0f, 0.0f}},
              8, 1.0f / 0.6f, skin);
    // Four fins at the tail, each a thin plate seen from both sides.
    for (int i = 0; i < 4; ++i) {
        float angle = 0.25f * pi + 0.5f * pi * float(i);
        Vector3 out(std::cos(angle), std::sin(angle), 0.0f), across(-out.y, out.x, 0.0f);
        std::vector<Vector3> fin = {out.times(0.04f).plus(Vector3(0, 0, 0.12f)),
                                    out.times(0.04f).plus(Vector3(0, 0, 0.3f)),
                                    out.times(0.12f).plus(Vector3(0, 0, 0.3f)),
                                    out.times(0.12f).plus(Vector3(0, 0, 0.22f))};
        std::vector<Vector2> tex = {{0.1f, 0.3f}, {0.1f, 0.0f}, {0.3f, 0.0f}, {0.3f, 0.13f}};
        for (float face : {1.0f, -1.0f}) {
            std::vector<Vector3> plate;
            for (const Vector3& p : fin)
                plate.push_back(p.plus(across.times(0.004f * face)));
            builder.polygon(plate, tex, across.times(face), skin);
        }
    }
    return oneMesh(mesh);
}

} // namespace tankmodels
